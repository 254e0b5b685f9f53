#!/usr/bin/env bash
# Prints the CMake preset the Windows tests run in: "windows" (the 32-bit
# build, as shipped) where this machine runs 32-bit programs, "windows-x64"
# (the same code and tests built for 64-bit) where its kernel runs no 32-bit
# code. The answer comes from running a 32-bit program, so it is the same
# before and after Wine is installed: a minimal i386 Linux executable (93
# bytes, it only exits) is written out and started.
set -euo pipefail
# In the build folder rather than /tmp, which may be mounted noexec.
mkdir -p "$(dirname "$0")/../build"
probe="$(mktemp "$(dirname "$0")/../build/.probe32.XXXXXX")"
trap 'rm -f "$probe"' EXIT
printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
chmod +x "$probe"
if "$probe" 2>/dev/null; then echo windows; else echo windows-x64; fi
