#!/usr/bin/env bash
# What the tests run of src/: the portable logic natively (GCC) and the
# Windows build under Wine, each built unoptimised with gcov's counters in
# its own folder (build/coverage-native, build/coverage-<preset>); every test
# run, then gcovr over both. Prints
#   lines: N %  functions: N %  branches: N %
# and the functions never run, then each block of ten or more lines never
# run; leaves gcovr's HTML report in build/coverage/index.html.
# A failing test is reported, not fatal: the coverage build's DLL is not the
# shipped one (its size, imports and bytes differ).
set -euo pipefail
source "$(dirname "$0")/start-up.sh"
cd "$ROOT"
bash scripts/setup.sh
PRESET="$(bash scripts/windows-preset.sh)"
BUILD="$ROOT/build/coverage-$PRESET"
NATIVE="$ROOT/build/coverage-native"
REPORT="$ROOT/build/coverage"
session_lock "$BUILD" "$NATIVE" "$REPORT"
if [ "$PRESET" = windows ]; then ARCH=i686; else ARCH=x86_64; fi
rm -rf "$REPORT" && mkdir -p "$REPORT"
# Counts from an earlier run would add up.
find "$BUILD" "$NATIVE" -name '*.gcda' -delete 2>/dev/null || true

echo "== coverage: native portable logic"
cmake -S "$ROOT" -B "$NATIVE" -DCMAKE_BUILD_TYPE=Debug -DVANTREL2_COVERAGE=ON \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build "$NATIVE" -j"$JOBS" --target portable_tests
ctest --test-dir "$NATIVE" -j"$JOBS" -R '^[A-Z]' --output-on-failure || echo "coverage: native tests failed"

echo "== coverage: the Windows build under Wine"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw-$ARCH.cmake" \
    -DCMAKE_BUILD_TYPE=Debug -DVANTREL2_COVERAGE=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS"
# The counters' files are named by the objects' Unix paths; a program whose
# current drive is not the Unix root would write them elsewhere, so the
# drive is given.
export GCOV_PREFIX=Z:
unlocked ctest --test-dir "$BUILD" --output-on-failure -E '^analysis\.' ||
    echo "coverage: Windows tests failed (above)"

echo "== coverage: gcovr"
# Notes of objects the build no longer makes (their source moved) would be
# read as the moved file's: only those of the compile commands are kept.
for build in "$NATIVE" "$BUILD"; do
    python3 - "$build" <<'PY'
import json, os, shlex, sys
build = sys.argv[1]
made = set()
for command in json.load(open(os.path.join(build, "compile_commands.json"))):
    words = shlex.split(command["command"])
    output = os.path.join(command["directory"], words[words.index("-o") + 1])
    made.add(os.path.splitext(os.path.normpath(output))[0])
for folder, _, files in os.walk(build):
    for name in files:
        if name.endswith(".gcno") and os.path.join(folder, name)[: -len(".gcno")] not in made:
            os.remove(os.path.join(folder, name))
PY
done
# The benchmark programs are no test's: what they make of src/'s templates
# (a hook's wrapper) is not counted as src/ never run.
# gcovr runs in the report folder: gcov leaves what it cannot tie to a source
# file in the working folder.
gcovr_run() { # gcovr_run <build> <gcov> <json>
    (cd "$REPORT" && gcovr --root "$ROOT" --filter "$ROOT/src/" --gcov-executable "$2" --exclude-throw-branches \
        --exclude-unreachable-branches --exclude-directories '.*/Vantrel(Start|Delete)Bench\.dir$' \
        --json "$3" "$1")
}
gcovr_run "$NATIVE" gcov "$REPORT/native.json"
gcovr_run "$BUILD" "$ARCH-w64-mingw32-gcov" "$REPORT/windows.json"
# The unprivileged session's counters are below its own folder
# (unprivileged_session.sh): read there, beside copies of their notes files.
UNPRIVILEGED="$BUILD/test-data/unprivileged/gcov/${BUILD#/}"
TRACES=(--add-tracefile "$REPORT/native.json" --add-tracefile "$REPORT/windows.json")
if [ -d "$UNPRIVILEGED" ]; then
    (cd "$UNPRIVILEGED" && find . -name '*.gcda' -print0 |
        while IFS= read -r -d '' counts; do cp "$BUILD/${counts%.gcda}.gcno" "${counts%.gcda}.gcno"; done)
    gcovr_run "$UNPRIVILEGED" "$ARCH-w64-mingw32-gcov" "$REPORT/unprivileged.json"
    TRACES+=(--add-tracefile "$REPORT/unprivileged.json")
else
    echo "coverage: no counters from the unprivileged session"
fi
gcovr --root "$ROOT" "${TRACES[@]}" --json "$REPORT/all.json" --html-details "$REPORT/index.html"
python3 - "$REPORT/all.json" "$ROOT/" <<'PY'
import json, sys
files = sorted(json.load(open(sys.argv[1]))["files"], key=lambda f: f["file"])
root = sys.argv[2]
def percent(hit, total):
    return f"{100.0 * hit / total:.1f}" if total else "100.0"
lines = [l for f in files for l in f["lines"] if not l.get("gcovr/noncode")]
branches = [b for l in lines for b in l.get("branches", [])]
functions = [(f["file"], fn) for f in files for fn in f["functions"]]
print(f"lines: {percent(sum(l['count'] > 0 for l in lines), len(lines))} %  "
      f"functions: {percent(sum(fn['execution_count'] > 0 for _, fn in functions), len(functions))} %  "
      f"branches: {percent(sum(b['count'] > 0 for b in branches), len(branches))} %")
print(f"({len(lines)} lines, {len(functions)} functions, {len(branches)} branches)")
print("functions never run:")
for name, fn in functions:
    if fn["execution_count"] == 0:
        print(f"  {name.replace(root, '')}:{fn['lineno']} {fn['name']}")
# A block: lines never run with no line run between them.
print("blocks of ten or more lines never run:")
for f in files:
    block = []
    for l in [l for l in f["lines"] if not l.get("gcovr/noncode")] + [{"count": 1}]:
        if l["count"] == 0:
            block.append(l["line_number"])
            continue
        if len(block) >= 10:
            print(f"  {f['file'].replace(root, '')}:{block[0]}-{block[-1]} ({len(block)} lines)")
        block = []
PY
