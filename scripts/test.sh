#!/usr/bin/env bash
# Runs every test: the portable logic natively under AddressSanitizer/UBSan
# with the fuzzers, then the Windows build under Wine (Japanese code page,
# private Xvfb; a 64-bit build of the same tests where the machine runs no
# 32-bit code). Installs what is missing first.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash scripts/setup.sh
source scripts/wine-session.sh
source scripts/shipped-dll.sh
PRESET="$(bash scripts/windows-preset.sh)"
BUILD="$ROOT/build/$PRESET"
shipped_status=0
session_lock "$ROOT/build/native" "$SHIPPED_BUILD" "$BUILD"

echo "== native: portable logic under ASan/UBSan, fuzzers, the scripts"
cmake --preset native >/dev/null
cmake --build --preset native -j"$(nproc)"
ctest --preset native -j2

if [ "$PRESET" = windows ]; then
    echo "== windows: Vantrel2.dll and the tests under Wine"
    cmake --preset windows >/dev/null
    cmake --build --preset windows -j"$(nproc)"
else
    echo "== windows: Vantrel2.dll (32-bit, as shipped), its imports and PE header"
    shipped_dll_build
    ctest --test-dir "$SHIPPED_BUILD" -R '^release\.(imports|pe_header)$' --output-on-failure ||
        shipped_status=$?
    echo "== this machine runs no 32-bit code: the tests built for 64-bit, under 64-bit Wine"
    cmake --preset windows-x64 >/dev/null
    cmake --build --preset windows-x64 -j"$(nproc)"
fi
start_xvfb
wine_session_start
status=0
bash scripts/ctest-retry.sh "$BUILD" || status=$?
if [ "$PRESET" != windows ]; then
    echo "NOTE: this machine runs no 32-bit code. The shipped 32-bit Vantrel2.dll was built" \
        "but not run: the Windows tests above ran against the 64-bit build, and the release's" \
        "install tests (packaging.install_uninstall: the zip with the 32-bit regsvr32;" \
        "packaging.msi: the MSI with msiexec) did not run. Its imports and PE header were" \
        "checked above."
fi
[ "$shipped_status" -eq 0 ] || { echo "the shipped DLL's imports or PE header failed" >&2; exit 1; }
exit "$status"
