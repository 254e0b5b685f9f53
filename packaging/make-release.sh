#!/usr/bin/env bash
# Builds Vantrel2-<version>.zip: the DLL, the Japanese install/uninstall
# scripts (Shift-JIS, CRLF, as cmd.exe reads them on Japanese Windows), the
# user guide (UTF-8 with BOM, CRLF) and SHA-256 checksums.
# Usage: make-release.sh <Vantrel2.dll> <version> <output folder>
set -euo pipefail
DLL="$1" VERSION="$2" OUT="$3"
HERE="$(cd "$(dirname "$0")" && pwd)"
STAGE="$OUT/Vantrel2-$VERSION"
rm -rf "$STAGE" "$STAGE.zip"
mkdir -p "$STAGE"

crlf() { sed 's/\r*$/\r/'; }
cp "$DLL" "$STAGE/Vantrel2.dll"
for script in install uninstall; do
    crlf <"$HERE/$script.cmd.in" | iconv -f UTF-8 -t CP932 >"$STAGE/$script.cmd"
done
{ printf '\xef\xbb\xbf'; crlf <"$HERE/guide-ja.txt"; } >"$STAGE/使い方.txt"
(cd "$STAGE" && sha256sum Vantrel2.dll install.cmd uninstall.cmd 使い方.txt | crlf >SHA256SUMS.txt)

(cd "$OUT" && cmake -E tar cf "Vantrel2-$VERSION.zip" --format=zip "Vantrel2-$VERSION")
echo "$OUT/Vantrel2-$VERSION.zip"
