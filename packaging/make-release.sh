#!/usr/bin/env bash
# Builds the release beside each other in <output folder>:
#   Vantrel2-<version>.zip  the DLL, the Japanese install/uninstall scripts
#                           (Shift-JIS, CRLF, as cmd.exe reads them on Japanese
#                           Windows), the user guide (guide-ja.txt) and the
#                           administrators' guide (admin-guide-ja.txt), both
#                           UTF-8 with BOM and CRLF, and SHA256SUMS.txt of
#                           those files
#   Vantrel2-<version>.msi  the package for administrators (same DLL)
#   SHA256SUMS.txt          the zip and the MSI
# Usage: make-release.sh <Vantrel2.dll> <version> <Vantrel2.wxs> <build-time file> <output folder>
#        make-release.sh --check-signing   (only the signing settings' check below)
# The build's `release` target gives every argument: the WiX source with the
# identifiers filled in and the build time are the build's. PYTHON names the
# interpreter (python3 when unset).
#
# Everything is written in a temporary folder beside the output and moved
# into place only when every step has succeeded; a failed run leaves none of
# the three files. Two runs on the same commit give the same bytes: every time
# stored is the build time, and the MSI's codes come from its content.
#
# Signing, only when a certificate is given through the environment:
#   VANTREL2_SIGN_PFX        the PKCS#12 file with the code-signing key
#   VANTREL2_SIGN_PASSWORD   its password, if it has one (read by osslsigncode
#                            from a pipe: on no command line, in no trace)
#   VANTREL2_SIGN_TIMESTAMP  an RFC 3161 time-stamping server's URL: its
#                            countersignature keeps the signature valid after
#                            the certificate expires
#   VANTREL2_SIGN_TEST=1     without a server: a test signature, whose signing
#                            time is the build time (reproducible, but invalid
#                            once the certificate expires)
# A certificate with neither is refused, and so is a password or a server
# without a certificate, before anything is written. The DLL is signed before
# it goes into the zip and the MSI; the MSI is signed too. Signing needs
# osslsigncode 2.5 (Debian 12's own package) or newer.
set -euo pipefail
has_password() { [ -n "${VANTREL2_SIGN_PASSWORD:+set}" ]; }  # traced as "set", never the value
if [ -z "${VANTREL2_SIGN_PFX:-}" ] && { has_password || [ -n "${VANTREL2_SIGN_TIMESTAMP:-}" ]; }; then
    echo "make-release.sh: a signing password or time-stamp server is set, but no certificate" \
        "(VANTREL2_SIGN_PFX): nothing was written" >&2
    exit 2
fi
if [ -n "${VANTREL2_SIGN_PFX:-}" ] && [ -z "${VANTREL2_SIGN_TIMESTAMP:-}" ] &&
    [ "${VANTREL2_SIGN_TEST:-}" != 1 ]; then
    echo "make-release.sh: a signature without a time stamp is invalid once the certificate" \
        "expires: set VANTREL2_SIGN_TIMESTAMP to an RFC 3161 time-stamping server's URL, or" \
        "VANTREL2_SIGN_TEST=1 for a test signature; nothing was written" >&2
    exit 2
fi
[ "$*" != --check-signing ] || exit 0
[ $# = 5 ] || { sed -n 's/^# Usage: //p' "$0" >&2; exit 2; }
DLL="$1" VERSION="$2" WXS="$(realpath "$3")" EPOCH="$(cat "$4")" OUT="$5"
HERE="$(cd "$(dirname "$0")" && pwd)"
FIXUP="${PYTHON:-python3} $(dirname "$HERE")/cmake/fixup.py"
NAME="Vantrel2-$VERSION"

mkdir -p "$OUT"
rm -f "$OUT/$NAME.zip" "$OUT/$NAME.msi" "$OUT/SHA256SUMS.txt"
WORK="$(mktemp -d "$OUT/.partial.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
STAGE="$WORK/$NAME"
mkdir "$STAGE" "$WORK/msi"

sign() {  # sign <file>: signs it in place
    [ -n "${VANTREL2_SIGN_PFX:-}" ] || return 0
    local args=(sign -pkcs12 "$VANTREL2_SIGN_PFX" -h sha256 -n Vantrel2 -in "$1" -out "$1.signed")
    if [ -n "${VANTREL2_SIGN_TIMESTAMP:-}" ]; then
        args+=(-ts "$VANTREL2_SIGN_TIMESTAMP")
    else
        args+=(-time "$EPOCH")
    fi
    # printenv names the variable: the value is expanded nowhere in this
    # script, so neither a command line nor a trace (bash -x) shows it. The
    # pipe is read as the file /dev/stdin: osslsigncode 2.5 (Debian 12) takes
    # -readpass only with a file name, and reads "-" as one.
    local status=0
    if has_password; then
        printenv VANTREL2_SIGN_PASSWORD | tr -d '\n' |
            osslsigncode "${args[@]}" -readpass /dev/stdin >"$WORK/sign.log" 2>&1 || status=$?
    else
        osslsigncode "${args[@]}" </dev/null >"$WORK/sign.log" 2>&1 || status=$?
    fi
    # osslsigncode prints its errors on standard output, among its progress.
    if [ "$status" != 0 ]; then
        echo "make-release.sh: osslsigncode could not sign $(basename "$1") (exit status $status);" \
            "nothing was written. It said:" >&2
        sed 's/^/    /' "$WORK/sign.log" >&2
        exit 1
    fi
    mv "$1.signed" "$1"
}

crlf() { sed 's/\r*$/\r/'; }
cp "$DLL" "$STAGE/Vantrel2.dll"
sign "$STAGE/Vantrel2.dll"
for script in install uninstall; do
    crlf <"$HERE/$script.cmd.in" | iconv -f UTF-8 -t CP932 >"$STAGE/$script.cmd"
done
{ printf '\xef\xbb\xbf'; crlf <"$HERE/guide-ja.txt"; } >"$STAGE/使い方.txt"
{ printf '\xef\xbb\xbf'; crlf <"$HERE/admin-guide-ja.txt"; } >"$STAGE/管理者向け.txt"
FILES=(Vantrel2.dll install.cmd uninstall.cmd 使い方.txt 管理者向け.txt)
(cd "$STAGE" && sha256sum "${FILES[@]}" | crlf >SHA256SUMS.txt)
$FIXUP zip "$WORK/$NAME.zip" "$EPOCH" "$STAGE" "${FILES[@]}" SHA256SUMS.txt

# A product code per version and content: a rebuild of the same version is a
# new product that replaces the installed one (the upgrade row includes the
# same version), so one Vantrel2 is installed at a time.
PRODUCT_CODE="$($FIXUP code "product $VERSION $(cat "$STAGE/Vantrel2.dll" "$WXS" "${WXS%.wxs}.sql" |
    sha256sum | cut -c1-64)")"
FILE_VERSION="$($FIXUP pe-version "$STAGE/Vantrel2.dll")"
cp "$STAGE/Vantrel2.dll" "$WORK/msi/Vantrel2.dll"
touch -d "@$EPOCH" "$WORK/msi/Vantrel2.dll"  # the cabinet keeps the file's time
cp "$(dirname "$HERE")/src/dialog/Vantrel2Form.ico" "$WORK/msi/Vantrel2.ico"
(cd "$WORK/msi" && wixl -a x86 -D Version="$VERSION" -D ProductCode="$PRODUCT_CODE" \
    -o package.msi "$WXS")
MSI="$WORK/msi/package.msi"
UPGRADE_CODE="$(msiinfo export "$MSI" Property | sed -n 's/^UpgradeCode\t\(.*\)\r\?$/\1/p' | tr -d '\r')"

# What wixl has no element for: the file's version, which Windows Installer
# compares with a file already in the folder (a file without one never
# replaces a versioned one); the upgrade of the same version; the old
# product removed right after InstallInitialize, inside the installation's
# transaction (a failed upgrade restores it) and before any file or key of
# the new one is written (as late as wixl puts it, Wine's msiexec would
# remove the new product's registration with the old one); then the
# build's Vantrel2.sql beside the WiX source: whether the given or the
# remembered folder holds sysinfo\ (directory searches, the second under the
# remembered folder), removing the four registration keys whole on
# uninstall, as regsvr32 /u does ("-" as the name), and the Japanese
# launch-condition messages. Windows Installer shows a message in the
# database's code page, and libmsi stores a text the code page cannot hold
# as an empty one: the code page (932, Shift-JIS) is set first.
queries=(
    -q "UPDATE \`File\` SET \`Version\` = '$FILE_VERSION' WHERE \`File\` = 'Vantrel2.dll'"
    -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
    -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$UPGRADE_CODE', '$VERSION', 513, 'WIX_UPGRADE_DETECTED')"
    -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 1501 WHERE \`Action\` = 'RemoveExistingProducts'")
while IFS= read -r query; do queries+=(-q "$query"); done <"${WXS%.wxs}.sql"
printf '\r\n\r\n932\t_ForceCodepage\r\n' >"$WORK/_ForceCodepage.idt"
msibuild "$MSI" -i "$WORK/_ForceCodepage.idt"
msibuild "$MSI" "${queries[@]}"
# wixl dates the summary and gives it a random package code: the build time,
# and a code derived from the package's content with the code left blank.
summary() { msibuild "$MSI" -s "Vantrel2 $VERSION" Vantrel2 "Intel;1041" "$1"; }
summary "{00000000-0000-0000-0000-000000000000}"
$FIXUP msi-times "$MSI" "$EPOCH"
summary "$($FIXUP code "package $(sha256sum "$MSI" | cut -c1-64)")"
$FIXUP msi-times "$MSI" "$EPOCH"
mv "$MSI" "$WORK/$NAME.msi"
sign "$WORK/$NAME.msi"

(cd "$WORK" && sha256sum "$NAME.zip" "$NAME.msi" | crlf >SHA256SUMS.txt)
mv "$WORK/$NAME.zip" "$WORK/$NAME.msi" "$WORK/SHA256SUMS.txt" "$OUT/"
echo "$OUT/$NAME.zip"
echo "$OUT/$NAME.msi"
