#!/usr/bin/env bash
# For development: builds the Windows tree in the folder given (default
# build/windows, or build/windows-x64 where the machine runs no 32-bit code) and runs ctest there under Wine, passing further arguments
# to ctest (e.g. -R Dialog). Several of these can run side by side, each in
# its own folder: each gets its own prefix, Xvfb and wineserver.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
PRESET="$(bash "$ROOT/scripts/windows-preset.sh")"
BUILD="$(realpath -m "${1:-$ROOT/build/$PRESET}")"
shift || true
cd "$ROOT"
bash scripts/setup.sh
cmake --preset "$PRESET" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j2
source scripts/wine-session.sh
start_xvfb
wine_session_start
ctest --test-dir "$BUILD" --output-on-failure "$@"
