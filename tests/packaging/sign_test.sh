#!/usr/bin/env bash
# The release signed with a throwaway code-signing certificate: the DLL in
# the zip and in the MSI, and the MSI itself, verify against that
# certificate and not against another; test-signed releases are reproducible;
# one time-stamped by a local RFC 3161 server carries its countersignature
# and, signatures removed, the unsigned content; the password is on no
# command line and in no trace; a certificate with neither a server nor a
# test signature asked for, a signing setting without a certificate, or a
# failed signing, writes no release.
# Usage: sign_test.sh <Vantrel2.dll> <version> <Vantrel2.wxs> <build-time file>
set -euo pipefail
DLL="$(realpath "$1")" VERSION="$2" WXS="$(realpath "$3")" BUILD_TIME="$(realpath "$4")"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="$(mktemp -d)"
trap 'kill "$TSA_PID" 2>/dev/null; rm -rf "$WORK"' EXIT
cd "$WORK"
release() { bash "$ROOT/packaging/make-release.sh" "$DLL" "$VERSION" "$WXS" "$BUILD_TIME" "$1"; }
NAME="Vantrel2-$VERSION"

certificate() {  # certificate <name> [<extended key usage>]: <name>.pem and <name>.key
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantrel2 test $1" \
        -addext "extendedKeyUsage=${2:-codeSigning}" -keyout "$1.key" -out "$1.pem" 2>/dev/null
}
certificate signer
certificate stranger
certificate tsa critical,timeStamping
printf '[tsa]\ndefault_tsa = local\n[local]\nserial = %s/tsa.serial\nsigner_digest = sha256\n%s\n' "$WORK" \
    'default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
ess_cert_id_alg = sha256' >tsa.cnf
python3 "$ROOT/tests/packaging/tsa_responder.py" tsa.key tsa.pem tsa.cnf >tsa.port 2>tsa.log &
TSA_PID=$!
export VANTREL2_SIGN_PASSWORD="pw-$RANDOM-$RANDOM-secret"
openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.pfx \
    -passout env:VANTREL2_SIGN_PASSWORD
openssl pkcs12 -export -inkey signer.key -in signer.pem -out open.pfx -passout pass:
export VANTREL2_SIGN_PFX="$WORK/signer.pfx" VANTREL2_SIGN_TEST=1

# Every osslsigncode run goes through a wrapper that writes down its
# arguments, fails with a message of its own on a file named in FAIL_ON, and
# runs the binary OSSLSIGNCODE names (the machine's when unset).
MACHINE_OSSLSIGNCODE="$(command -v osslsigncode)"
echo "osslsigncode on this machine: $("$MACHINE_OSSLSIGNCODE" --version 2>&1 | head -1)"
mkdir bin
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>%s/argv.log\ncase "$*" in *"${FAIL_ON:-none}"*) echo "Refused by the test: $FAIL_ON"; exit 1;; esac\nexec "${OSSLSIGNCODE:-%s}" "$@"\n' \
    "$WORK" "$MACHINE_OSSLSIGNCODE" >bin/osslsigncode
chmod +x bin/osslsigncode
export PATH="$WORK/bin:$PATH"

failed=0
row() {  # row <case> <check>...: PASS when every check holds
    local name="$1"; shift
    if "$@" >"$WORK/row.log" 2>&1; then echo "PASS  $name"; sed -n 's/^NOTE  /      /p' "$WORK/row.log"; else
        echo "FAIL  $name"; sed 's/^/      /' "$WORK/row.log"; failed=$((failed + 1)); fi
}
verifies() {  # verifies <file> <signer's certificate>, and not against the stranger
    osslsigncode verify -CAfile "$2" -in "$1" | grep -q 'Subject: /CN=Vantrel2 test signer' &&
        ! osslsigncode verify -CAfile stranger.pem -in "$1" >/dev/null 2>&1
}
unpacked() {  # unpacked <release folder>: the DLL from the zip and from the MSI
    rm -rf zip msi && mkdir zip msi
    (cd zip && cmake -E tar xf "../$1/$NAME.zip") && msiextract -C msi "$1/$NAME.msi" >/dev/null &&
        cmp "zip/$NAME/Vantrel2.dll" "$(find msi -name Vantrel2.dll)"
}
no_release() {  # no_release <folder>: none of the three files, no temporary folder
    [ -z "$(ls -A "$1" 2>/dev/null)" ]
}

case_signed() {
    release signed >/dev/null && [ "$(grep -c '^sign ' argv.log)" = 2 ] &&
        ! grep -qF "$VANTREL2_SIGN_PASSWORD" argv.log && unpacked signed &&
        (cd "zip/$NAME" && sha256sum -c --quiet SHA256SUMS.txt) &&
        (cd signed && sha256sum -c --quiet SHA256SUMS.txt) && ! cmp -s "$DLL" "zip/$NAME/Vantrel2.dll" &&
        verifies "zip/$NAME/Vantrel2.dll" signer.pem && verifies "signed/$NAME.msi" signer.pem
}
stripped() {  # stripped <signed file> <out>: the file with its signature removed
    osslsigncode remove-signature -in "$1" -out "$2" >/dev/null
}
msi_content() {  # msi_content <msi> <folder>: its tables, streams and summary
    mkdir "$2" && (cd "$2" && msidump -s -t "$WORK/$1" >/dev/null)
}
# Time-stamped, the signatures differ from run to run; removed, they leave
# the unsigned build's DLL, and the zip and the MSI's content are those an
# unsigned release makes from the signed DLL.
case_timestamped() {
    for _ in $(seq 100); do [ -s tsa.port ] && break; sleep 0.1; done
    (unset VANTREL2_SIGN_TEST; VANTREL2_SIGN_TIMESTAMP="http://127.0.0.1:$(cat tsa.port)" release stamped) \
        >/dev/null && unpacked stamped && for file in "zip/$NAME/Vantrel2.dll" "stamped/$NAME.msi"; do
            osslsigncode verify -CAfile signer.pem -TSA-CAfile tsa.pem -in "$file" |
                grep -q '^Timestamp Server Signature verification: ok' || return 1
        done && stripped "zip/$NAME/Vantrel2.dll" stripped.dll && cmp stripped.dll "$DLL" &&
        (unset VANTREL2_SIGN_PFX VANTREL2_SIGN_PASSWORD; DLL="$WORK/zip/$NAME/Vantrel2.dll" release same) \
            >/dev/null && cmp "stamped/$NAME.zip" "same/$NAME.zip" && stripped "stamped/$NAME.msi" stripped.msi &&
        msi_content stripped.msi stripped && msi_content "same/$NAME.msi" same.msi && diff -r stripped same.msi
}
case_refused() {
    ! (unset VANTREL2_SIGN_TEST; release refused 2>refused.log) && no_release refused &&
        ! grep -q ' refused/' argv.log && grep -q 'VANTREL2_SIGN_TIMESTAMP.*VANTREL2_SIGN_TEST=1' refused.log
}
case_reproducible() {
    sleep 1.1 && release again >/dev/null &&
        for file in "$NAME.zip" "$NAME.msi" SHA256SUMS.txt; do cmp "signed/$file" "again/$file" || return 1; done
}
case_trace() {
    bash -x "$ROOT/packaging/make-release.sh" "$DLL" "$VERSION" "$WXS" "$BUILD_TIME" traced 2>trace.log &&
        grep -q osslsigncode trace.log && ! grep -qF "$VANTREL2_SIGN_PASSWORD" trace.log
}
case_no_certificate() {
    ! env -u VANTREL2_SIGN_PFX bash "$ROOT/packaging/make-release.sh" "$DLL" "$VERSION" "$WXS" \
        "$BUILD_TIME" nocert1 && no_release nocert1 &&
        ! env -u VANTREL2_SIGN_PFX -u VANTREL2_SIGN_PASSWORD VANTREL2_SIGN_TIMESTAMP=http://ts.invalid \
            bash "$ROOT/packaging/make-release.sh" "$DLL" "$VERSION" "$WXS" "$BUILD_TIME" nocert2 &&
        no_release nocert2
}
case_open_certificate() {
    env -u VANTREL2_SIGN_PASSWORD VANTREL2_SIGN_PFX="$WORK/open.pfx" bash "$ROOT/packaging/make-release.sh" \
        "$DLL" "$VERSION" "$WXS" "$BUILD_TIME" open >/dev/null && unpacked open &&
        verifies "open/$NAME.msi" signer.pem
}
case_failed_signing() {
    ! FAIL_ON="$NAME.msi" release failing 2>failing.log && no_release failing &&
        grep -q "could not sign $NAME.msi" failing.log && grep -q "Refused by the test: $NAME.msi" failing.log
}
# Debian 12's own osslsigncode, unpacked from its package (never installed),
# signs with the password, time-stamped.
case_debian12_osslsigncode() {
    local bin="$WORK/debian12/usr/bin/osslsigncode"
    (apt-get download -o APT::Sandbox::User=root osslsigncode=2.5-4 && dpkg -x osslsigncode_2.5-4_*.deb debian12) ||
        { echo "NOTE  skipped: Debian 12's osslsigncode 2.5 could not be downloaded"; return 0; }
    echo "NOTE  signed with $("$bin" --version | head -1)"
    (unset VANTREL2_SIGN_TEST; OSSLSIGNCODE="$bin" VANTREL2_SIGN_TIMESTAMP="http://127.0.0.1:$(cat tsa.port)" \
        release debian12/out) && unpacked debian12/out && for file in "zip/$NAME/Vantrel2.dll" "debian12/out/$NAME.msi"; do
        verifies "$file" signer.pem && osslsigncode verify -CAfile signer.pem -TSA-CAfile tsa.pem -in "$file" |
            grep -q '^Timestamp Server Signature verification: ok' || return 1; done
}

row "test signature asked for: written; zip's and MSI's DLL and the MSI verify against the signer only" case_signed
row "two test-signed releases of one build are byte-identical" case_reproducible
row "time-stamped by the local responder: the signature carries the countersignature; content equal to the unsigned build" case_timestamped
row "certificate without time-stamp server: refused, nothing written" case_refused
row "the password is in no bash -x trace" case_trace
row "password or time-stamp server without certificate: error, nothing written" case_no_certificate
row "certificate without password signs" case_open_certificate
row "the MSI's signing fails: no release, no temporary folder; the file and the tool's message shown" case_failed_signing
row "Debian 12's osslsigncode 2.5 signs with the password, time-stamped" case_debian12_osslsigncode
[ "$failed" = 0 ] || { echo "$failed case(s) failed"; exit 1; }
