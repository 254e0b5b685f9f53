#!/usr/bin/env bash
# Builds the release beside each other in <output folder>:
#   Vantrel2-<version>.zip  the DLL, the Japanese install/uninstall scripts
#                           (Shift-JIS, CRLF, as cmd.exe reads them on Japanese
#                           Windows), the user guide (UTF-8 with BOM, CRLF) and
#                           SHA256SUMS.txt of those files
#   Vantrel2-<version>.msi  the package for administrators (same DLL)
#   SHA256SUMS.txt          the zip and the MSI
# Usage: make-release.sh <Vantrel2.dll> <version> <output folder>
#
# Two runs on the same commit give the same bytes: every time stored is the
# last commit's (SOURCE_DATE_EPOCH when set), and the MSI's codes come from
# its version and content.
#
# Signing, only when a certificate is given through the environment:
#   VANTREL2_SIGN_PFX        the PKCS#12 file with the code-signing key
#   VANTREL2_SIGN_PASSWORD   its password (handed to osslsigncode through a
#                            pipe, never on a command line)
#   VANTREL2_SIGN_TIMESTAMP  optional: a time-stamping server's URL
# The DLL is signed before it goes into the zip and the MSI; the MSI is signed
# too.
set -euo pipefail
DLL="$1" VERSION="$2" OUT="$3"
HERE="$(cd "$(dirname "$0")" && pwd)"
ROOT="$(dirname "$HERE")"
PYTHON=/usr/bin/python3
STAGE="$OUT/Vantrel2-$VERSION"
ZIP="$STAGE.zip" MSI="$STAGE.msi"
WORK="$OUT/.msi-build"
rm -rf "$STAGE" "$ZIP" "$MSI" "$WORK" "$OUT/SHA256SUMS.txt"
mkdir -p "$STAGE" "$WORK"

EPOCH="${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null || echo 315532800)}"

sign() {  # sign <file>: signs it in place
    [ -n "${VANTREL2_SIGN_PFX:-}" ] || return 0
    local stamp=()
    [ -z "${VANTREL2_SIGN_TIMESTAMP:-}" ] || stamp=(-ts "$VANTREL2_SIGN_TIMESTAMP")
    osslsigncode sign -pkcs12 "$VANTREL2_SIGN_PFX" \
        -readpass <(printf '%s' "${VANTREL2_SIGN_PASSWORD:-}") \
        -h sha256 -n Vantrel2 "${stamp[@]}" -in "$1" -out "$1.signed" >/dev/null
    mv "$1.signed" "$1"
}

crlf() { sed 's/\r*$/\r/'; }
cp "$DLL" "$STAGE/Vantrel2.dll"
sign "$STAGE/Vantrel2.dll"
for script in install uninstall; do
    crlf <"$HERE/$script.cmd.in" | iconv -f UTF-8 -t CP932 >"$STAGE/$script.cmd"
done
{ printf '\xef\xbb\xbf'; crlf <"$HERE/guide-ja.txt"; } >"$STAGE/使い方.txt"
FILES=(Vantrel2.dll install.cmd uninstall.cmd 使い方.txt)
(cd "$STAGE" && sha256sum "${FILES[@]}" | crlf >SHA256SUMS.txt)
"$PYTHON" "$HERE/release_files.py" zip "$ZIP" "$EPOCH" "$STAGE" "${FILES[@]}" SHA256SUMS.txt

# The identifiers the DLL registers, as its type library defines them.
uuid_of() {  # uuid_of <kind> <name>: the uuid(...) written just before it
    awk -v kind="$1" -v name="$2" '
        match($0, /uuid\([0-9A-Fa-f-]+\)/) { last = substr($0, RSTART + 5, RLENGTH - 6) }
        $1 == kind && ($2 == name || $2 == name ":") { print toupper(last); exit }
    ' "$ROOT/src/command/Vantrel2.idl"
}
LIBID="{$(uuid_of library Vantrel2)}"
CLSID="{$(uuid_of coclass OrvaneVbCommand)}"
IID="{$(uuid_of interface _OrvaneVbCommand)}"
for id in "$LIBID" "$CLSID" "$IID"; do
    [[ "$id" =~ ^\{[0-9A-F-]{36}\}$ ]] || { echo "no identifier in Vantrel2.idl: $id" >&2; exit 1; }
done

# A new product code for every version and every change of the DLL or the
# package's source, the same for the same ones.
UPGRADE_CODE="$(sed -n 's/.*UpgradeCode="\({[^}]*}\)".*/\1/p' "$HERE/Vantrel2.wxs.in")"
PRODUCT_CODE="{$("$PYTHON" -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
    "$UPGRADE_CODE" "product $VERSION $(cat "$STAGE/Vantrel2.dll" "$HERE/Vantrel2.wxs.in" | sha256sum | cut -c1-64)")}"

cp "$STAGE/Vantrel2.dll" "$WORK/Vantrel2.dll"
touch -d "@$EPOCH" "$WORK/Vantrel2.dll"  # the cabinet keeps the file's time
sed -e "s|@VERSION@|$VERSION|g" -e "s|@PRODUCT_CODE@|$PRODUCT_CODE|g" -e "s|@LIBID@|$LIBID|g" \
    -e "s|@CLSID@|$CLSID|g" -e "s|@IID@|$IID|g" -e "s|@DLL@|Vantrel2.dll|g" \
    "$HERE/Vantrel2.wxs.in" >"$WORK/Vantrel2.wxs"
(cd "$WORK" && wixl -a x86 -o package.msi Vantrel2.wxs)

# What wixl has no element for: whether INSTALLDIR holds sysinfo\ (a directory
# search), and removing the four registration keys whole on uninstall, as
# regsvr32 /u does ("-" as the name).
msibuild "$WORK/package.msi" -q "CREATE TABLE \`DrLocator\` (\`Signature_\` CHAR(72) NOT NULL, \`Parent\` CHAR(72), \`Path\` CHAR(255), \`Depth\` SHORT PRIMARY KEY \`Signature_\`, \`Parent\`, \`Path\`)" \
    -q "INSERT INTO \`DrLocator\` (\`Signature_\`, \`Path\`, \`Depth\`) VALUES ('HostSysinfo', '[INSTALLDIR]\\sysinfo', 0)" \
    -q "INSERT INTO \`AppSearch\` (\`Property\`, \`Signature_\`) VALUES ('HOSTSYSINFO', 'HostSysinfo')" \
    -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES ('RemoveClass', 0, 'CLSID\\$CLSID', '-', 'Vantrel2Dll')" \
    -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES ('RemoveProgId', 0, 'Vantrel2.OrvaneVbCommand', '-', 'Vantrel2Dll')" \
    -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES ('RemoveTypeLib', 0, 'TypeLib\\$LIBID', '-', 'Vantrel2Dll')" \
    -q "INSERT INTO \`Registry\` (\`Registry\`, \`Root\`, \`Key\`, \`Name\`, \`Component_\`) VALUES ('RemoveInterface', 0, 'Interface\\$IID', '-', 'Vantrel2Dll')"
"$PYTHON" "$HERE/release_files.py" msi "$WORK/package.msi" "$EPOCH" "$UPGRADE_CODE"
sign "$WORK/package.msi"
mv "$WORK/package.msi" "$MSI"
rm -rf "$WORK"

(cd "$OUT" && sha256sum "$(basename "$ZIP")" "$(basename "$MSI")" | crlf >SHA256SUMS.txt)
echo "$ZIP"
echo "$MSI"
