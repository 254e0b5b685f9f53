#!/usr/bin/env bash
# Installs the release zip into a host folder under Wine with its own
# install.cmd, checks the registration and the message, uninstalls it with
# uninstall.cmd and checks that the registry is as before. Wine's whoami
# prints no groups: the scripts' elevation check reads those of a stand-in,
# put in its place for this run, at the integrity level the test chooses.
# Usage: install_uninstall_test.sh <Vantrel2.dll> <version> <wine-run wrapper>
#                                  <Vantrel2.wxs> <build-time file> <fake whoami.exe>
set -euo pipefail
DLL="$1" VERSION="$2" WINE="$3" WXS="$4" BUILD_TIME="$5" FAKE_WHOAMI="$6"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="$(mktemp -d)"
HOST="$WORK/cad"
fail() { echo "FAIL: $*"; exit 1; }
winepath_of() { "$WINE" winepath -w "$1" </dev/null; }
# A run that stops half way leaves nothing registered for the next one.
cleanup() {
    [ -f "$HOST/Vantrel2.dll" ] &&
        "$WINE" regsvr32 /u /s "$(winepath_of "$HOST/Vantrel2.dll")" </dev/null >/dev/null 2>&1
    [ ! -f "$WORK/whoami.exe" ] || cp "$WORK/whoami.exe" "$WHOAMI"
    rm -rf "$WORK"
}
trap cleanup EXIT
WHOAMI="$(. "$(dirname "$WINE")/wine-env.sh" && echo "$WINEPREFIX")/drive_c/windows/system32/whoami.exe"
cp "$WHOAMI" "$WORK/whoami.exe" && cp "$FAKE_WHOAMI" "$WHOAMI"
export WINEDLLOVERRIDES="mscoree,mshtml=;whoami.exe=n"
HIGH=S-1-16-12288 MEDIUM=S-1-16-8192 SYSTEM=S-1-16-16384

ZIP="$(bash "$ROOT/packaging/make-release.sh" "$DLL" "$VERSION" "$WXS" "$BUILD_TIME" "$WORK/release" | sed -n 1p)"

mkdir -p "$HOST/sysinfo" "$HOST/sysdata"
(cd "$WORK" && cmake -E tar xf "$ZIP")
cp "$WORK"/Vantrel2-*/{Vantrel2.dll,install.cmd,uninstall.cmd} "$HOST/"
(cd "$WORK"/Vantrel2-* && sha256sum -c --quiet SHA256SUMS.txt) || fail "checksums"

dump() { "$WINE" regedit /e "$(winepath_of "$1")" 'HKEY_CLASSES_ROOT' </dev/null >/dev/null 2>&1; }
# What a script printed, whatever its exit code, so that a failure shows it;
# VANTREL2_TEST_INTEGRITY is the integrity level whoami reports (high).
run_cmd() {
    VANTREL2_TEST_INTEGRITY="${VANTREL2_TEST_INTEGRITY:-$HIGH}" "$WINE" cmd /c "$(winepath_of "$1")" \
        </dev/null 2>&1 | iconv -f CP932 -t UTF-8
}

dump "$WORK/before.reg"
[ -s "$WORK/before.reg" ] || fail "registry dump before"

out="$(VANTREL2_TEST_INTEGRITY=$MEDIUM run_cmd "$HOST/install.cmd")" || true
echo "$out"
grep -q '管理者として実行されていないため、何も変更しませんでした' <<<"$out" || fail "not elevated, yet no refusal"
"$WINE" reg query 'HKCR\Vantrel2.OrvaneVbCommand' </dev/null >/dev/null 2>&1 && fail "registered unelevated"

out="$(run_cmd "$HOST/install.cmd")" || true
echo "$out"
grep -q 'Vantrel2.dll を登録しました' <<<"$out" || fail "install message"
"$WINE" reg query 'HKCR\Vantrel2.OrvaneVbCommand\CLSID' </dev/null >/dev/null 2>&1 \
    || fail "ProgID not registered"

out="$(VANTREL2_TEST_INTEGRITY=$SYSTEM run_cmd "$HOST/uninstall.cmd")" || true
echo "$out"
grep -q '登録を解除しました' <<<"$out" || fail "uninstall message (as SYSTEM)"
if "$WINE" reg query 'HKCR\Vantrel2.OrvaneVbCommand' </dev/null >/dev/null 2>&1; then
    fail "ProgID still registered"
fi
dump "$WORK/after.reg"
cmp -s "$WORK/before.reg" "$WORK/after.reg" || fail "registry differs after uninstall"

# Started as Explorer starts it (cmd /c with the script's full path; Wine's
# cmd leaves CMDCMDLINE empty, so the wrapper sets it) the window waits for
# a key, and input from /dev/null ends the wait; started by a tool it does not.
PAUSE_PROMPT='続けるには何かキーを押して下さい'
grep -q "$PAUSE_PROMPT" <<<"$out" && fail "uninstall.cmd waited when started by a tool"
printf '@echo off\r\nset "CMDCMDLINE=C:\\windows\\system32\\cmd.exe /c ""%s" "\r\ncall "%s"\r\n' \
    "$(winepath_of "$HOST/uninstall.cmd")" "$(winepath_of "$HOST/uninstall.cmd")" >"$HOST/explorer.cmd"
out="$(run_cmd "$HOST/explorer.cmd")" || true
echo "$out"
grep -q "$PAUSE_PROMPT" <<<"$out" || fail "uninstall.cmd did not wait when started from Explorer"

# A deployment tool starts it as Explorer does (Wine's cmd takes CMDCMDLINE
# from the environment), with /unattended: it never waits for a key, and the
# tool gets the script's exit code.
unattended() {  # unattended <script> <argument> <expected exit code> [<integrity level>]
    local script status=0
    script="$(winepath_of "$HOST/$1")"
    CMDCMDLINE="C:\\windows\\system32\\cmd.exe /c \"\"$script\" $2\"" VANTREL2_TEST_INTEGRITY="${4:-$HIGH}" \
        "$WINE" cmd /c "$script" "$2" </dev/null >"$WORK/tool.out" 2>&1 || status=$?
    iconv -f CP932 -t UTF-8 "$WORK/tool.out" | tee "$WORK/tool.txt"
    [ "$status" = "$3" ] || fail "$1 $2 ended with $status, not $3"
    ! grep -q "$PAUSE_PROMPT" "$WORK/tool.txt" || fail "$1 $2 waited for a key"
}
unattended install.cmd /unattended 5 "$MEDIUM"
unattended install.cmd /unattended 0
"$WINE" reg query 'HKCR\Vantrel2.OrvaneVbCommand\CLSID' </dev/null >/dev/null 2>&1 || fail "not registered unattended"
unattended uninstall.cmd /unatended 87
unattended uninstall.cmd /unattended 0
! "$WINE" reg query 'HKCR\Vantrel2.OrvaneVbCommand' </dev/null >/dev/null 2>&1 || fail "registered after uninstall"

rm "$HOST/Vantrel2.dll"
out="$(run_cmd "$HOST/install.cmd")" || true
echo "$out"
grep -q 'Vantrel2.dll がないため' <<<"$out" || fail "missing-DLL message"
echo "1 passed, 0 failed"
