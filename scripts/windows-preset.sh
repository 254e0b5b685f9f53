#!/usr/bin/env bash
# Prints the CMake preset the Windows tests run in: "windows" (the 32-bit
# build, as shipped) where this machine runs 32-bit programs, "windows-x64"
# (the same code and tests built for 64-bit) where its kernel runs no 32-bit
# code. Before Wine is installed, a 32-bit program of the C library decides.
for probe in /usr/lib/wine/wine /lib/ld-linux.so.2; do
    if [ -e "$probe" ]; then
        if "$probe" --version >/dev/null 2>&1; then echo windows; else echo windows-x64; fi
        exit 0
    fi
done
# Nothing 32-bit to try yet: the kernel's own switch says.
if grep -q 'ia32_emulation=\(0\|off\|false\)' /proc/cmdline 2>/dev/null ||
   dmesg 2>/dev/null | grep -q '32-bit emulation disabled'; then
    echo windows-x64
else
    echo windows
fi
