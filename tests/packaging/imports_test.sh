#!/usr/bin/env bash
# The DLL runs on Windows 7 and later only if it imports nothing newer: every
# function it imports must be on the reviewed list, so that a new import is
# a decision (check the function's minimum Windows version, then add it).
# Some imports are refused even when listed: CryptoAPI (Crypt* functions,
# crypt32, bcrypt, ncrypt) loads provider DLLs, which the DLL must never do
# while the CAD's loader lock may be held.
# Usage: imports_test.sh <Vantrel2.dll> <objdump> [reviewed list]
# Without a list (a build that is not shipped), only the refusals apply.
set -euo pipefail
DLL="$1" OBJDUMP="$2" LIST="${3:-}"
imports() {
    "$OBJDUMP" -p "$DLL" | awk '
        /^[^\t]/ { dll = "" }
        /^\tDLL Name:/ { dll = toupper($3); next }
        dll && /^\t[0-9a-f]+\t/ && NF >= 3 { print dll "!" $3 }' | LC_ALL=C sort -u
}
found="$(imports)"
[ -n "$found" ] || { echo "FAIL: no imports read from $DLL"; exit 1; }
refused="$(echo "$found" | grep -E '^[^!]*CRYPT[^!]*!|!Crypt' || true)"
if [ -n "$refused" ]; then
    echo "FAIL: CryptoAPI imports, refused whatever the list says:"
    echo "$refused"
    exit 1
fi
if [ -z "$LIST" ]; then
    echo "$(echo "$found" | wc -l) imports, none refused"
    exit 0
fi
new="$(LC_ALL=C comm -23 <(echo "$found") <(grep -v '^#' "$LIST" | LC_ALL=C sort -u))"
echo "$(echo "$found" | wc -l) imports, all on the list: $([ -z "$new" ] && echo yes || echo no)"
if [ -n "$new" ]; then
    echo "FAIL: imports not on $(basename "$LIST"):"
    echo "$new"
    exit 1
fi
