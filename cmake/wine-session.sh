#!/usr/bin/env bash
# A Windows build's Wine session: one X server (a private Xvfb, or the user's
# display) and one wineserver in the build's private prefix, kept for a whole
# run: CTest's wine_session fixture, or a script.
#
#   wine-session.sh start <build> [--user-display]
#       returns once the session is up, or fails saying why (another run
#       holds the folder, Wine could not start). Wine programs find the X
#       server through <build>/wine-session.env, which wine-run.sh reads.
#   wine-session.sh stop <build>
#       ends the session its caller started, and waits until it is gone.
#
# The session is kept by a process of its own, outside the caller's pipes
# (a runner waiting for them to close would wait for Wine's services and the
# X server). It holds the folder's lock unless the caller's run does, and
# ends with its caller however that ended; what a killed session left (Xvfb,
# wineserver, a changed prefix setting), the next one in the folder mends.
# Sourced by the scripts, it gives session_lock, unlocked and set_dpi.

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

# session_lock <folder>...: refuses, saying why, while another run uses one
# of the folders (a folder named twice is locked once). Each lock is a flock
# on a file in the folder, held through an open descriptor until this shell
# ends, however it ends. The file also names the process that holds it, for
# the message of a run that finds it taken.
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
        [[ " ${session_locks[*]} " == *" $lock "* ]] && continue # held by this run already
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
        # A session started from within this run (its ctest) uses this lock.
        export VANTREL2_LOCK_OWNER=$$
        session_locks+=("$lock")
        session_lock_fds+=("$fd")
    done
}

# Programs that can outlive the run (the session's keeper, Xvfb,
# wineserver) start without this run's lock descriptors: holding one, they
# would keep the folder locked after a killed run.
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
# back is mended by the next session.
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

display_usable() {
    [ -n "${DISPLAY:-}" ] || return 1
    if command -v xdpyinfo >/dev/null; then
        timeout 5 xdpyinfo >/dev/null 2>&1
    else
        timeout 5 import -window root -crop 1x1+0+0 null: >/dev/null 2>&1
    fi
}

# start_xvfb: a private X server on a display it picks itself (no two runs
# can take the same one). As with xvfb-run, only clients that hold this
# run's random cookie may connect to it.
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

restart_wineserver() {
    # The session holds the folder, so a server still running for the prefix
    # was left by a killed run or by a program started before the session.
    unlocked wineserver -k >/dev/null 2>&1 || true
    unlocked wineserver -w >/dev/null 2>&1 || true
    unlocked wineserver -p
}

wine_session_start() {
    local log="$BUILD/wine-start.log"
    mkdir -p "$WINEPREFIX"
    restart_wineserver
    session_at_exit "unlocked wineserver -k; unlocked wineserver -w"
    # On the first run this creates the prefix.
    if ! wine_run cmd /c exit </dev/null >"$log" 2>&1; then
        echo "Wine could not start in $WINEPREFIX:" >&2
        tail -n 20 "$log" >&2
        return 1
    fi
    reset_dpi
    session_at_exit reset_dpi
    # Prefix settings, applied once per prefix (the stamp names their set).
    local stamp="$WINEPREFIX/.vantrel2-settings-3"
    [ ! -f "$stamp" ] || return 0
    # The dialog asks for Meiryo UI; here that lands on a real Japanese
    # proportional face of similar width.
    wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Meiryo UI' \
        /d 'IPAPGothic' /f </dev/null >/dev/null
    # Every window inside one virtual desktop: no window manager is needed,
    # title bars are drawn, and windows close without waiting on the X
    # server (about ten times faster under Xvfb).
    wine_run reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null
    wine_run reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f \
        </dev/null >/dev/null
    # Wine draws the caption buttons with Marlett, which this packaging keeps
    # outside the prefix's font folder: without it they show as 0 1 r.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    wine_run reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' \
        /v 'Marlett (TrueType)' /d marlett.ttf /f </dev/null >/dev/null
    touch "$stamp"
    # The desktop the warm-up started predates these settings (on a new
    # prefix every window would wait on the X server): start Wine again.
    restart_wineserver
    wine_run cmd /c exit </dev/null >>"$log" 2>&1
}

# session_up <display>: the X server, the file that names it, then Wine.
session_up() {
    local private=no
    # shellcheck source=/dev/null
    source "$BUILD/wine-env.sh"
    if [ "$1" = private ] || ! display_usable; then
        start_xvfb || return 1
        private=yes
    fi
    {
        echo "export DISPLAY=$(printf %q "$DISPLAY")"
        [ -z "${XAUTHORITY:-}" ] || echo "export XAUTHORITY=$(printf %q "$XAUTHORITY")"
        echo "VANTREL2_PRIVATE_DISPLAY=$private"
    } >"$BUILD/wine-session.env"
    wine_session_start
}

# keep <build> <owner> <display> <lock> <report>: the session's own process.
keep() {
    local owner="$2" display="$3" lock="$4" report="$5" fd
    BUILD="$1"
    # Descriptors inherited from the caller (its pipes, its run's lock) go.
    for fd in /proc/$$/fd/*; do
        fd="${fd##*/}"
        [ "$fd" -gt 2 ] && [ "$fd" != 255 ] && eval "exec $fd>&-" 2>/dev/null
    done
    trap session_exit EXIT
    trap 'exit 143' TERM
    if [ "$lock" = self ]; then
        session_lock "$BUILD" 2>"$report" || exit 1
    fi
    echo "$$ $owner" >"$BUILD/.vantrel2-session"
    session_at_exit "rm -f '$BUILD/.vantrel2-session' '$BUILD/wine-session.env'"
    session_up "$display" 2>"$report" || exit 1
    echo ready >"$report"
    while kill -0 "$owner" 2>/dev/null; do
        sleep 1 &
        wait $!
    done
}

session_start() {
    local build display=private lock=self report keeper
    build="$(realpath "$1")"
    [ "${2:-}" = --user-display ] && display=user
    # Taken by the run that started this one (scripts/test.sh around ctest).
    if ! flock -n "$build/.vantrel2-run.lock" true 2>/dev/null &&
        [ "$(cat "$build/.vantrel2-run.lock")" = "${VANTREL2_LOCK_OWNER:-}" ]; then
        lock=caller
    fi
    report="$(mktemp)"
    setsid bash "${BASH_SOURCE[0]}" keep "$build" "$PPID" "$display" "$lock" "$report" \
        </dev/null >>"$build/wine-session.log" 2>&1 &
    keeper=$!
    # Creating a new prefix takes a minute or more on a busy machine.
    for _ in $(seq 6000); do
        if [ "$(cat "$report")" = ready ]; then
            rm -f "$report"
            return 0
        fi
        kill -0 "$keeper" 2>/dev/null || break
        sleep 0.1
    done
    cat "$report" >&2
    rm -f "$report"
    echo "the Wine session for $build did not start" >&2
    return 1
}

session_stop() {
    local build keeper owner
    build="$(realpath "$1")"
    read -r keeper owner <"$build/.vantrel2-session" 2>/dev/null || return 0
    # The session of another run (one that refused this one) stays.
    [ "$owner" = "$PPID" ] || return 0
    kill -TERM "$keeper" 2>/dev/null || return 0
    while [ -e "/proc/$keeper" ]; do sleep 0.1; done
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    set -uo pipefail
    case "${1:-}" in
        start) session_start "${@:2}" ;;
        stop) session_stop "${@:2}" ;;
        keep) keep "${@:2}" ;;
        *) echo "usage: wine-session.sh start|stop <build> [--user-display]" >&2; exit 2 ;;
    esac
fi
