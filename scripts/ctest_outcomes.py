#!/usr/bin/env python3
"""Prints one line per test of a CTest run: its name and verdict.

    ctest_outcomes.py <JUnit report> <test list> [name ...]

The report is what `ctest --output-junit` wrote, the list what
`ctest --show-only=json-v1` printed for the same tests. The verdict is
"passed", "skipped" (disabled, or skipped by the test's own skip rule) or
"failed"; a test CTest did not start (its program missing, a fixture
failed ...) failed. "died" is a GoogleTest test that failed and whose
program printed no banner: its process died before the test began. With
names, exactly those tests are listed; one the report lacks did not run:
failed.
"""
import json
import sys
import xml.etree.ElementTree as ElementTree

SKIP_REASONS = ("SKIP_REGULAR_EXPRESSION_MATCHED", "SKIP_RETURN_CODE=")
BANNER = "Running main() from "


def verdict(case, gtest):
    status = case.get("status")
    if status == "run":
        return "passed"
    if status == "disabled":
        return "skipped"
    skipped = case.find("skipped")
    if status == "notrun":
        reason = "" if skipped is None else skipped.get("message", "")
        return "skipped" if reason.startswith(SKIP_REASONS) else "failed"
    return "died" if gtest and BANNER not in (case.findtext("system-out") or "") else "failed"


def main(report, test_list, *names):
    with open(test_list, encoding="utf-8") as listing:
        commands = {test["name"]: test.get("command", []) for test in json.load(listing)["tests"]}
    results = {}
    for case in ElementTree.parse(report).getroot().iter("testcase"):
        name = case.get("name")
        gtest = any(arg.startswith("--gtest_filter=") for arg in commands.get(name, []))
        results[name] = verdict(case, gtest)
    for name in names or results:
        print(f"{name}\t{results.get(name, 'failed')}")


if __name__ == "__main__":
    main(*sys.argv[1:])
