#!/usr/bin/env bash
# The release signed with a throwaway code-signing certificate: the DLL in
# the zip and in the MSI, and the MSI itself, verify against that
# certificate and not against another; the password is on no command line.
# Usage: sign_test.sh <Vantrel2.dll> <version>
set -euo pipefail
DLL="$(realpath "$1")" VERSION="$2"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
fail() { echo "FAIL: $*"; exit 1; }

certificate() {  # certificate <name>: <name>.pem and <name>.key
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantrel2 test $1" \
        -addext extendedKeyUsage=codeSigning -keyout "$1.key" -out "$1.pem" 2>/dev/null
}
certificate signer
certificate stranger
export VANTREL2_SIGN_PASSWORD="pw-$RANDOM-$RANDOM-secret"
openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.pfx \
    -passout env:VANTREL2_SIGN_PASSWORD
export VANTREL2_SIGN_PFX="$WORK/signer.pfx"

# Every osslsigncode run goes through a wrapper that writes down its arguments.
mkdir bin
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>%s/argv.log\nexec %s "$@"\n' "$WORK" \
    "$(command -v osslsigncode)" >bin/osslsigncode
chmod +x bin/osslsigncode
PATH="$WORK/bin:$PATH" bash "$ROOT/packaging/make-release.sh" "$DLL" "$VERSION" release >/dev/null

[ "$(grep -c '^sign ' argv.log)" = 2 ] || fail "expected two signing runs: $(cat argv.log)"
! grep -qF "$VANTREL2_SIGN_PASSWORD" argv.log || fail "the password was on a command line"

mkdir zip msi
(cd zip && cmake -E tar xf "../release/Vantrel2-$VERSION.zip")
msiextract -C msi "release/Vantrel2-$VERSION.msi" >/dev/null
ZIPPED="zip/Vantrel2-$VERSION/Vantrel2.dll" PACKED="$(find msi -name Vantrel2.dll)"
cmp "$ZIPPED" "$PACKED" || fail "the zip and the MSI hold different DLLs"
(cd "zip/Vantrel2-$VERSION" && sha256sum -c --quiet SHA256SUMS.txt) || fail "zip checksums"
(cd release && sha256sum -c --quiet SHA256SUMS.txt) || fail "release checksums"
! cmp -s "$DLL" "$ZIPPED" || fail "the shipped DLL is not the signed one"

for file in "$ZIPPED" "release/Vantrel2-$VERSION.msi"; do
    osslsigncode verify -CAfile signer.pem -in "$file" >verify.log 2>&1 ||
        { cat verify.log; fail "$file does not verify"; }
    grep -q 'Subject: /CN=Vantrel2 test signer' verify.log || fail "$file: another signer"
    echo "verified: $(basename "$file"), signed by CN=Vantrel2 test signer"
    if osslsigncode verify -CAfile stranger.pem -in "$file" >/dev/null 2>&1; then
        fail "$file verifies against a certificate that did not sign it"
    fi
done
echo "1 passed, 0 failed"
