#!/usr/bin/env bash
# Runs a Windows build's tests once, then once more only those GoogleTest
# tests whose Wine process died before the test program started (no
# GoogleTest banner in the output: Wine very rarely loses a process that
# early). A test that ran and failed is never retried. Ends with the line
# "windows: N passed, M failed".
#   ctest-retry.sh <build folder> [ctest arguments]
set -uo pipefail
BUILD="$1"
shift
TEMP="$BUILD/Testing/Temporary"

# One line per test of the last run: name, verdict, whether it started.
outcomes() {
    awk '
        /^[0-9]+\/[0-9]+ Test: / { name = substr($0, index($0, ": ") + 2); gtest = 0; started = 0; passed = 0 }
        /^Command: .*--gtest_filter=/ { gtest = 1 }
        /^Running main\(\) from / { started = 1 }
        /^Test Passed\.$/ { passed = 1 }
        /^Test Pass Reason:$/ { passed = 1 }  # skipped (GTEST_SKIP), not failed
        /^"[^"]*" end time: / && name != "" {
            print name "\t" (passed ? "passed" : "failed") "\t" (started || !gtest ? "started" : "unstarted")
            name = ""
        }' "$TEMP/LastTest.log"
}

ctest --test-dir "$BUILD" --output-on-failure "$@"
outcomes >"$TEMP/first-run.tsv"
total=$(wc -l <"$TEMP/first-run.tsv")
mapfile -t retry < <(awk -F'\t' '$2 == "failed" && $3 == "unstarted" { print $1 }' "$TEMP/first-run.tsv")
failed=$(awk -F'\t' '$2 == "failed" && $3 == "started"' "$TEMP/first-run.tsv" | wc -l)

if [ ${#retry[@]} -gt 0 ]; then
    echo "retrying ${#retry[@]} test(s) whose Wine process died before the test program started:"
    printf '  %s\n' "${retry[@]}"
    pattern="^($(printf '%s\n' "${retry[@]}" | sed 's/[][\.*^$+?(){}|]/\\&/g' | paste -sd'|'))\$"
    ctest --test-dir "$BUILD" --output-on-failure -R "$pattern"
    failed=$((failed + $(outcomes | awk -F'\t' '$2 == "failed"' | wc -l)))
fi
echo "retried: ${#retry[@]}"
echo "windows: $((total - failed)) passed, $failed failed"
[ "$total" -gt 0 ] && [ "$failed" -eq 0 ]
