#!/usr/bin/env bash
# Builds the release beside each other in <output folder>:
#   Vantrel2-<version>.zip  the DLL, the Japanese install/uninstall scripts
#                           (Shift-JIS, CRLF, as cmd.exe reads them on Japanese
#                           Windows), the user guide (guide-ja.txt) and the
#                           administrators' guide (docs/administrators.md,
#                           whole), both UTF-8 with BOM and CRLF, and
#                           SHA256SUMS.txt of those files
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
# it goes into the zip and the MSI; the MSI is signed too.
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
    # script, so neither a command line nor a trace (bash -x) shows it.
    if has_password; then
        printenv VANTREL2_SIGN_PASSWORD | tr -d '\n' | osslsigncode "${args[@]}" -readpass - >/dev/null
    else
        osslsigncode "${args[@]}" </dev/null >/dev/null
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
{ printf '\xef\xbb\xbf'; crlf <"$(dirname "$HERE")/docs/administrators.md"; } >"$STAGE/管理者向け.txt"
FILES=(Vantrel2.dll install.cmd uninstall.cmd 使い方.txt 管理者向け.txt)
(cd "$STAGE" && sha256sum "${FILES[@]}" | crlf >SHA256SUMS.txt)
$FIXUP zip "$WORK/$NAME.zip" "$EPOCH" "$STAGE" "${FILES[@]}" SHA256SUMS.txt

# A product code per version and content: a rebuild of the same version is a
# new product that replaces the installed one (the upgrade row includes the
# same version), so one Vantrel2 is installed at a time.
PRODUCT_CODE="$($FIXUP code "product $VERSION $(cat "$STAGE/Vantrel2.dll" "$WXS" | sha256sum | cut -c1-64)")"
FILE_VERSION="$($FIXUP pe-version "$STAGE/Vantrel2.dll")"
cp "$STAGE/Vantrel2.dll" "$WORK/msi/Vantrel2.dll"
touch -d "@$EPOCH" "$WORK/msi/Vantrel2.dll"  # the cabinet keeps the file's time
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
# remembered folder) and removing the four registration keys whole on
# uninstall, as regsvr32 /u does ("-" as the name).
queries=(
    -q "UPDATE \`File\` SET \`Version\` = '$FILE_VERSION' WHERE \`File\` = 'Vantrel2.dll'"
    -q "DELETE FROM \`Upgrade\` WHERE \`ActionProperty\` = 'WIX_UPGRADE_DETECTED'"
    -q "INSERT INTO \`Upgrade\` (\`UpgradeCode\`, \`VersionMax\`, \`Attributes\`, \`ActionProperty\`) VALUES ('$UPGRADE_CODE', '$VERSION', 513, 'WIX_UPGRADE_DETECTED')"
    -q "UPDATE \`InstallExecuteSequence\` SET \`Sequence\` = 1501 WHERE \`Action\` = 'RemoveExistingProducts'")
while IFS= read -r query; do queries+=(-q "$query"); done <"${WXS%.wxs}.sql"
msibuild "$MSI" "${queries[@]}"
# wixl dates the summary and gives it a random package code: the build time,
# and a code derived from the package's content with the code left blank.
summary() { msibuild "$MSI" -s "Vantrel2 $VERSION" Vantrel2 "Intel;1033" "$1"; }
summary "{00000000-0000-0000-0000-000000000000}"
$FIXUP msi-times "$MSI" "$EPOCH"
summary "$($FIXUP code "package $(sha256sum "$MSI" | cut -c1-64)")"
$FIXUP msi-times "$MSI" "$EPOCH"
sign "$MSI"
mv "$MSI" "$WORK/$NAME.msi"

(cd "$WORK" && sha256sum "$NAME.zip" "$NAME.msi" | crlf >SHA256SUMS.txt)
mv "$WORK/$NAME.zip" "$WORK/$NAME.msi" "$WORK/SHA256SUMS.txt" "$OUT/"
echo "$OUT/$NAME.zip"
echo "$OUT/$NAME.msi"
