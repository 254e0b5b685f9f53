#!/usr/bin/env bash
# Prints the CMake preset the Windows tests run in: "windows" (the 32-bit
# build, as shipped) where this machine runs 32-bit programs, "windows-x64"
# (the same code and tests built for 64-bit) where its kernel runs no 32-bit
# code. The answer comes from running a 32-bit program, so it is the same
# before and after Wine is installed: a minimal i386 Linux executable (93
# bytes, it only exits) is written out and started, in the first temporary
# folder that lets programs run (/tmp may be mounted noexec).
set -euo pipefail
for dir in "${TMPDIR:-/tmp}" /dev/shm /var/tmp "$HOME"; do
    probe="$(mktemp "$dir/.probe32.XXXXXX" 2>/dev/null)" || continue
    trap 'rm -f "$probe"' EXIT
    printf '#!/bin/sh\n' >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || { rm -f "$probe"; continue; }
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
    if "$probe" 2>/dev/null; then echo windows; else echo windows-x64; fi
    exit 0
done
echo "windows-preset.sh: no temporary folder lets programs run" >&2
exit 1
