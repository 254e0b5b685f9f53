#!/usr/bin/env bash
# The administrators' package: its tables as msiinfo reads them (no Wine
# needed), then, given the Wine wrapper, the package under Wine's msiexec,
# one row per case, in an order where each case starts from what the one
# before left.
# Usage: msi_test.sh <Vantrel2.dll> <version> <Vantrel2.wxs> <build-time file> [<wine-run wrapper>]
set -euo pipefail
DLL="$1" VERSION="$2" WXS="$3" BUILD_TIME="$4" WINE="${5:-}"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"
WORK="$(mktemp -d)"
HOST="$WORK/cad"
winepath_of() { "$WINE" winepath -w "$1" </dev/null; }
wine_q() { "$WINE" "$@" </dev/null >/dev/null 2>&1; }
NEWER="$(echo "$VERSION" | awk -F. '{ print $1 "." $2 "." $3 + 1 }')"
cleanup() {
    [ -n "$WINE" ] || { rm -rf "$WORK"; return; }
    # A run that stops half way leaves nothing installed for the next one.
    for msi in "$WORK"/new/*.msi "$WORK"/same/*.msi "$WORK"/old/*.msi; do
        [ ! -f "$msi" ] || wine_q msiexec /x "$(winepath_of "$msi")" /qn || true
    done
    [ ! -f "$HOST/Vantrel2.dll" ] || wine_q regsvr32 /u /s "$(winepath_of "$HOST/Vantrel2.dll")" ||
        true
    rm -rf "$WORK"
}
trap cleanup EXIT

release() { bash "$ROOT/packaging/make-release.sh" "$1" "$2" "$WXS" "$BUILD_TIME" "$3" >/dev/null; }
# This version; a rebuild of it whose DLL differs by a byte after the image
# (which the loader ignores); a newer version whose DLL's version resource
# says so, as every newer build's does.
release "$DLL" "$VERSION" "$WORK/old"
PACKAGE="$WORK/old/Vantrel2-$VERSION.msi"
failed=0
row() {  # row <case> <check>...: PASS when every check holds
    local name="$1"; shift
    if "$@"; then echo "PASS  $name"; else echo "FAIL  $name"; failed=$((failed + 1)); fi
}
# Whole outputs only: msiinfo writes line by line, and a reader that stops at
# the first match ends it with SIGPIPE, which pipefail reports as a failure.
table() { msiinfo export "$PACKAGE" "$1" | tr -d '\r' | tail -n +4; }
property() { table Property | awk -F'\t' -v name="$1" '$1 == name { print $2 }'; }
sequence() { table InstallExecuteSequence | awk -F'\t' -v a="$1" '$1 == a { print $3 }'; }
# Silent installs have the Restart Manager close the programs holding files
# in use, the CAD with its drawings included, unless the package says otherwise.
row "MSIRESTARTMANAGERCONTROL=Disable: the CAD is never asked to close" eval '[ "$(property MSIRESTARTMANAGERCONTROL)" = Disable ]'
row "ARPNOMODIFY=1: no 変更 button in 「プログラムと機能」" eval '[ "$(property ARPNOMODIFY)" = 1 ]'
# The install location is set once costing has resolved INSTALLDIR, before
# the product's registration reads it.
row "「プログラムと機能」: the command's icon; the install location from INSTALLDIR" eval 'msiinfo extract "$PACKAGE" \
    "Icon.$(property ARPPRODUCTICON)" | cmp - "$ROOT/src/dialog/Vantrel2Form.ico" && at="$(sequence "$(table CustomAction |
    awk -F"\t" "\$3 == \"ARPINSTALLLOCATION\" && \$4 == \"[INSTALLDIR]\" { print \$1 }")")" &&
    [ "$at" -gt "$(sequence CostFinalize)" ] && [ "$at" -lt "$(sequence RegisterProduct)" ]'
# Windows Installer shows a launch condition's message in the database's
# code page; libmsi stores a text that code page cannot hold as an empty one.
case_messages() {
    [ "$(table LaunchCondition | cut -f2 | grep -c "何も.*ませんでした。")" = 3 ] &&
        [ "$(msiinfo export "$PACKAGE" _ForceCodepage | grep -c "^932")" = 1 ] &&
        [ "$(property ProductLanguage)" = 1041 ] &&
        [ "$(msiinfo suminfo "$PACKAGE" | grep -cx "Template: Intel;1041")" = 1 ]
}
row "launch-condition messages in Japanese, in code page 932; language 1041" case_messages
[ -n "$WINE" ] || { [ "$failed" = 0 ]; exit; }

cp "$DLL" "$WORK/same.dll" && printf '\1' >>"$WORK/same.dll"
release "$WORK/same.dll" "$VERSION" "$WORK/same"
cp "$DLL" "$WORK/newer.dll"
python3 -c 'import struct, sys
path, major, minor, patch = sys.argv[1], *map(int, sys.argv[2].split("."))
data = bytearray(open(path, "rb").read())
at = data.find(struct.pack("<I", 0xFEEF04BD))
struct.pack_into("<II", data, at + 8, major << 16 | minor, patch << 16)
open(path, "wb").write(data)' "$WORK/newer.dll" "$NEWER"
release "$WORK/newer.dll" "$NEWER" "$WORK/new"
OLD_MSI="$(winepath_of "$WORK/old/Vantrel2-$VERSION.msi")"
SAME_MSI="$(winepath_of "$WORK/same/Vantrel2-$VERSION.msi")"
NEW_MSI="$(winepath_of "$WORK/new/Vantrel2-$NEWER.msi")"
HOST_W="$(winepath_of "$HOST")"
MOVED="$WORK/cad2"

mkdir -p "$HOST/sysinfo" "$HOST/sysdata" "$WORK/nosysinfo/sysdata" "$MOVED/sysinfo"
printf '[各種履歴情報ファイル削除]\r\n確認メッセージ=0\r\n' | iconv -f UTF-8 -t CP932 >"$HOST/sysinfo/kxSystem.ini"
echo history >"$HOST/sysdata/FileOpenDlg.ini"
echo cad >"$HOST/cad.exe"
host_files() { (cd "$HOST" && find . -path ./Vantrel2.dll -prune -o -type f -print0 | sort -z | xargs -0 sha256sum); }
host_files >"$WORK/host.before"

# HKEY_CLASSES_ROOT without Windows Installer's own bookkeeping.
classes() {
    wine_q regedit /e "$(winepath_of "$WORK/dump.reg")" HKEY_CLASSES_ROOT
    iconv -f UTF-16 -t UTF-8 "$WORK/dump.reg" |
        awk '/^\[/ { skip = index($0, "[HKEY_CLASSES_ROOT\\Installer") == 1 } !skip' >"$1"
    [ -s "$1" ]
}
products() {  # how many products named Vantrel2 are installed
    wine_q regedit /e "$(winepath_of "$WORK/un.reg")" \
        'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    iconv -f UTF-16 -t UTF-8 "$WORK/un.reg" | grep -c '^"DisplayName"="Vantrel2"' || true
}
msiexec() {  # msiexec <log name> <arguments>: its exit code
    local log="$1"; shift
    "$WINE" msiexec "$@" /qn /l*v "$(winepath_of "$WORK/$log.log")" </dev/null >/dev/null 2>&1
}
logged() { grep -aq "$2" "$WORK/$1.log"; }
# Wine's msiexec does not log a launch condition's message under /qn; what
# the log shows is that the run stopped there, and the properties it judged.
stopped_at_conditions() { logged "$1" LaunchConditions && ! logged "$1" CostFinalize; }

printf 'WScript.Echo CreateObject("Scripting.FileSystemObject").GetFileVersion(WScript.Arguments(0))\r\n' \
    >"$WORK/version.vbs"
# The version Windows reads from the DLL's version resource is the one the
# package's File table gives Windows Installer for its file versioning rules.
case_file_version() {
    local package dll
    package="$(msiinfo export "$WORK/old/Vantrel2-$VERSION.msi" File | awk -F'\t' '$1 == "Vantrel2.dll" { print $5 }')"
    dll="$("$WINE" cscript //nologo "$(winepath_of "$WORK/version.vbs")" "$(winepath_of "$DLL")" </dev/null | tr -d '\r')"
    echo "File table: '$package', version resource: '$dll'"
    [ -n "$dll" ] && [ "$package" = "$dll" ]
}

printf 'Set o = CreateObject("Vantrel2.OrvaneVbCommand")\r\no.VekProcDrawRubber 1.5, 2.5\r\nWScript.Echo TypeName(o) & " answered"\r\n' \
    >"$WORK/client.vbs"
client() {
    "$WINE" cscript //nologo "$(winepath_of "$WORK/client.vbs")" </dev/null 2>&1 |
        grep -q '^_OrvaneVbCommand answered'
}
# The first script run registers Wine's scripting type libraries: before
# the snapshot, so that the registry compared later changes by the package
# alone. The object must not be there yet.
if client; then echo "FAIL  Vantrel2.OrvaneVbCommand exists before the install"; exit 1; fi
classes "$WORK/clean.reg"

unchanged_classes() { classes "$WORK/now.reg" && cmp -s "$WORK/clean.reg" "$WORK/now.reg"; }
host_as_before() {  # no DLL, no product, no key; the host's own files as they were
    [ ! -e "$HOST/Vantrel2.dll" ] && [ "$(products)" = 0 ] && unchanged_classes &&
        host_files | cmp -s - "$WORK/host.before"
}

case_no_installdir() {
    ! msiexec noinstalldir /i "$OLD_MSI" && stopped_at_conditions noinstalldir &&
        ! logged noinstalldir 'Property(S): INSTALLDIR =' && [ "$(products)" = 0 ] && unchanged_classes
}
case_no_sysinfo() {
    ! msiexec nosysinfo /i "$OLD_MSI" INSTALLDIR="$(winepath_of "$WORK/nosysinfo")" &&
        stopped_at_conditions nosysinfo && logged nosysinfo 'Property(S): INSTALLDIR =' &&
        ! logged nosysinfo 'Property(S): HOSTSYSINFO' && [ ! -e "$WORK/nosysinfo/Vantrel2.dll" ] &&
        [ "$(products)" = 0 ]
}
case_install() {
    msiexec install /i "$OLD_MSI" INSTALLDIR="$HOST_W" && cmp -s "$DLL" "$HOST/Vantrel2.dll" &&
        [ "$(products)" = 1 ] && classes "$WORK/installed.reg" &&
        iconv -f UTF-16 -t UTF-8 "$WORK/un.reg" | grep -qF "\"InstallLocation\"=\"${HOST_W//\\/\\\\}"
}
case_uninstall() {
    msiexec uninstall /x "$OLD_MSI" && host_as_before &&
        ! "$WINE" reg query 'HKLM\Software\Vantrel2' </dev/null >/dev/null 2>&1
}
# regsvr32 on the DLL at the same place, compared key by key.
case_same_as_regsvr32() {
    cp "$DLL" "$HOST/Vantrel2.dll" && wine_q regsvr32 /s "$HOST_W\\Vantrel2.dll" &&
        classes "$WORK/regsvr32.reg" && wine_q regsvr32 /u /s "$HOST_W\\Vantrel2.dll" &&
        rm "$HOST/Vantrel2.dll" && ! cmp -s "$WORK/clean.reg" "$WORK/regsvr32.reg" &&
        diff "$WORK/regsvr32.reg" "$WORK/installed.reg"
}
# A rebuild of the same version replaces the installed product and its DLL.
# Windows Installer decides to copy a file of the same version as the one on
# disk only under REINSTALLMODE "e", which Wine's msiexec ignores: the mode is
# read from the package.
case_same_version() {
    msiexec install2 /i "$OLD_MSI" INSTALLDIR="$HOST_W" && msiexec same /i "$SAME_MSI" &&
        [ "$(products)" = 1 ] && cmp -s "$WORK/same.dll" "$HOST/Vantrel2.dll" &&
        [ "$(msiinfo export "$WORK/same/Vantrel2-$VERSION.msi" Property | grep -c '^REINSTALLMODE	[^	]*e')" = 1 ]
}
case_upgrade() {
    msiexec upgrade /i "$NEW_MSI" &&
        cmp -s "$WORK/newer.dll" "$HOST/Vantrel2.dll" && [ "$(products)" = 1 ] &&
        host_files | cmp -s - "$WORK/host.before"
}
case_downgrade() {
    ! msiexec downgrade /i "$OLD_MSI" && stopped_at_conditions downgrade &&
        logged downgrade 'Property(S): WIX_DOWNGRADE_DETECTED =' &&
        cmp -s "$WORK/newer.dll" "$HOST/Vantrel2.dll" && [ "$(products)" = 1 ]
}

row "File table version = the DLL's version resource" case_file_version
row "no INSTALLDIR: refused, nothing installed" case_no_installdir
row "INSTALLDIR without sysinfo\\: refused, nothing installed" case_no_sysinfo
row "silent install into the host folder" case_install
row "cscript CreateObject calls the installed object" client
row "uninstall: DLL and keys gone, kxSystem.ini and host files kept" case_uninstall
row "registry after install equals regsvr32's, key by key" case_same_as_regsvr32
row "rebuild of $VERSION over $VERSION: one product, the second DLL in place" case_same_version
row "upgrade $VERSION -> $NEWER: DLL replaced, kxSystem.ini kept, one product" case_upgrade
row "downgrade $NEWER -> $VERSION refused" case_downgrade
row "uninstall after upgrade leaves the host as it was" eval 'msiexec uninstall2 /x "$NEW_MSI" && host_as_before'
# An upgrade given another folder goes there: the administrator's word wins
# over the remembered folder, which the old product leaves empty.
case_upgrade_elsewhere() {
    msiexec install3 /i "$OLD_MSI" INSTALLDIR="$HOST_W" &&
        msiexec moved /i "$NEW_MSI" INSTALLDIR="$(winepath_of "$MOVED")" &&
        cmp -s "$WORK/newer.dll" "$MOVED/Vantrel2.dll" && [ ! -e "$HOST/Vantrel2.dll" ] &&
        [ "$(products)" = 1 ] && msiexec uninstall3 /x "$NEW_MSI" && [ ! -e "$MOVED/Vantrel2.dll" ] &&
        host_as_before
}
row "upgrade given another INSTALLDIR: installed there, old folder emptied" case_upgrade_elsewhere
[ "$failed" = 0 ] || { echo "$failed case(s) failed"; exit 1; }
