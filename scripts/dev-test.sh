#!/usr/bin/env bash
# For development: builds the Windows tree and runs its tests under Wine,
# passing every argument to ctest:
#   bash scripts/dev-test.sh -R Dialog
# VANTREL2_BUILD picks the build folder (default build/windows, or
# build/windows-x64 where the machine runs no 32-bit code). Runs in
# different folders can go side by side, each with its own prefix, Xvfb and
# wineserver; a second run in the same folder says so and does not start.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh
source scripts/wine-session.sh
PRESET="$(bash scripts/windows-preset.sh)"
BUILD="$(realpath -m "${VANTREL2_BUILD:-$ROOT/build/$PRESET}")"
session_lock "$BUILD"
cmake --preset "$PRESET" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j"$(nproc)"
start_xvfb
wine_session_start
bash scripts/ctest-retry.sh "$BUILD" "$@"
