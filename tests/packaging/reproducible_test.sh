#!/usr/bin/env bash
# Two clean builds of the same sources, in folders of different names and
# lengths, one after the other and in different time zones, must give the
# same DLL, zip, MSI and checksums, byte for byte.
# Usage: reproducible_test.sh <source folder> <version>
set -euo pipefail
SRC="$1" VERSION="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export SOURCE_DATE_EPOCH="$(git -C "$SRC" log -1 --format=%ct)"

build() {  # build <folder> <time zone>
    local dir="$1"
    mkdir -p "$dir/source"
    git -C "$SRC" ls-files -z --cached --others --exclude-standard | (cd "$SRC" && tar --null -T - -cf -) | tar -xf - -C "$dir/source"
    # Built with the toolchain the shipped DLL is built with; only the DLL.
    TZ="$2" cmake -S "$dir/source" -B "$dir/build" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DCMAKE_TOOLCHAIN_FILE="$dir/source/cmake/toolchain-mingw-i686.cmake" >/dev/null
    TZ="$2" cmake --build "$dir/build" --target Vantrel2 -j2 >/dev/null
    TZ="$2" bash "$dir/source/packaging/make-release.sh" "$dir/build/bin/Vantrel2.dll" "$VERSION" \
        "$dir/release" >/dev/null
    cp "$dir/build/bin/Vantrel2.dll" "$dir/release/"
}
build "$WORK/a" UTC
sleep 2
build "$WORK/second-build-folder" Asia/Tokyo

status=0
for file in Vantrel2.dll "Vantrel2-$VERSION.zip" "Vantrel2-$VERSION.msi" SHA256SUMS.txt; do
    a="$WORK/a/release/$file" b="$WORK/second-build-folder/release/$file"
    if cmp "$a" "$b"; then
        echo "same  $(sha256sum "$a" | cut -c1-64)  $(stat -c %s "$a") bytes  $file"
    else
        echo "DIFFERENT  $file: $(cmp -l "$a" "$b" | wc -l) bytes differ"
        status=1
    fi
done
exit "$status"
