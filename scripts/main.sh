#!/usr/bin/env bash
# The main job: builds Vantrel2.dll with the stand-in host and its command
# library, sets up a sample host folder (C:\CAD in Wine), and runs the
# command in the host. On a usable display the dialog appears there for you
# to use; without one it runs under a private Xvfb in Wine's virtual
# desktop, takes a screenshot of the dialog, closes it and says where the
# PNG is.
#
#   bash scripts/main.sh [--reset]
#
# --reset puts the sample host folder back to its first state (three sample
# target files, no kxSystem.ini). VANTREL2_BUILD picks another build folder
# (see scripts/start-up.sh). Exits non-zero, with the reason, when the
# command did not start and show its dialog as it should.
set -euo pipefail
source "$(dirname "$0")/start-up.sh"

reset=0
for arg in "$@"; do
    case "$arg" in
        --reset) reset=1 ;;
        *) echo "usage: bash scripts/main.sh [--reset]" >&2; exit 2 ;;
    esac
done

start_up --display Vantrel2 VekCmdLib VantrelHost WindowCloser
shipped_dll_build
echo "built: $SHIPPED_DLL ($(stat -c %s "$SHIPPED_DLL") bytes)"
file "$SHIPPED_DLL" 2>/dev/null || true
echo "exports:"; shipped_dll_exports | sed 's/^/  /'
echo "imports:"; shipped_dll_imports | sed 's/^/  /'
if [ "$PRESET" != windows ]; then
    echo "this machine runs no 32-bit code: the command runs here from the 64-bit build"
fi
BIN="$BUILD/bin"
DLL="$BIN/Vantrel2.dll"

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

export VEKCMDLIB_LOG="$HOST/VekCmdLib.log"
: >"$VEKCMDLIB_LOG"

# The host's own report decides: the start must have succeeded.
started() { grep -q '^VekProcStartCmd hr=0x00000000 nCode=1' "$1"; }
host_failed() {
    echo "the command did not start as it should; the host said:" >&2
    tr -d '\r' <"$1" >&2
    exit 1
}

# show_in_desktop <desktop> <output file> <screenshot>: runs the command in
# a virtual desktop of its own, photographs the dialog and closes it.
show_in_desktop() {
    local desktop="$1" out="$2" shot="$3" host_pid
    rm -f "$shot"
    wine_run explorer /desktop="$desktop",1024x768 'C:\CAD\VantrelHost.exe' --dll Vantrel2.dll --cmdline 1 \
        </dev/null >"$out" 2>&1 &
    host_pid=$!
    if ! wine_run WindowCloser.exe wait --desktop "$desktop" --timeout 60 </dev/null >/dev/null; then
        echo "the dialog did not appear in desktop $desktop" >&2
        kill "$host_pid" 2>/dev/null || true
        host_failed "$out"
    fi
    sleep 1  # let the dialog finish painting
    import -window root -crop 1024x768+0+0 +repage "$shot"
    wine_run WindowCloser.exe close --desktop "$desktop" --timeout 20 </dev/null >/dev/null ||
        { echo "the dialog did not close" >&2; exit 1; }
    wait "$host_pid" || true  # explorer's own exit code says nothing about the host
    started "$out" || host_failed "$out"
}

# In Wine the sample host folder is C:\CAD, where a CAD's own folder would be.
link_cad() {
    rm -f "$WINEPREFIX/drive_c/CAD"
    ln -s "$HOST" "$WINEPREFIX/drive_c/CAD"
}

cd "$HOST"
OUT="$HOST/host-output.txt"
link_cad
if [ "$PRIVATE_DISPLAY" = no ]; then
    echo "running the command on $DISPLAY: tick, execute or cancel in the dialog"
    wine_run 'C:\CAD\VantrelHost.exe' --dll Vantrel2.dll --cmdline 1 </dev/null >"$OUT" 2>&1 ||
        host_failed "$OUT"
    tr -d '\r' <"$OUT"
    started "$OUT" || host_failed "$OUT"
else
    show_in_desktop shot "$OUT" "$BUILD/Vantrel2-dialog.png"
    tr -d '\r' <"$OUT"
    echo "screenshot: $BUILD/Vantrel2-dialog.png"
    # The same dialog at 120 and 144 dpi: Wine reads LogPixels when a
    # process starts. Put back at exit whatever happens.
    for dpi in 120 144; do
        set_dpi "$dpi"
        show_in_desktop "shot$dpi" "$HOST/host-output-${dpi}dpi.txt" \
            "$BUILD/Vantrel2-dialog-${dpi}dpi.png"
        echo "screenshot at $dpi dpi: $BUILD/Vantrel2-dialog-${dpi}dpi.png"
    done
    reset_dpi
fi
echo "host command library calls:"
tr -d '\r' <"$VEKCMDLIB_LOG" | sed 's/^/  /'
