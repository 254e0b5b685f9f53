#!/usr/bin/env bash
# The scripts' Wine plumbing for the 32-bit build, on any machine: the
# build's wine-env.sh and wine-run.sh generated for i686, stand-in `wine`
# and `wineserver` on PATH recording how they were called. Also the retry of
# tests whose Wine process died before they started.
#   wine_plumbing_test.sh <source folder>
set -euo pipefail
SRC="$1"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT
passes=0 failures=0
check() { # check <description> <command>...
    if "${@:2}"; then
        echo "ok: $1"; passes=$((passes + 1))
    else
        echo "FAIL: $1"; failures=$((failures + 1))
    fi
}

BUILD="$T/build"
cmake -DVANTREL2_POINTER_SIZE=4 -DVANTREL2_BINARY_DIR="$BUILD" -P "$SRC/cmake/windows-arch.cmake"
mkdir -p "$T/stand-in" "$BUILD/wineprefix"
touch "$BUILD/wineprefix/.vantrel2-settings-3"
# Each notes a run's lock it holds: one kept by a server would outlast a killed run.
cat >"$T/stand-in/wine" <<EOF
#!/bin/sh
echo "wine \$* [\$WINEARCH \$LANG]" >>"$T/calls"
! ls -l /proc/\$\$/fd | grep -q "$BUILD/.vantrel2-run" || echo "wine holds the lock" >>"$T/calls"
EOF
cat >"$T/stand-in/wineserver" <<EOF
#!/bin/sh
echo "wineserver \$*" >>"$T/calls"
! ls -l /proc/\$\$/fd | grep -q "$BUILD/.vantrel2-run" || echo "wineserver holds the lock" >>"$T/calls"
EOF
cat >"$T/stand-in/Xvfb" <<EOF
#!/bin/sh
echo "Xvfb \$*" >>"$T/calls"
echo \$\$ >"$T/xvfb.pid"
echo 99 >&3
exec sleep 30
EOF
chmod +x "$T/stand-in/wine" "$T/stand-in/wineserver" "$T/stand-in/Xvfb"
export PATH="$T/stand-in:$PATH"
session() { # session <commands>: one script run using the build folder
    timeout 30 bash -c "set -euo pipefail; BUILD='$BUILD'; source '$SRC/scripts/wine-session.sh'
                        session_lock \"\$BUILD\"; $1"
}

: >"$T/calls"
check "a session starts and runs a program" \
    session 'wine_session_start; wine_run VantrelHost.exe --cmdline 1; set_dpi 144'
check "the program ran under 32-bit Wine in the Japanese locale" \
    grep -qx 'wine VantrelHost.exe --cmdline 1 \[win32 ja_JP.UTF-8\]' "$T/calls"
check "the server was kept for the run and stopped at its end" \
    bash -c "grep -qx 'wineserver -p' '$T/calls' && tail -n 2 '$T/calls' | grep -qx 'wineserver -k'"
check "a changed DPI was put back at exit" grep -q 'wine reg delete .*LogPixels' "$T/calls"
check "neither Wine nor its server held the lock" bash -c "! grep -q 'holds the lock' '$T/calls'"
check "the run left its folder unlocked" flock -n "$BUILD/.vantrel2-run.lock" true

: >"$T/calls"
check "the caller picks the locale" \
    session 'export VANTREL2_LOCALE=en_US.UTF-8; wine_session_start; wine_run x.exe'
check "the program ran in that locale" grep -qx 'wine x.exe \[win32 en_US.UTF-8\]' "$T/calls"

: >"$T/calls"
check "a private X server starts on the display it picked" session 'start_xvfb; [ "$DISPLAY" = :99 ]'
check "it admits only holders of the run's cookie" grep -q -- '-auth .*/.vantrel2-xauthority ' "$T/calls"
stopped() { # stopped <pid>: within five seconds (a zombie is stopped)
    for _ in $(seq 50); do
        [[ "$(ps -o stat= -p "$1")" =~ ^(Z|$) ]] && return 0
        sleep 0.1
    done
    return 1
}
check "it was stopped at the run's end" stopped "$(cat "$T/xvfb.pid")"

hold() { # a run that holds the folder until it is killed
    rm -f "$BUILD/held"
    session 'echo $$ >"$BUILD/held"; exec sleep 20' >/dev/null 2>&1 &
    disown $!
    for _ in $(seq 100); do [ -s "$BUILD/held" ] && break; sleep 0.1; done
}
kill_held() { # the killed run is gone, its lock with it, once its process is
    kill -9 "$(cat "$BUILD/held")"
    while [ -e "/proc/$(cat "$BUILD/held")" ]; do sleep 0.01; done
}

# A second run while one is going says why it will not start and leaves the
# first one's server alone.
hold
: >"$T/calls"
refused=yes
session true 2>"$T/refused" && refused=no
check "a second run in the same folder is refused" test "$refused" = yes
check "it says why" grep -q "another run (process $(cat "$BUILD/held")) is using" "$T/refused"
check "it stopped no server" test ! -s "$T/calls"
kill_held
check "after that run is killed, the next one starts" session 'wine_session_start'

# Two runs started together where a killed run left its lock: one runs, the
# other names it. The winner waits (ten seconds at most) for the loser's word.
racer() { # racer <me> <other>
    session "echo \$\$ >'$T/won.$1'; for _ in \$(seq 200); do [ -s '$T/lost.$2' ] && break; sleep 0.05; done" \
        2>"$T/lost.$1"
}
races=0
for _ in $(seq 50); do
    rm -f "$T"/won.* "$T"/lost.*
    hold
    kill_held
    racer a b &
    racer b a &
    wait
    for won in a b; do
        lost=$([ $won = a ] && echo b || echo a)
        [ -s "$T/won.$won" ] && [ ! -e "$T/won.$lost" ] &&
            grep -q "another run (process $(cat "$T/won.$won")) is using" "$T/lost.$lost" &&
            races=$((races + 1))
    done
done
check "of two runs started together, one ran and one named it: $races times of 50" test "$races" = 50

# Two main-job runs in different build folders go side by side: each locks
# its own folder only, the shipped DLL's build inside it (cmake a stand-in).
mkdir -p "$T/no-cmake"
printf '#!/bin/sh\necho "cmake $*" >>"%s/cmake-calls"\n' "$T" >"$T/no-cmake/cmake"
chmod +x "$T/no-cmake/cmake"
main_job() { # main_job <folder>
    PATH="$T/no-cmake:$PATH" VANTREL2_BUILD="$1" timeout 60 bash -c "set -euo pipefail
        source '$SRC/scripts/start-up.sh'; start_up --no-wine; shipped_dll_build
        touch '$1/started'; sleep 3" >"$1.log" 2>&1
}
main_job "$T/one" &
main_job "$T/two" &
wait
check "two main-job runs in different folders both ran" test -e "$T/one/started" -a -e "$T/two/started"
check "each built the shipped DLL inside its own folder" \
    bash -c "grep -c -- '-B $T/\(one\|two\)' '$T/cmake-calls' | grep -qx 4"

# The retry: a test that died before starting runs once more; one that ran
# and failed does not. A test CTest could not start, or that the retry did
# not run (its program gone by then), is a failure.
P="$T/retry"
mkdir -p "$P"
printf '#!/bin/sh\nrm -f "$0"; exit 1\n' >"$P/gone"
chmod +x "$P/gone"
cat >"$P/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.25)
project(retry NONE)
enable_testing()
add_test(NAME Late.Starter COMMAND sh -c "[ -e '$P/tried' ] && echo 'Running main() from x' || { touch '$P/tried'; exit 1; }" --gtest_filter=x)
add_test(NAME Real.Failure COMMAND sh -c "echo 'Running main() from x'; exit 1" --gtest_filter=x)
add_test(NAME Fine.Test COMMAND sh -c "echo 'Running main() from x'" --gtest_filter=x)
add_test(NAME Not.Here COMMAND sh -c "echo 'Running main() from x'; echo SKIPPED" --gtest_filter=x)
set_tests_properties(Not.Here PROPERTIES SKIP_REGULAR_EXPRESSION SKIPPED)
add_test(NAME Never.Built COMMAND "$P/missing" --gtest_filter=x)
add_test(NAME Gone.Later COMMAND "$P/gone" --gtest_filter=x)
EOF
cmake -S "$P" -B "$P/build" >/dev/null
retry_status=0
bash "$SRC/scripts/ctest-retry.sh" "$P/build" >"$T/retry.txt" 2>&1 || retry_status=$?
check "two tests retried" grep -qx 'retried: 2' "$T/retry.txt"
check "the retried one passes; a real failure, a test not started, one the retry did not run fail" \
    grep -qx 'windows: 2 passed, 3 failed, 1 skipped' "$T/retry.txt"
check "the runner fails" test "$retry_status" -ne 0

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
