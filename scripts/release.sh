#!/usr/bin/env bash
# The release from a fresh clone: installs what the build needs, configures
# the 32-bit Windows build (the windows preset's folder, or VANTREL2_BUILD),
# builds the release target and lists the files it wrote (the zip, the MSI
# and their checksums). Signing: see docs/release.md; settings it would
# refuse stop it before it installs or builds anything.
set -euo pipefail
bash "$(dirname "$0")/../packaging/make-release.sh" --check-signing
source "$(dirname "$0")/start-up.sh"
start_up --preset windows --no-wine release >/dev/null
ls -l "$BUILD"/release/Vantrel2-*.zip "$BUILD"/release/Vantrel2-*.msi "$BUILD"/release/SHA256SUMS.txt
