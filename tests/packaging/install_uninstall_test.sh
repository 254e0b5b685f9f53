#!/usr/bin/env bash
# Installs the release zip into a host folder under Wine with its own
# install.cmd, checks the registration and the message, uninstalls it with
# uninstall.cmd and checks that the registry is as before.
# Usage: install_uninstall_test.sh <Vantrel2.dll> <version> <wine-run wrapper>
set -euo pipefail
DLL="$1" VERSION="$2" WINE="$3"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

ZIP="$(bash "$ROOT/packaging/make-release.sh" "$DLL" "$VERSION" "$WORK/release" | tail -1)"

HOST="$WORK/cad"
mkdir -p "$HOST/sysinfo" "$HOST/sysdata"
(cd "$WORK" && cmake -E tar xf "$ZIP")
cp "$WORK"/Vantrel2-*/{Vantrel2.dll,install.cmd,uninstall.cmd} "$HOST/"
(cd "$WORK"/Vantrel2-* && sha256sum -c --quiet SHA256SUMS.txt) || fail "checksums"

dump() { "$WINE" regedit /e "$(winepath_of "$1")" 'HKEY_CLASSES_ROOT' </dev/null >/dev/null 2>&1; }
winepath_of() { echo "Z:${1//\//\\}"; }
sjis() { iconv -f CP932 -t UTF-8; }

dump "$WORK/before.reg"
[ -s "$WORK/before.reg" ] || fail "registry dump before"

out="$("$WINE" cmd /c "$(winepath_of "$HOST/install.cmd")" </dev/null 2>/dev/null | sjis)"
echo "$out"
grep -q 'Vantrel2.dll を登録しました' <<<"$out" || fail "install message"
"$WINE" reg query 'HKCR\Vantrel2.OrvaneVbCommand\CLSID' </dev/null >/dev/null 2>&1 \
    || fail "ProgID not registered"

out="$("$WINE" cmd /c "$(winepath_of "$HOST/uninstall.cmd")" </dev/null 2>/dev/null | sjis)"
echo "$out"
grep -q '登録を解除しました' <<<"$out" || fail "uninstall message"
if "$WINE" reg query 'HKCR\Vantrel2.OrvaneVbCommand' </dev/null >/dev/null 2>&1; then
    fail "ProgID still registered"
fi
dump "$WORK/after.reg"
cmp -s "$WORK/before.reg" "$WORK/after.reg" || fail "registry differs after uninstall"

rm "$HOST/Vantrel2.dll"
out="$("$WINE" cmd /c "$(winepath_of "$HOST/install.cmd")" </dev/null 2>/dev/null | sjis)" || true
grep -q 'Vantrel2.dll が見つかりません' <<<"$out" || fail "missing-DLL message"
echo "1 passed, 0 failed"
