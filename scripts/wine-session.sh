# Sourced by the scripts that run Windows programs: one X server (the user's
# display, or a private Xvfb) and one wineserver for the whole run, in the
# build's private prefix with the Japanese code page.
# Needs BUILD (a configured Windows build folder) set by the caller; `wine`
# is then that build's Wine (32-bit, or 64-bit for the 64-bit build).

source "$BUILD/wine-env.sh"
wine() { "$VANTREL2_WINE" "$@"; }

wine_session_pids=()

wine_session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    for pid in "${wine_session_pids[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
}

# start_xvfb: a private X server, whatever DISPLAY says.
start_xvfb() {
    local n
    for n in $(seq 91 120); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        wine_session_pids+=($!)
        export DISPLAY=":$n"
        for _ in $(seq 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && return 0
            sleep 0.1
        done
    done
    echo "could not start Xvfb" >&2
    return 1
}

wine_session_start() {
    trap wine_session_stop EXIT
    mkdir -p "$WINEPREFIX"
    wineserver -p
    # Warm up (and on the first run create the prefix) outside any test
    # runner, so that Wine's services do not inherit its pipes.
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    # Prefix settings, applied once per prefix (the stamp names their set).
    local stamp="$WINEPREFIX/.vantrel2-settings-3"
    if [ ! -f "$stamp" ]; then
        # The dialog asks for Meiryo UI; here that lands on a real Japanese
        # proportional face of similar width.
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Meiryo UI' \
            /d 'IPAPGothic' /f </dev/null >/dev/null 2>&1
        # Every window inside one virtual desktop: no window manager is
        # needed, title bars are drawn, and windows close without waiting
        # on the X server (about ten times faster under Xvfb).
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
            </dev/null >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f \
            </dev/null >/dev/null 2>&1
        # Wine draws the caption buttons with Marlett, which this packaging
        # keeps outside the prefix's font folder: without it they show as
        # the letters 0 1 r.
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
            /v 'Marlett (TrueType)' /d marlett.ttf /f </dev/null >/dev/null 2>&1
        touch "$stamp"
    fi
}
