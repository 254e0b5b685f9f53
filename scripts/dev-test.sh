#!/usr/bin/env bash
# For development: builds the Windows tree in the folder given (default
# build/windows) and runs ctest there under Wine, passing further arguments
# to ctest (e.g. -R Dialog). Several of these can run side by side, each in
# its own folder: each gets its own prefix, Xvfb and wineserver.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="$(realpath -m "${1:-$ROOT/build/windows}")"
shift || true
cd "$ROOT"
bash scripts/setup.sh
cmake --preset windows -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j2
source scripts/wine-session.sh
start_xvfb
wine_session_start
ctest --test-dir "$BUILD" --output-on-failure "$@"
