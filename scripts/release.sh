#!/usr/bin/env bash
# The release from a fresh clone: installs what the build needs, configures
# the 32-bit Windows build in build/windows, builds the release target and
# prints the files it wrote (the zip, the MSI and their checksums).
# Signing: see docs/release.md; settings it would refuse stop it before it
# installs or builds anything.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
bash packaging/make-release.sh --check-signing
bash scripts/setup.sh
source scripts/wine-session.sh
session_lock "$ROOT/build/windows"
cmake --preset windows >/dev/null
cmake --build --preset windows --target release -j2 >/dev/null
ls -l build/windows/release/Vantrel2-*.zip build/windows/release/Vantrel2-*.msi \
    build/windows/release/SHA256SUMS.txt
