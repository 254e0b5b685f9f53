#!/usr/bin/env bash
# Runs every test: the portable logic natively under AddressSanitizer/UBSan
# with the fuzzers, then the Windows build under Wine through its CMake
# presets (a 64-bit build of the same tests where the machine runs no 32-bit
# code), ending with "windows: N passed, M failed, K skipped". Installs what
# is missing first. VANTREL2_BUILD picks the Windows build folder (see
# scripts/start-up.sh).
set -euo pipefail
source "$(dirname "$0")/start-up.sh"
cd "$ROOT"

echo "== windows: Vantrel2.dll and the tests, built for the Wine this machine runs"
start_up --lock-preset native --no-wine
shipped_status=0
if [ "$PRESET" != windows ]; then
    echo "== windows: Vantrel2.dll (32-bit, as shipped), its imports and PE header, the MSI's tables"
    shipped_dll_build
    # Read from the files alone: no Wine session.
    ctest --test-dir "$SHIPPED_BUILD" -R '^release\.(imports|pe_header|msi_tables)$' \
        -FA wine_session --output-on-failure || shipped_status=$?
fi

echo "== native: portable logic under ASan/UBSan, fuzzers, the scripts"
cmake --preset native >/dev/null
cmake --build --preset native -j"$JOBS"
ctest --preset native -j"$JOBS"

echo "== windows: the tests under Wine"
status=0
report="$BUILD/Testing/windows-junit.xml"
rm -f "$report"
unlocked ctest --preset "$PRESET" --test-dir "$BUILD" --output-junit "$report" || status=$?
# A test CTest did not start (its program missing, a fixture failed) failed.
python3 - "$report" <<'PY' || status=1
import sys, xml.etree.ElementTree as ElementTree
counts = {"passed": 0, "failed": 0, "skipped": 0}
for case in ElementTree.parse(sys.argv[1]).getroot().iter("testcase"):
    reason = case.find("skipped")
    reason = "" if reason is None else reason.get("message", "")
    if case.get("status") == "run":
        counts["passed"] += 1
    elif case.get("status") == "disabled" or reason.startswith(
            ("SKIP_REGULAR_EXPRESSION_MATCHED", "SKIP_RETURN_CODE=")):
        counts["skipped"] += 1
    else:
        counts["failed"] += 1
print("windows: {passed} passed, {failed} failed, {skipped} skipped".format(**counts))
sys.exit(counts["failed"] > 0 or counts["passed"] == 0)
PY
if [ "$PRESET" != windows ]; then
    echo "NOTE: this machine runs no 32-bit code. The shipped 32-bit Vantrel2.dll was built" \
        "but not run: the Windows tests above ran against the 64-bit build, and the release's" \
        "install tests (packaging.install_uninstall: the zip with the 32-bit regsvr32;" \
        "packaging.msi: the MSI with msiexec) did not run. Its imports and PE header, and" \
        "the tables of the MSI, were checked above."
fi
[ "$shipped_status" -eq 0 ] || {
    echo "the shipped DLL's imports or PE header, or the MSI's tables, failed" >&2; exit 1; }
exit "$status"
