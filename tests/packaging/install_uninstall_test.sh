#!/usr/bin/env bash
# Installs the release zip into a host folder under Wine with its own
# install.cmd, checks the registration and the message, uninstalls it with
# uninstall.cmd and checks that the registry is as before.
# Usage: install_uninstall_test.sh <Vantrel2.dll> <version> <wine-run wrapper>
set -euo pipefail
DLL="$1" VERSION="$2" WINE="$3"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="$(mktemp -d)"
HOST="$WORK/cad"
fail() { echo "FAIL: $*"; exit 1; }
winepath_of() { "$WINE" winepath -w "$1" </dev/null; }
# A run that stops half way leaves nothing registered for the next one.
cleanup() {
    [ -f "$HOST/Vantrel2.dll" ] &&
        "$WINE" regsvr32 /u /s "$(winepath_of "$HOST/Vantrel2.dll")" </dev/null >/dev/null 2>&1
    rm -rf "$WORK"
}
trap cleanup EXIT

ZIP="$(bash "$ROOT/packaging/make-release.sh" "$DLL" "$VERSION" "$WORK/release" | head -1)"

mkdir -p "$HOST/sysinfo" "$HOST/sysdata"
(cd "$WORK" && cmake -E tar xf "$ZIP")
cp "$WORK"/Vantrel2-*/{Vantrel2.dll,install.cmd,uninstall.cmd} "$HOST/"
(cd "$WORK"/Vantrel2-* && sha256sum -c --quiet SHA256SUMS.txt) || fail "checksums"

dump() { "$WINE" regedit /e "$(winepath_of "$1")" 'HKEY_CLASSES_ROOT' </dev/null >/dev/null 2>&1; }
# What a script printed, whatever its exit code, so that a failure shows it.
run_cmd() { "$WINE" cmd /c "$(winepath_of "$1")" </dev/null 2>&1 | iconv -f CP932 -t UTF-8; }

dump "$WORK/before.reg"
[ -s "$WORK/before.reg" ] || fail "registry dump before"

out="$(run_cmd "$HOST/install.cmd")" || true
echo "$out"
grep -q 'Vantrel2.dll を登録しました' <<<"$out" || fail "install message"
"$WINE" reg query 'HKCR\Vantrel2.OrvaneVbCommand\CLSID' </dev/null >/dev/null 2>&1 \
    || fail "ProgID not registered"

out="$(run_cmd "$HOST/uninstall.cmd")" || true
echo "$out"
grep -q '登録を解除しました' <<<"$out" || fail "uninstall message"
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

rm "$HOST/Vantrel2.dll"
out="$(run_cmd "$HOST/install.cmd")" || true
echo "$out"
grep -q 'Vantrel2.dll が見つかりません' <<<"$out" || fail "missing-DLL message"
echo "1 passed, 0 failed"
