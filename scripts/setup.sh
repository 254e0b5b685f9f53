#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, as root. Costs
# nothing when everything is already there.
set -euo pipefail

needed=()
command -v i686-w64-mingw32-g++-posix >/dev/null || needed+=(g++-mingw-w64-i686)
command -v i686-w64-mingw32-widl >/dev/null || needed+=(mingw-w64-tools)
command -v wine >/dev/null || needed+=(wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || needed+=(wine32:i386)
[ -d /usr/include/wine/wine/windows ] || needed+=(libwine-dev)
command -v Xvfb >/dev/null || needed+=(xvfb)
command -v xauth >/dev/null || needed+=(xauth)
command -v locale-gen >/dev/null || needed+=(locales)
# A Japanese proportional face for the dialog, and Wine's own fonts (Marlett
# draws the caption buttons).
fc-list 2>/dev/null | grep "IPAPGothic" >/dev/null || needed+=(fonts-ipafont-gothic)
[ -f /usr/share/wine/fonts/marlett.ttf ] || needed+=(fonts-wine)
command -v import >/dev/null && import -version >/dev/null 2>&1 || needed+=(imagemagick)
command -v cmake >/dev/null || needed+=(cmake)
command -v clang++ >/dev/null || needed+=(clang)
[ -d /usr/src/googletest ] || needed+=(googletest)
# Where the kernel runs no 32-bit code (some virtual machines), the tests
# run as a 64-bit build under 64-bit Wine.
if [ "$(bash "$(dirname "$0")/windows-preset.sh")" = windows-x64 ]; then
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || needed+=(g++-mingw-w64-x86-64)
    [ -x /usr/lib/wine/wine64 ] || needed+=(wine64)
fi
dpkg -s libgtest-dev >/dev/null 2>&1 || needed+=(libgtest-dev)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || needed+=(libclang-rt-14-dev)
# The analysers of the test run (tests/analysis) and the coverage report
# (scripts/coverage.sh).
command -v clang-tidy-16 >/dev/null || needed+=(clang-tidy-16)
command -v cppcheck >/dev/null || needed+=(cppcheck)
command -v gcovr >/dev/null || needed+=(gcovr)
# The release: the MSI (wixl; msibuild and msiextract from msitools), the
# byte-level fix-ups (Python, standard library only), the optional
# signature, the tests' certificate.
command -v wixl >/dev/null || needed+=(wixl)
command -v msibuild >/dev/null || needed+=(msitools)
command -v python3 >/dev/null || needed+=(python3)
command -v osslsigncode >/dev/null || needed+=(osslsigncode)
command -v openssl >/dev/null || needed+=(openssl)

if [ ${#needed[@]} -gt 0 ]; then
    echo "setup: installing ${needed[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${needed[@]}" \
        >/dev/null
fi

# The Japanese locale gives Wine the code page the command is made for; the
# English one lets a test try it under code page 1252.
for loc in ja_JP en_US; do
    if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$"; then
        echo "setup: generating the $loc.UTF-8 locale"
        sed -i "s/^# *$loc.UTF-8/$loc.UTF-8/" /etc/locale.gen
        grep -q "^$loc.UTF-8" /etc/locale.gen || echo "$loc.UTF-8 UTF-8" >>/etc/locale.gen
        locale-gen >/dev/null
    fi
done
