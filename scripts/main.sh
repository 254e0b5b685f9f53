#!/usr/bin/env bash
# The main job: builds Vantrel2.dll and reports what was built.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target Vantrel2
DLL="$ROOT/build/windows/bin/Vantrel2.dll"
echo "built: $DLL ($(stat -c %s "$DLL") bytes)"
file "$DLL" 2>/dev/null || true
echo "imports:"; i686-w64-mingw32-objdump -p "$DLL" | sed -n 's/^\s*DLL Name: /  /p'
