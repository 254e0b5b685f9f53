# Sourced by the scripts that build and run Windows programs: a lock on each
# build folder they use, one X server (the user's display, or a private Xvfb)
# and one wineserver for the whole run, in the build's private prefix.
#
#   session_lock <folder>...   before building: refuses, saying why, while
#                              another run uses one of the folders (a folder
#                              named twice is locked once)
#   wine_session_start         needs BUILD (a configured Windows build folder)
#   wine_run <program> <args>  starts a program under that build's Wine
#   start_xvfb                 a private X server for the run (before
#                              wine_session_start)
#
# Whatever way the script ends (an error, Ctrl-C, a signal), the run leaves
# no Xvfb, wineserver, Wine program, lock or changed prefix setting behind;
# what a killed run could not clean up, the next run in the folder does.

session_cleanups=()
session_locks=()
session_lock_fds=()

# session_at_exit <command>: run at exit, the last registered first.
session_at_exit() { session_cleanups=("$1" "${session_cleanups[@]}"); }

session_exit() {
    local command
    for command in "${session_cleanups[@]}"; do eval "$command" >/dev/null 2>&1 || true; done
    session_cleanups=()
}

# Each folder's lock is a flock on a file in it, held through an open
# descriptor until this shell ends, however it ends. The file also names the
# process that holds it, for the message of a run that finds it taken.
session_lock() {
    local folder lock fd owner
    if [ ${#session_locks[@]} -eq 0 ]; then
        trap session_exit EXIT
        trap 'exit 129' HUP
        trap 'exit 130' INT
        trap 'exit 143' TERM
    fi
    for folder in "$@"; do
        mkdir -p "$folder"
        lock="$(realpath "$folder")/.vantrel2-run.lock"
        [[ " ${session_locks[*]} " == *" $lock "* ]] && continue  # held by this run already
        exec {fd}>>"$lock"
        if ! flock -n "$fd"; then
            exec {fd}>&-
            # The holder writes its number just after taking the lock.
            for _ in $(seq 20); do
                owner="$(cat "$lock" 2>/dev/null || true)"
                [ -n "$owner" ] && kill -0 "$owner" 2>/dev/null && break
                owner=""
                sleep 0.1
            done
            echo "another run${owner:+ (process $owner)} is using $folder; wait for it to end" \
                "or give this run another build folder" >&2
            return 1
        fi
        echo $$ >"$lock"
        session_locks+=("$lock")
        session_lock_fds+=("$fd")
    done
}

# Programs that can outlive the run (Xvfb, wineserver, Wine's services)
# start without this run's lock descriptors: holding one, they would keep
# the folder locked after a killed run.
#   close_locks                closes them in the calling (sub)shell
#   unlocked <command>...      runs a command without them
close_locks() {
    local fd
    for fd in "${session_lock_fds[@]}"; do eval "exec $fd>&-"; done
}
unlocked() (
    close_locks
    exec "$@"
)

wine_run() { unlocked "$BUILD/wine-run.sh" "$@"; }

# Prefix settings that a run changes for a while (the screenshots' DPI) are
# marked in the prefix first, so that a run killed before it could put them
# back is mended by the next one.
dpi_marker() { echo "$WINEPREFIX/.vantrel2-dpi-changed"; }

set_dpi() {
    touch "$(dpi_marker)"
    wine_run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        </dev/null >/dev/null 2>&1
}

reset_dpi() {
    [ -f "$(dpi_marker)" ] || return 0
    wine_run reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1 || true
    wine_run reg delete 'HKCU\Software\Wine\Fonts' /v LogPixels /f </dev/null >/dev/null 2>&1 || true
    rm -f "$(dpi_marker)"
}

# start_xvfb: a private X server on a display it picks itself (no two runs
# can take the same one), whatever DISPLAY says. As with xvfb-run, only
# clients that hold this run's random cookie may connect to it.
# Not xvfb-run itself: it keeps the server only for the one command it runs,
# where a run needs it across several (Wine, ctest, screenshots, the
# benchmark's CPU figures of the server's own process).
start_xvfb() {
    local pid_file="$BUILD/.vantrel2-xvfb.pid" ready stale pid n cookie
    stale="$(cat "$pid_file" 2>/dev/null || true)"
    if [ -n "$stale" ] && [ "$(cat "/proc/$stale/comm" 2>/dev/null)" = Xvfb ]; then
        kill "$stale" 2>/dev/null || true
    fi
    export XAUTHORITY="$BUILD/.vantrel2-xauthority"
    rm -f "$XAUTHORITY"
    cookie="$(mcookie)"
    # The server takes every cookie in the file, whatever display it names;
    # clients look one up by display, so it is added again once that is known.
    (umask 077 && xauth -q -f "$XAUTHORITY" add :0 . "$cookie" 2>/dev/null)
    ready="$(mktemp)"
    # In the background job itself, so that $! is the server's process.
    {
        close_locks
        exec Xvfb -displayfd 3 -auth "$XAUTHORITY" -screen 0 1280x1024x24 -nolisten tcp
    } 3>"$ready" >/dev/null 2>&1 &
    pid=$!
    echo "$pid" >"$pid_file"
    session_at_exit "kill $pid; rm -f '$pid_file' '$XAUTHORITY'"
    for _ in $(seq 100); do
        n="$(cat "$ready")"
        if [ -n "$n" ]; then
            rm -f "$ready"
            xauth -q -f "$XAUTHORITY" add ":$n" . "$cookie"
            export DISPLAY=":$n"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$ready"
    echo "could not start Xvfb" >&2
    return 1
}

wine_session_start() {
    local log
    # shellcheck source=/dev/null
    source "$BUILD/wine-env.sh"
    mkdir -p "$WINEPREFIX"
    # This run holds the folder's lock, so a server still running for the
    # prefix was left by a run that was killed.
    unlocked wineserver -k >/dev/null 2>&1 || true
    unlocked wineserver -w >/dev/null 2>&1 || true
    unlocked wineserver -p
    session_at_exit "unlocked wineserver -k; unlocked wineserver -w"
    # Warm up (and on the first run create the prefix) outside any test
    # runner, so that Wine's services do not inherit its pipes.
    log="$BUILD/wine-start.log"
    if ! wine_run cmd /c exit </dev/null >"$log" 2>&1; then
        echo "Wine could not start in $WINEPREFIX:" >&2
        tail -n 20 "$log" >&2
        return 1
    fi
    reset_dpi
    session_at_exit reset_dpi
    # Prefix settings, applied once per prefix (the stamp names their set).
    local stamp="$WINEPREFIX/.vantrel2-settings-3"
    if [ ! -f "$stamp" ]; then
        # The dialog asks for Meiryo UI; here that lands on a real Japanese
        # proportional face of similar width.
        wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Meiryo UI' \
            /d 'IPAPGothic' /f </dev/null >/dev/null
        # Every window inside one virtual desktop: no window manager is
        # needed, title bars are drawn, and windows close without waiting
        # on the X server (about ten times faster under Xvfb).
        wine_run reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
            </dev/null >/dev/null
        wine_run reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f \
            </dev/null >/dev/null
        # Wine draws the caption buttons with Marlett, which this packaging
        # keeps outside the prefix's font folder: without it they show as
        # the letters 0 1 r.
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        wine_run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
            /v 'Marlett (TrueType)' /d marlett.ttf /f </dev/null >/dev/null
        touch "$stamp"
        # The desktop the warm-up started predates these settings (on a new
        # prefix every window would wait on the X server, a second or two a
        # show): start Wine again, and the settings with it.
        unlocked wineserver -k >/dev/null 2>&1 || true
        unlocked wineserver -w >/dev/null 2>&1 || true
        unlocked wineserver -p
        wine_run cmd /c exit </dev/null >>"$log" 2>&1
    fi
}
