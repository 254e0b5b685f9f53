#!/usr/bin/env bash
# Runs a Windows build's tests once, then once more only those GoogleTest
# tests whose Wine process died before the test program started (no
# GoogleTest banner in the output: Wine very rarely loses a process that
# early). A test that ran and failed is never retried; one CTest could not
# start, or that the retry did not run, has failed. Ends with the line
# "windows: N passed, M failed, K skipped", and fails when a test failed or
# when ctest failed and no test says why.
#   ctest-retry.sh <build folder> [ctest arguments]
set -uo pipefail
BUILD="$(realpath "$1")"
shift
TEMP="$BUILD/Testing/Temporary"
mkdir -p "$TEMP"
HERE="$(dirname "$0")"

# run_ctest <name> [ctest arguments]: runs the tests, leaving <name>.tsv
# (one "name<TAB>verdict" line per test) and <name>.status, ctest's exit code.
run_ctest() {
    local name="$1" status=0
    shift
    rm -f "$TEMP/$name.xml"
    # The commands are listed first: a program that goes missing has none.
    ctest --test-dir "$BUILD" --show-only=json-v1 "$@" >"$TEMP/$name.json" || status=$?
    ctest --test-dir "$BUILD" --output-on-failure --output-junit "$TEMP/$name.xml" "$@" || status=$?
    echo "$status" >"$TEMP/$name.status"
    [ -f "$TEMP/$name.xml" ] &&
        python3 "$HERE/ctest_outcomes.py" "$TEMP/$name.xml" "$TEMP/$name.json" \
            "${retry[@]}" >"$TEMP/$name.tsv" ||
        { echo "ctest exited with $status and reported no results" >&2; exit 1; }
}
# unexplained <name>: ctest failed, yet every test it reported passed or was
# skipped.
unexplained() {
    [ "$(cat "$TEMP/$1.status")" -ne 0 ] &&
        ! awk -F'\t' '$2 == "failed" || $2 == "died" { f = 1 } END { exit !f }' "$TEMP/$1.tsv"
}

retry=()
run_ctest first-run "$@"
cp "$TEMP/first-run.tsv" "$TEMP/outcomes.tsv"
mapfile -t retry < <(awk -F'\t' '$2 == "died" { print $1 }' "$TEMP/first-run.tsv")
odd=()
unexplained first-run && odd+=("ctest exited with $(cat "$TEMP/first-run.status")")
if [ ${#retry[@]} -gt 0 ]; then
    echo "retrying ${#retry[@]} test(s) whose Wine process died before the test program started:"
    printf '  %s\n' "${retry[@]}"
    pattern="^($(printf '%s\n' "${retry[@]}" | sed 's/[][\.*^$+?(){}|]/\\&/g' | paste -sd'|'))\$"
    run_ctest retry -R "$pattern"
    unexplained retry && odd+=("the retry's ctest exited with $(cat "$TEMP/retry.status")")
    # The retry's verdicts replace the first run's; dying twice is failing.
    awk -F'\t' 'NR == FNR { again[$1] = ($2 == "died") ? "failed" : $2; next }
                { print $1 "\t" (($1 in again) ? again[$1] : $2) }' \
        "$TEMP/retry.tsv" "$TEMP/first-run.tsv" >"$TEMP/outcomes.tsv"
fi
count() { awk -F'\t' -v v="$1" '$2 == v' "$TEMP/outcomes.tsv" | wc -l; }
passed=$(count passed) failed=$(count failed) skipped=$(count skipped)
echo "retried: ${#retry[@]}"
echo "windows: $passed passed, $failed failed, $skipped skipped"
for reason in "${odd[@]}"; do echo "$reason, yet no test failed" >&2; done
[ "$passed" -gt 0 ] && [ "$failed" -eq 0 ] && [ ${#odd[@]} -eq 0 ]
