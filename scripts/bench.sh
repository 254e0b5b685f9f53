#!/usr/bin/env bash
# Benchmark (not a test): prints one Markdown table measured in this run
# under Wine, in a private Xvfb and the build's prefix.
#   1. start to visible: VekProcStartCmd until the dialog is shown and
#      painted, against an empty modal dialog of the plain dialog API in the
#      same stand-in host, and against a dialog of the same twelve controls
#      that the dialog manager makes from a template (median of RUNS each,
#      after one unmeasured start);
#   2. deletion: a pattern matching 1 000 and 10 000 files in one folder, the
#      command's deletion against `cmd /c del` (median of DELETE_RUNS each);
#   3. footprint: the DLL's size and imports, what one open dialog adds.
#
#   bash scripts/bench.sh
#
# VANTREL2_BUILD picks the build folder (default build/windows, or
# build/windows-x64 where the machine runs no 32-bit code); RUNS and
# DELETE_RUNS the repetitions (30 and 5).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
cd "$ROOT"
RUNS="${RUNS:-30}"
DELETE_RUNS="${DELETE_RUNS:-5}"

bash scripts/setup.sh >/dev/null
source scripts/wine-session.sh
PRESET="$(bash scripts/windows-preset.sh)"
BUILD="$(realpath -m "${VANTREL2_BUILD:-$ROOT/build/$PRESET}")"
session_lock "$BUILD"
[ "$PRESET" = windows ] || session_lock "$ROOT/build/windows"
cmake --preset "$PRESET" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j2 --target Vantrel2 VekCmdLib VantrelHost VantrelDeleteBench >/dev/null
BIN="$BUILD/bin"
DLL="$BIN/Vantrel2.dll"

HOST="$BUILD/bench-host"
rm -rf "$HOST"
mkdir -p "$HOST/sysinfo" "$HOST/sysdata"
cp "$DLL" "$BIN/hostlib/VekCmdLib.dll" "$BIN/VantrelHost.exe" "$BIN/VantrelDeleteBench.exe" "$HOST/"

start_xvfb
wine_session_start
export VEKCMDLIB_LOG="$HOST/VekCmdLib.log"

median() { sort -g | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else printf "%.3f\n", (v[NR/2]+v[NR/2+1])/2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a/b}'; }
now_ns() { date +%s%N; }
ms_since() { awk -v a="$1" -v b="$(now_ns)" 'BEGIN {printf "%.1f", (b-a)/1e6}'; }

cd "$HOST"
echo "measuring start to visible ($RUNS runs each) ..." >&2
wine_run VantrelHost.exe --dll Vantrel2.dll --cmdline 1 --time-start "$RUNS" </dev/null \
    | tr -d '\r' >start-command.txt || true  # the count below says what failed
wine_run VantrelHost.exe --dll Vantrel2.dll --cmdline 1 --time-start "$RUNS" --empty-dialog </dev/null \
    | tr -d '\r' >start-empty.txt || true  # the count below says what failed
wine_run VantrelHost.exe --dll Vantrel2.dll --cmdline 1 --time-start "$RUNS" --template-dialog </dev/null \
    | tr -d '\r' >start-template.txt || true  # the count below says what failed
for f in start-command.txt start-empty.txt start-template.txt; do
    [ "$(grep -c '^start-ms' "$f")" = "$RUNS" ] || { echo "timing failed: $(cat "$f")" >&2; exit 1; }
done
start_command=$(awk '/^start-ms/ {print $2}' start-command.txt | median)
start_empty=$(awk '/^start-ms/ {print $2}' start-empty.txt | median)
start_template=$(awk '/^start-ms/ {print $2}' start-template.txt | median)
first_command=$(awk '/^first-start-ms/ {print $2}' start-command.txt)
first_empty=$(awk '/^first-start-ms/ {print $2}' start-empty.txt)
first_template=$(awk '/^first-start-ms/ {print $2}' start-template.txt)
footprint="$(grep '^open-adds' start-command.txt)" ||
    { echo "no footprint figure: $(cat start-command.txt)" >&2; exit 1; }
read -r _ _ adds_kb _ adds_gdi _ adds_user _ adds_windows _ adds_handles <<<"$footprint"

echo "measuring deletion ($DELETE_RUNS runs each) ..." >&2
FOLDER="$WINEPREFIX/drive_c/vantrel2-bench"
PATTERN='C:\vantrel2-bench\*.tmp'
fill() { rm -rf "$FOLDER"; mkdir -p "$FOLDER"; (cd "$FOLDER" && seq -f 'f%05g.tmp' 1 "$1" | xargs touch); }
declare -A del_ours del_ours_inner del_cmd
for n in 1000 10000; do
    ours=() inner=() cmdt=()
    for _ in $(seq "$DELETE_RUNS"); do
        fill "$n"
        t=$(now_ns)
        out=$(wine_run VantrelDeleteBench.exe "$PATTERN" </dev/null | tr -d '\r') ||
            { echo "the deletion benchmark failed: $out" >&2; exit 1; }
        ours+=("$(ms_since "$t")")
        inner+=("$(awk '{print $2}' <<<"$out")")
        [ "$(awk '{print $4}' <<<"$out")" = "$n" ] || { echo "deleted: $out" >&2; exit 1; }
        fill "$n"
        t=$(now_ns)
        wine_run cmd /c del /q "$PATTERN" </dev/null >/dev/null 2>&1
        cmdt+=("$(ms_since "$t")")
        [ -z "$(ls -A "$FOLDER")" ] || { echo "del left files" >&2; exit 1; }
    done
    del_ours[$n]=$(printf '%s\n' "${ours[@]}" | median)
    del_ours_inner[$n]=$(printf '%s\n' "${inner[@]}" | median)
    del_cmd[$n]=$(printf '%s\n' "${cmdt[@]}" | median)
done
rm -rf "$FOLDER"
t=$(now_ns); wine_run cmd /c exit </dev/null >/dev/null 2>&1; cmd_start=$(ms_since "$t")

# Size and imports are the shipped 32-bit DLL's, built where it is not the
# one measured above.
SHIPPED="$DLL"
if [ "$PRESET" != windows ]; then
    cmake --preset windows >/dev/null
    cmake --build --preset windows -j2 --target Vantrel2 >/dev/null
    SHIPPED="$ROOT/build/windows/bin/Vantrel2.dll"
fi
size=$(stat -c %s "$SHIPPED")
imports=$(i686-w64-mingw32-objdump -p "$SHIPPED" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
echo
echo "Machine: $(nproc) CPUs, $cpu; $(wine_run --version); $PRESET build; $(date -u +%Y-%m-%d)"
echo
echo "| measure | Vantrel2 | reference | ratio |"
echo "| --- | ---: | ---: | ---: |"
echo "| start to visible, median of $RUNS (ms) | $start_command | $start_empty (empty dialog) | $(ratio "$start_command" "$start_empty") |"
echo "| start to visible, median of $RUNS (ms) | $start_command | $start_template (same controls from a template) | $(ratio "$start_command" "$start_template") |"
echo "| start to visible, first in a process (ms) | $first_command | $first_empty (empty dialog) | $(ratio "$first_command" "$first_empty") |"
echo "| start to visible, first in a process (ms) | $first_command | $first_template (same controls from a template) | $(ratio "$first_command" "$first_template") |"
for n in 1000 10000; do
    echo "| delete $n files, process, median of $DELETE_RUNS (ms) | ${del_ours[$n]} | ${del_cmd[$n]} (cmd /c del) | $(ratio "${del_ours[$n]}" "${del_cmd[$n]}") |"
done
echo "| delete 1000 → 10000 growth | $(ratio "${del_ours[10000]}" "${del_ours[1000]}")× | $(ratio "${del_cmd[10000]}" "${del_cmd[1000]}")× | |"
echo "| deletion alone, in process: 1000 / 10000 (ms) | ${del_ours_inner[1000]} / ${del_ours_inner[10000]} | | |"
echo "| starting \`cmd /c exit\` (ms) | | $cmd_start | |"
echo "| DLL size, 32-bit as shipped (bytes) | $size | 300 000 aim | $(ratio "$size" 300000) |"
echo "| DLL imports | $imports | | |"
echo "| the first open dialog adds | committed private memory +${adds_kb} KB, GDI objects +${adds_gdi}, windows +${adds_windows}, handles +${adds_handles}, USER objects +${adds_user} (GetGuiResources) | | |"
