# Sourced by every script that builds or runs the Windows code: the start-up
# they share, and the shipped DLL.
#
#   start_up [--preset <name>] [--lock-preset <name>] [--display | --no-wine] [<target>...]
#       installs what is missing (scripts/setup.sh); takes the preset given,
#       else the one this machine runs (scripts/windows-preset.sh), and the
#       build folder VANTREL2_BUILD, else the preset's own; locks that folder
#       (and the folder of --lock-preset's preset) and nothing else;
#       configures it and builds the targets (all when none are named); then,
#       unless --no-wine, starts the build's Wine session (cmake/wine-session.sh:
#       the user's display with --display when it answers, else a private
#       Xvfb) for the rest of the script. Sets PRESET, BUILD, PRIVATE_DISPLAY
#       (yes or no), SHIPPED_BUILD, SHIPPED_DLL, and Wine's environment.
#   preset_folder <preset>    the build folder CMakePresets.json gives it
#   shipped_dll_build         configures SHIPPED_BUILD and builds the DLL
#   shipped_dll_exports       its exported names, one a line
#   shipped_dll_imports       the DLLs it imports, one a line
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# One rule for parallelism: every build and every parallel test run.
JOBS="$(nproc)"
source "$ROOT/cmake/wine-session.sh"

preset_folder() {
    python3 - "$ROOT" "$1" <<'PY'
import json, sys
root, name = sys.argv[1:]
presets = json.load(open(f"{root}/CMakePresets.json"))["configurePresets"]
print(next(p["binaryDir"] for p in presets if p["name"] == name).replace("${sourceDir}", root))
PY
}

start_up() {
    local preset="" display=private locks=() targets=() session="$ROOT/cmake/wine-session.sh"
    while [ $# -gt 0 ]; do
        case "$1" in
            --preset) preset="$2"; shift 2 ;;
            --lock-preset) locks+=("$2"); shift 2 ;;
            --display) display=--user-display; shift ;;
            --no-wine) display=none; shift ;;
            *) targets+=("$1"); shift ;;
        esac
    done
    bash "$ROOT/scripts/setup.sh"
    PRESET="${preset:-$(bash "$ROOT/scripts/windows-preset.sh")}"
    BUILD="$(realpath -m "${VANTREL2_BUILD:-$(preset_folder "$PRESET")}")"
    # The shipped DLL is the 32-bit build: this one, or one inside it where
    # the machine runs no 32-bit code, so that the run's lock covers it.
    if [ "$PRESET" = windows ]; then SHIPPED_BUILD="$BUILD"; else SHIPPED_BUILD="$BUILD/shipped"; fi
    SHIPPED_DLL="$SHIPPED_BUILD/bin/Vantrel2.dll"
    local lock folders=("$BUILD")
    for lock in "${locks[@]}"; do folders+=("$(preset_folder "$lock")"); done
    session_lock "${folders[@]}"
    cmake -S "$ROOT" --preset "$PRESET" -B "$BUILD" >/dev/null
    cmake --build "$BUILD" -j"$JOBS" ${targets[@]:+--target "${targets[@]}"}
    PRIVATE_DISPLAY=no
    [ "$display" != none ] || return 0
    unlocked bash "$session" start "$BUILD" ${display/private/}
    session_at_exit "unlocked bash '$session' stop '$BUILD'"
    source "$BUILD/wine-env.sh"
    source "$BUILD/wine-session.env"
    PRIVATE_DISPLAY="$VANTREL2_PRIVATE_DISPLAY"
}

shipped_dll_build() {
    cmake -S "$ROOT" --preset windows -B "$SHIPPED_BUILD" >/dev/null
    cmake --build "$SHIPPED_BUILD" -j"$JOBS" --target Vantrel2
}

shipped_dll_exports() {
    i686-w64-mingw32-objdump -p "$SHIPPED_DLL" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p'
}

shipped_dll_imports() { i686-w64-mingw32-objdump -p "$SHIPPED_DLL" | sed -n 's/^\s*DLL Name: //p'; }
