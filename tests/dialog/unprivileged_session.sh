#!/usr/bin/env bash
# Runs a test program as a CAD user without administrator rights meets the
# file system: in a Wine session of its own, as an unprivileged Unix user
# (root's override of file permissions gone, so that the folders' rights
# apply as they do on Windows), in a prefix that user owns, on folders below
# C:\cad that it may only pass through (pass: 0711, another owner's) or write
# and pass through without listing (write: 0300).
#   unprivileged_session.sh <build folder> <program.exe>
set -euo pipefail
build="$1"
program="$2"
user=65534
if [ "$(id -u)" -ne 0 ]; then
    echo "not run: only root can start a session as another user"
    exit 77
fi
top="$build/test-data/unprivileged"
source "$build/wine-env.sh"
as_user() {
    env -u DISPLAY -u XAUTHORITY HOME="$top/home" WINEPREFIX="$top/prefix" LANG=ja_JP.UTF-8 \
        LC_ALL=ja_JP.UTF-8 setpriv --reuid=$user --regid=$user --clear-groups -- "$@"
}
as_user wineserver -k >/dev/null 2>&1 || true
rm -rf "$top"
mkdir -p "$top/prefix" "$top/home"
chown $user:$user "$top/prefix" "$top/home"
# Under the coverage script's counters (GCOV_PREFIX set), their files go
# below a folder this user may write, where that script reads them.
if [ -n "${GCOV_PREFIX:-}" ]; then
    mkdir -p "$top/gcov"
    chown $user:$user "$top/gcov"
    export GCOV_PREFIX="Z:$top/gcov"
fi
cp "$program" "$top/test.exe"
chmod 0755 "$top" "$top/test.exe"
trap 'as_user wineserver -k >/dev/null 2>&1 || true' EXIT
if ! as_user "$VANTREL2_WINE" cmd /c exit </dev/null >"$top/start.log" 2>&1 ||
    ! as_user test -r "$top/test.exe"; then
    echo "an unprivileged Wine session could not start in $top (its folders must be passable by" \
        "uid $user):" >&2
    tail -n 20 "$top/start.log" >&2
    exit 1
fi

cad="$top/prefix/drive_c/cad"
mkdir -p "$cad/pass/sub" "$cad/pass/deep/er" "$cad/write"
for file in pass/sub/b.ini pass/sub/b-floor.ini pass/sub/c.ini pass/sub/c-floor.ini \
    pass/sub/p1.ini pass/sub/p2.ini     pass/deep/er/e.ini write/a.ini write/a-floor.ini write/keep.ini; do
    echo x >"$cad/$file"
done
mkdir -p "$cad/other"
echo x >"$cad/other/x.ini"
ln -s ../other "$cad/pass/elsewhere"
chown -R $user:$user "$cad"
# pass: only passed through; write: written and passed through, not listed.
chown root:root "$cad/pass" "$cad/pass/deep"
chmod 0711 "$cad/pass" "$cad/pass/deep"
chmod 0300 "$cad/write"
as_user "$VANTREL2_WINE" "$top/test.exe" </dev/null
