#!/usr/bin/env bash
# Runs every test: the portable logic natively under AddressSanitizer/UBSan
# with the fuzzers, then the Windows build under Wine (Japanese code page,
# private Xvfb). Installs what is missing first.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh

echo "== native: portable logic under ASan/UBSan, fuzzers"
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)"
ctest --preset native -j2

echo "== windows: Vantrel2.dll and the tests under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
BUILD="$ROOT/build/windows"
source scripts/wine-session.sh
start_xvfb
wine_session_start
ctest --preset windows
