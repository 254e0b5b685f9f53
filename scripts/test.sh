#!/usr/bin/env bash
# Runs every test: the portable logic natively under AddressSanitizer/UBSan
# with the fuzzers, then the Windows build under Wine (Japanese code page,
# private Xvfb; a 64-bit build of the same tests where the machine runs no
# 32-bit code). Installs what is missing first.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh

echo "== native: portable logic under ASan/UBSan, fuzzers"
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)"
ctest --preset native -j2

PRESET="$(bash scripts/windows-preset.sh)"
if [ "$PRESET" = windows ]; then
    echo "== windows: Vantrel2.dll and the tests under Wine"
    cmake --preset windows >/dev/null
    cmake --build --preset windows -j"$(nproc)"
else
    echo "== windows: Vantrel2.dll (32-bit, as shipped)"
    cmake --preset windows >/dev/null
    cmake --build --preset windows -j"$(nproc)" --target Vantrel2 VekCmdLib VantrelHost
    echo "== this machine runs no 32-bit code: the tests built for 64-bit, under 64-bit Wine"
    cmake --preset windows-x64 >/dev/null
    cmake --build --preset windows-x64 -j"$(nproc)"
fi
BUILD="$ROOT/build/$PRESET"
source scripts/wine-session.sh
start_xvfb
wine_session_start
# A Wine process very rarely dies before the test program starts (no output
# at all, in a few hundredths of a second): such a test runs once more. A
# test that fails for real fails both times.
ctest --preset "$PRESET" --repeat until-pass:2
