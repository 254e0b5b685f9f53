#!/usr/bin/env bash
# For development: builds the Windows tree and runs its tests under Wine,
# passing every argument to ctest:
#   bash scripts/dev-test.sh -R Dialog
# VANTREL2_BUILD picks the build folder (see scripts/start-up.sh). Runs in
# different folders can go side by side, each with its own prefix, Xvfb and
# wineserver; a second run in the same folder says so and does not start.
set -euo pipefail
source "$(dirname "$0")/start-up.sh"
start_up --no-wine
unlocked ctest --preset "$PRESET" --test-dir "$BUILD" "$@"
