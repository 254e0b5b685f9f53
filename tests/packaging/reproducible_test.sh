#!/usr/bin/env bash
# The release of a commit is the same bytes however it was built: a build
# folder that built the commit before it and is then built again (the
# incremental build of a later commit that leaves the .idl alone) and a
# clean build in a folder of another name and length, in another time zone,
# give the same DLL, zip, MSI and checksums.
# Usage: reproducible_test.sh <source folder> <version> <build type> <toolchain file>
# (the build's own, the toolchain file's path inside the source folder)
set -euo pipefail
SRC="$1" VERSION="$2" BUILD_TYPE="$3" TOOLCHAIN="$4"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
unset SOURCE_DATE_EPOCH  # the commit gives the build time
git_at() {  # git_at <folder> <commit time> <git arguments>...
    local dir="$1" when="@$2"; shift 2
    GIT_AUTHOR_DATE="$when" GIT_COMMITTER_DATE="$when" git -C "$dir" -c user.name=test \
        -c user.email=test@example.invalid "$@" >/dev/null
}
release() {  # release <folder> <time zone>: configures if needed, builds the release target
    TZ="$2" cmake -S "$1/source" -B "$1/build" -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
        -DCMAKE_TOOLCHAIN_FILE="$1/source/$TOOLCHAIN" >/dev/null
    TZ="$2" cmake --build "$1/build" --target release -j2 >/dev/null
    cp "$1/build/bin/Vantrel2.dll" "$1/build/release/"
}

# The sources as they are, committed; built; then a later commit that leaves
# the .idl alone, built again in the same folder.
mkdir -p "$WORK/a/source"
git -C "$SRC" ls-files -z --cached --others --exclude-standard |
    (cd "$SRC" && tar --null -T - -cf -) | tar -xf - -C "$WORK/a/source"
first="$(git -C "$SRC" log -1 --format=%ct)"
git_at "$WORK/a/source" "$first" init -q
git_at "$WORK/a/source" "$first" add -A
git_at "$WORK/a/source" "$first" commit -q -m first
release "$WORK/a" UTC
echo "a later line" >>"$WORK/a/source/README.md"
git_at "$WORK/a/source" "$((first + 86400))" commit -q -a -m later
release "$WORK/a" UTC

# The later commit, cloned and built from nothing.
git clone -q "$WORK/a/source" "$WORK/second-build-folder/source"
release "$WORK/second-build-folder" Asia/Tokyo

status=0
for file in Vantrel2.dll "Vantrel2-$VERSION.zip" "Vantrel2-$VERSION.msi" SHA256SUMS.txt; do
    a="$WORK/a/build/release/$file" b="$WORK/second-build-folder/build/release/$file"
    if cmp -s "$a" "$b"; then
        echo "same  $(sha256sum "$a" | cut -c1-64)  $(stat -c %s "$a") bytes  $file"
    else
        echo "DIFFERENT  $file: $(cmp -l "$a" "$b" | wc -l) bytes differ (incremental vs clean)"
        status=1
    fi
done
exit "$status"
