#!/usr/bin/env bash
# The Wine plumbing for the 32-bit build, on any machine: the build's
# wine-env.sh and wine-run.sh generated for i686, the session of
# cmake/wine-session.sh, stand-in `wine`, `wineserver` and `Xvfb` on PATH
# recording how they were called.
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
# Each notes a run's lock it holds (one kept by a server would outlast a
# killed run) and, as Wine's services do, leaves a process holding its
# output for a while. early.exe dies before its program starts the first
# time, as Wine very rarely lets one do.
cat >"$T/stand-in/wine" <<EOF
#!/bin/sh
echo "wine \$* [\$WINEARCH \$LANG \$DISPLAY]" >>"$T/calls"
! ls -l /proc/\$\$/fd | grep -q "$BUILD/.vantrel2-run" || echo "wine holds the lock" >>"$T/calls"
sleep 60 &
case "\$1" in
    early.exe) [ -e "$T/early" ] || { touch "$T/early"; exit 3; } ;;
    failing.exe) echo 'Running main() from x'; exit 1 ;;
    plain.exe) exit 3 ;;
esac
echo 'Running main() from x'
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
exec sleep 60
EOF
chmod +x "$T/stand-in/wine" "$T/stand-in/wineserver" "$T/stand-in/Xvfb"
export PATH="$T/stand-in:$PATH"
session() { # session <commands>: one script run holding the build folder
    timeout 30 bash -c "set -euo pipefail; BUILD='$BUILD'; source '$SRC/cmake/wine-session.sh'
                        session_lock \"\$BUILD\"; $1"
}
stopped() { # stopped <pid>: within five seconds (a zombie is stopped)
    for _ in $(seq 50); do
        [[ "$(ps -o stat= -p "$1")" =~ ^(Z|$) ]] && return 0
        sleep 0.1
    done
    return 1
}

# A test run as CTest runs one, under a script that holds the folder: the
# session's fixture, programs through the wrapper (one in another locale), a
# test that dies before its program starts, one that ran and failed. None may
# keep CTest waiting on the processes the stand-ins leave behind.
P="$T/ctest"
mkdir -p "$P"
cat >"$P/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.25)
project(plumbing NONE)
enable_testing()
add_test(NAME start COMMAND bash "$SRC/cmake/wine-session.sh" start "$BUILD")
add_test(NAME stop COMMAND bash "$SRC/cmake/wine-session.sh" stop "$BUILD")
set_tests_properties(start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(stop PROPERTIES FIXTURES_CLEANUP wine)
add_test(NAME host COMMAND "$BUILD/wine-run.sh" VantrelHost.exe --cmdline 1)
add_test(NAME locale COMMAND "$BUILD/wine-run.sh" x.exe)
set_tests_properties(locale PROPERTIES ENVIRONMENT VANTREL2_LOCALE=en_US.UTF-8)
add_test(NAME early COMMAND "$BUILD/wine-run.sh" early.exe --gtest_filter=x)
add_test(NAME failing COMMAND "$BUILD/wine-run.sh" failing.exe --gtest_filter=x)
add_test(NAME plain COMMAND "$BUILD/wine-run.sh" plain.exe)
set_tests_properties(host locale early failing plain PROPERTIES FIXTURES_REQUIRED wine)
EOF
cmake -S "$P" -B "$P/build" >/dev/null
: >"$T/calls"
SECONDS=0
session "unlocked ctest --test-dir '$P/build' --output-junit '$P/report.xml' >'$P/out' 2>&1" || true
check "the run ended without waiting on what Wine left running ($SECONDS s)" test "$SECONDS" -lt 20
check "the programs ran on the session's X server under 32-bit Wine, in the Japanese locale
unless the test names another" bash -c "grep -qx 'wine VantrelHost.exe --cmdline 1 \[win32 ja_JP.UTF-8 :99\]' \
    '$T/calls' && grep -qx 'wine x.exe \[win32 en_US.UTF-8 :99\]' '$T/calls'"
verdicts="$(python3 -c "import sys, xml.etree.ElementTree as E
print(' '.join(sorted(c.get('name') + '=' + c.get('status') for c in E.parse(sys.argv[1]).iter('testcase'))))" \
    "$P/report.xml"), started $(grep -c '^wine early.exe' "$T/calls") $(grep -c '^wine failing.exe' "$T/calls")"
check "a test whose program died before it started ran twice and passed; one that ran and failed
ran once; a program that is no test failed: $verdicts" test "$verdicts" = \
    "early=run failing=fail host=run locale=run plain=fail start=run stop=run, started 2 1"
check "the wineserver and the X server (which admits only holders of the run's cookie) were
kept for the session and stopped at its end" eval "grep -qx 'wineserver -p' '$T/calls' &&
    tail -n 2 '$T/calls' | grep -qx 'wineserver -k' && stopped $(cat "$T/xvfb.pid") &&
    grep -q -- '-auth .*/.vantrel2-xauthority ' '$T/calls'"
check "neither Wine nor its server held the lock" bash -c "! grep -q 'holds the lock' '$T/calls'"
check "the run left its folder unlocked" flock -n "$BUILD/.vantrel2-run.lock" true

: >"$T/calls"
# A session on its own (it takes the lock itself), its caller killed later.
bash -c "bash '$SRC/cmake/wine-session.sh' start '$BUILD' && touch '$T/up'; exec sleep 5" &
caller=$!
disown "$caller"
for _ in $(seq 100); do [ -e "$T/up" ] && break; sleep 0.1; done
check "a session on its own starts" test -e "$T/up"
check "a second session in the same folder is refused, saying why" bash -c "
    ! bash '$SRC/cmake/wine-session.sh' start '$BUILD' 2>'$T/refused' &&
    grep -q 'another run (process [0-9]*) is using' '$T/refused'"
keeper="$(cut -d' ' -f1 "$BUILD/.vantrel2-session")"
bash "$SRC/cmake/wine-session.sh" stop "$BUILD"
check "a session is only its own caller's to stop" kill -0 "$keeper"
bash -c "source '$SRC/cmake/wine-session.sh'; BUILD='$BUILD'; source '$BUILD/wine-env.sh'; set_dpi 144"
kill -9 "$caller"
check "a session ends when its caller is gone, however that ended: the DPI put back, the folder
free" eval "stopped $keeper && grep -q 'wine reg delete .*LogPixels' '$T/calls' &&
    flock -n '$BUILD/.vantrel2-run.lock' true"

# Two runs started together where a killed run left its lock file (its
# number, no pid can have): one runs, the other names it. The winner waits
# (ten seconds at most) for the loser's word.
racer() { # racer <me> <other>
    session "echo \$\$ >'$T/won.$1'; for _ in \$(seq 200); do [ -s '$T/lost.$2' ] && break; sleep 0.05; done" \
        2>"$T/lost.$1"
}
races=0
for _ in $(seq 50); do
    rm -f "$T"/won.* "$T"/lost.*
    echo 4194304 >"$BUILD/.vantrel2-run.lock"
    racer a b &
    racer b a &
    wait
    won="$(cd "$T" && echo won.*)"
    case "$won" in won.a) lost=b ;; won.b) lost=a ;; *) continue ;; esac
    grep -q "another run (process $(cat "$T/$won")) is using" "$T/lost.$lost" && races=$((races + 1))
done
check "of two runs started together, one ran and one named it: $races times of 50" test "$races" = 50

# Two main-job runs in different build folders go side by side: each locks
# its own folder only, the shipped DLL's build inside it (cmake a stand-in).
printf '#!/bin/sh\necho "cmake $*" >>"%s/cmake-calls"\n' "$T" >"$T/stand-in/cmake"
chmod +x "$T/stand-in/cmake"
main_job() { # main_job <folder>
    VANTREL2_BUILD="$1" timeout 60 bash -c "set -euo pipefail
        source '$SRC/scripts/start-up.sh'; start_up --no-wine; shipped_dll_build
        touch '$1/started'; sleep 3" >"$1.log" 2>&1
}
main_job "$T/one" &
main_job "$T/two" &
wait
check "two main-job runs in different folders both ran, each building the shipped DLL inside its
own folder" eval "test -e '$T/one/started' -a -e '$T/two/started' &&
    grep -c -- '-B $T/\(one\|two\)' '$T/cmake-calls' | grep -qx 4"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
