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
dpkg -s libgtest-dev >/dev/null 2>&1 || needed+=(libgtest-dev)
dpkg -s libclang-rt-14-dev >/dev/null 2>&1 || needed+=(libclang-rt-14-dev)

if [ ${#needed[@]} -gt 0 ]; then
    echo "setup: installing ${needed[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${needed[@]}" \
        >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    sed -i 's/^# *ja_JP.UTF-8/ja_JP.UTF-8/' /etc/locale.gen
    grep -q '^ja_JP.UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
    locale-gen >/dev/null
fi

# Some virtual machines run no 32-bit x86 code natively (exec format error):
# Wine's 32-bit loader then runs under qemu's user-mode emulation, which the
# kernel's binfmt_misc starts for every 32-bit program. Slower, but the same
# Wine.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    if ! command -v qemu-i386 >/dev/null; then
        echo "setup: this machine runs no 32-bit code; installing qemu-user for Wine"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-user \
            >/dev/null
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
    if [ ! -e "$binfmt/qemu-i386" ]; then
        magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
        mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
        echo ":qemu-i386:M::$magic:$mask:$(command -v qemu-i386):POCF" >"$binfmt/register"
    fi
    /usr/lib/wine/wine --version >/dev/null 2>&1 || { echo "setup: Wine cannot run here" >&2; exit 1; }
fi
