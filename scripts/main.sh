#!/usr/bin/env bash
# The main job: builds Vantrel2.dll with the stand-in host and its command
# library, sets up a sample host folder, and runs the command in the host.
# On a usable display the dialog appears there for you to use; without one
# it runs under a private Xvfb in Wine's virtual desktop, takes a screenshot
# of the dialog, closes it and says where the PNG is.
#
#   bash scripts/main.sh [--reset]
#
# --reset puts the sample host folder back to its first state (three sample
# target files, no kxSystem.ini). VANTREL2_BUILD picks another build folder
# (default build/windows, or build/windows-x64 where the machine runs no
# 32-bit code).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"

reset=0
for arg in "$@"; do
    case "$arg" in
        --reset) reset=1 ;;
        *) echo "usage: bash scripts/main.sh [--reset]" >&2; exit 2 ;;
    esac
done

bash scripts/setup.sh
PRESET="$(bash scripts/windows-preset.sh)"
BUILD="$(realpath -m "${VANTREL2_BUILD:-$ROOT/build/$PRESET}")"
cmake --preset "$PRESET" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target Vantrel2 VekCmdLib VantrelHost WindowCloser
BIN="$BUILD/bin"
DLL="$BIN/Vantrel2.dll"
echo "built: $DLL ($(stat -c %s "$DLL") bytes)"
file "$DLL" 2>/dev/null || true
OBJDUMP=i686-w64-mingw32-objdump
[ "$PRESET" = windows-x64 ] && OBJDUMP=x86_64-w64-mingw32-objdump
echo "exports:"; $OBJDUMP -p "$DLL" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] /  /p'
echo "imports:"; $OBJDUMP -p "$DLL" | sed -n 's/^\s*DLL Name: /  /p'

# The sample host folder: the DLL beside sysinfo\ and sysdata\, as the host
# installs it, with the stand-in host and its command library.
HOST="$BUILD/sample-host"
if [ "$reset" = 1 ] || [ ! -d "$HOST" ]; then
    rm -rf "$HOST"
    mkdir -p "$HOST/sysinfo" "$HOST/sysdata"
    printf '[History]\r\nFile1=C:\\drawings\\plan-a.drw\r\nFile2=C:\\drawings\\plan-b.drw\r\n' \
        >"$HOST/sysdata/FileOpenDlg.ini"
    printf '[Binder]\r\nName=sample binder\r\nCount=2\r\n' >"$HOST/sysinfo/BndAttrData.ini"
    printf '[Drawing]\r\nTitle=sample drawing\r\nScale=1/50\r\n' >"$HOST/sysinfo/DrwAttrData.ini"
    echo "sample host folder set up: $HOST"
fi
cp "$DLL" "$BIN/hostlib/VekCmdLib.dll" "$BIN/VantrelHost.exe" "$BIN/WindowCloser.exe" "$HOST/"

source scripts/wine-session.sh
export VEKCMDLIB_LOG="$HOST/VekCmdLib.log"
: >"$VEKCMDLIB_LOG"

display_usable() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null; then
        timeout 5 xdpyinfo >/dev/null 2>&1
    else
        timeout 5 import -window root -crop 1x1+0+0 null: >/dev/null 2>&1
    fi
}

cd "$HOST"
if display_usable; then
    wine_session_start
    echo "running the command on $DISPLAY: tick, execute or cancel in the dialog"
    wine VantrelHost.exe --dll Vantrel2.dll --cmdline 1 </dev/null | tr -d '\r'
else
    start_xvfb
    wine_session_start
    OUT="$HOST/host-output.txt"
    PNG="$BUILD/Vantrel2-dialog.png"
    rm -f "$PNG"
    wine explorer /desktop=shot,1024x768 VantrelHost.exe --dll Vantrel2.dll --cmdline 1 \
        </dev/null >"$OUT" 2>&1 &
    host_pid=$!
    if wine WindowCloser.exe wait --desktop shot --timeout 60 </dev/null | tr -d '\r'; then
        sleep 1  # let the dialog finish painting
        import -window root -crop 1024x768+0+0 +repage "$PNG"
        wine WindowCloser.exe close --desktop shot --timeout 20 </dev/null | tr -d '\r'
    else
        echo "the dialog did not appear" >&2
        exit 1
    fi
    wait "$host_pid" || true
    tr -d '\r' <"$OUT"
    [ -f "$PNG" ] && echo "screenshot: $PNG"
    # The same dialog at 120 and 144 dpi: Wine reads LogPixels when a
    # process starts; put it back afterwards.
    for dpi in 120 144; do
        shot="$BUILD/Vantrel2-dialog-${dpi}dpi.png"
        rm -f "$shot"
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
            </dev/null >/dev/null 2>&1
        wine explorer /desktop=shot$dpi,1024x768 VantrelHost.exe --dll Vantrel2.dll --cmdline 1 \
            </dev/null >/dev/null 2>&1 &
        host_pid=$!
        if wine WindowCloser.exe wait --desktop shot$dpi --timeout 60 </dev/null >/dev/null; then
            sleep 1
            import -window root -crop 1024x768+0+0 +repage "$shot"
            wine WindowCloser.exe close --desktop shot$dpi --timeout 20 </dev/null >/dev/null || true
        fi
        wait "$host_pid" || true
        wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1 || true
        wine reg delete 'HKCU\Software\Wine\Fonts' /v LogPixels /f </dev/null >/dev/null 2>&1 || true
        if [ -f "$shot" ]; then echo "screenshot at $dpi dpi: $shot"; else
            echo "the dialog did not appear at $dpi dpi" >&2; exit 1; fi
    done
fi
echo "host command library calls:"
tr -d '\r' <"$VEKCMDLIB_LOG" | sed 's/^/  /'
