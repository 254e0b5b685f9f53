#!/usr/bin/env bash
# Benchmark (not a test): prints one Markdown table measured in this run
# under Wine, in a private Xvfb and the build's prefix. Every comparison is
# made in pairs, the two sides alternating (A B B A ...) close together in
# time, so that whatever slows the machine slows both; each row gives the
# median of the per-pair ratios with a 95 % interval for it.
#   1. start to visible: VekProcStartCmd until the dialog is shown and
#      painted, against a dialog of the same twelve controls that the
#      dialog manager makes from a template, showing the same loaded paths
#      and check values as the command's, in one host process (PAIRS
#      pairs after a warm-up), and again with the reference carrying the
#      command's icons; beside it the CPU time of one show, summed over the
#      host process, the wineserver and the X server;
#   2. the first show in a fresh process, against the template with the
#      command's icons, each loading its icons in that show (FIRST_PAIRS
#      pairs);
#   3. deletion: a pattern matching 1 000 and 10 000 files in one folder
#      that also holds the settings file, the command's deletion (sparing
#      it) against `cmd /c del` (DELETE_PAIRS pairs each);
#   4. footprint: the DLL's size and imports, what one open dialog adds.
#
#   bash scripts/bench.sh [--steps]
#
# --steps times the shows with a build made with the VANTREL2_TRACE option
# (in <build folder>/trace) and adds the median milliseconds of each step
# of the command's and the reference's shows, in the pairs against the
# reference with icons and in the first shows. VANTREL2_BUILD picks the
# build folder (see scripts/start-up.sh).
set -euo pipefail
source "$(dirname "$0")/start-up.sh"
PAIRS="${PAIRS:-100}"
FIRST_PAIRS="${FIRST_PAIRS:-15}"
DELETE_PAIRS="${DELETE_PAIRS:-6}"
STEPS=no
case "${1:-}" in
    --steps) STEPS=yes ;;
    "") ;;
    *) echo "usage: bash scripts/bench.sh [--steps]" >&2; exit 2 ;;
esac

start_up Vantrel2 VekCmdLib VantrelStartBench VantrelDeleteBench >/dev/null
BIN="$BUILD/bin"
START_BIN="$BIN"
if [ "$STEPS" = yes ]; then
    START_BIN="$BUILD/trace/bin"
    cmake -S "$ROOT" --preset "$PRESET" -B "$BUILD/trace" -DVANTREL2_TRACE=ON >/dev/null
    cmake --build "$BUILD/trace" -j"$JOBS" --target Vantrel2 VantrelStartBench >/dev/null
fi

HOST="$BUILD/bench-host"
rm -rf "$HOST"
mkdir -p "$HOST/sysinfo" "$HOST/sysdata"
cp "$START_BIN/Vantrel2.dll" "$START_BIN/VantrelStartBench.exe" "$BIN/hostlib/VekCmdLib.dll" \
    "$BIN/VantrelDeleteBench.exe" "$HOST/"

fail() { echo "bench: $*" >&2; exit 1; }

# paired_summary: per-pair ratios on stdin, one a line; prints
# "<median> <low> <high>": the median and its 95 % interval from the order
# statistics (no assumption about the ratios' distribution).
paired_summary() {
    sort -g | awk '
        { r[NR] = $1 }
        END {
            n = NR
            median = (n % 2) ? r[(n + 1) / 2] : (r[n / 2] + r[n / 2 + 1]) / 2
            if (n < 6) { printf "%.3f n/a n/a\n", median; exit }  # too few for 95 %
            # The largest j with P(Binomial(n, 1/2) <= j - 1) <= 0.025.
            p = 0.5 ^ n; cdf = p; j = 1; k = 0
            while (k < n && cdf <= 0.025) { j = k + 1; k++; p = p * (n - k + 1) / k; cdf += p }
            printf "%.3f %.3f %.3f\n", median, r[j], r[n + 1 - j]
        }'
}
median() { paired_summary | cut -d' ' -f1; }
# pair_figures <file of "a b" lines>: "<median a> <median b> <ratio summary>".
pair_figures() {
    echo "$(awk '{print $1}' "$1" | median) $(awk '{print $2}' "$1" | median)" \
        "$(awk '{print $1 / $2}' "$1" | paired_summary)"
}
# alternate <pairs> <file> <function a> <function b> [argument]: "a b" lines
# in <file>, a first in odd pairs and b first in even ones.
alternate() {
    local i a b
    : >"$2"
    for i in $(seq "$1"); do
        if [ $((i % 2)) = 1 ]; then a=$($3 "${@:5}"); b=$($4 "${@:5}"); else
            b=$($4 "${@:5}"); a=$($3 "${@:5}"); fi
        echo "$a $b" >>"$2"
    done
}
now_ns() { date +%s%N; }
ms_since() { awk -v a="$1" -v b="$(now_ns)" 'BEGIN {printf "%.2f", (b-a)/1e6}'; }
interval() { echo "$1 [$2, $3]"; }

# CPU time (ms) used so far by this shell's finished children (the host
# runs as one), the prefix's wineserver and the X server.
TICK_MS=$(awk -v t="$(getconf CLK_TCK)" 'BEGIN {print 1000 / t}')
proc_cpu_ms() { awk -v t="$TICK_MS" '{print ($14 + $15 + $16 + $17) * t}' "/proc/$1/stat"; }
children_cpu_ms() { awk -v t="$TICK_MS" '{print ($16 + $17) * t}' /proc/$$/stat; }
server_dir="server-$(printf '%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")"
WINESERVER_PID=""
for pid in $(pgrep -x 'wineserver(32|64)?' || true); do
    case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in */"$server_dir") WINESERVER_PID=$pid ;; esac
done
[ -n "$WINESERVER_PID" ] || fail "no wineserver found for $WINEPREFIX"
XVFB_PID="$(cat "$BUILD/.vantrel2-xvfb.pid")"
session_cpu_ms() {
    echo "$(children_cpu_ms) $(proc_cpu_ms "$WINESERVER_PID") $(proc_cpu_ms "$XVFB_PID")" |
        awk '{print $1 + $2 + $3}'
}

cd "$HOST"
# paired_start <output> [host options]: PAIRS alternating pairs in one host.
paired_start() {
    local out="$1"
    shift
    wine_run VantrelStartBench.exe --dll Vantrel2.dll --cmdline 1 --time-pairs "$PAIRS" "$@" </dev/null |
        tr -d '\r' >"$out" || fail "the paired run failed: $(cat "$out")"
    # The pairs must really alternate: AB, BA, AB, ...
    awk -v n="$PAIRS" '
        /^pair / { want = (count % 2 == 0) ? "AB" : "BA"; if ($2 != count || $3 != want) bad = 1; count++ }
        END { exit (bad || count != n) }' "$out" || fail "the pairs did not alternate: $(cat "$out")"
    awk '/^pair / {print $5, $7}' "$out" >"$out.pairs"
}
echo "measuring start to visible ($PAIRS pairs, twice) ..." >&2
paired_start start.txt
read -r start_command start_template start_pairs <<<"$(pair_figures start.txt.pairs)"
# The same with the reference carrying the command's two icons (WM_SETICON).
paired_start start-icons.txt --reference-icons
read -r icons_command icons_template icons_pairs <<<"$(pair_figures start-icons.txt.pairs)"

# CPU per show: the difference between runs of 60 and 10 shows, so that
# starting and ending the process cancel out.
cpu_per_show() {
    local runs cpu=() t
    for runs in 10 60; do
        t=$(session_cpu_ms)
        wine_run VantrelStartBench.exe --dll Vantrel2.dll --cmdline 1 --time-start "$runs" "$@" \
            </dev/null >cpu-run.txt 2>&1 || fail "the CPU run failed: $(tr -d '\r' <cpu-run.txt)"
        cpu+=("$(awk -v a="$t" -v b="$(session_cpu_ms)" 'BEGIN {print b - a}')")
    done
    awk -v a="${cpu[0]}" -v b="${cpu[1]}" 'BEGIN {printf "%.2f", (b - a) / 50}'
}
echo "measuring CPU time per show ..." >&2
cpu_command=$(cpu_per_show)
cpu_template=$(cpu_per_show --template-dialog)

echo "measuring the first show in a process ($FIRST_PAIRS pairs) ..." >&2
# first_show <output> [host options]: one fresh host; prints its first show.
first_show() {
    wine_run VantrelStartBench.exe --dll Vantrel2.dll --cmdline 1 --time-start 1 "${@:2}" </dev/null |
        tr -d '\r' >"$1" || fail "a first show failed: $(cat "$1")"
    grep '^step ' "$1" >>"$1.steps" || true
    awk '/^first-start-ms/ {print $2}' "$1"
}
first_command() { first_show first-command.txt; }
first_template() { first_show first-template.txt --template-dialog --reference-icons; }
rm -f first-command.txt.steps first-template.txt.steps
alternate "$FIRST_PAIRS" first.pairs first_command first_template
read -r first_command first_template first_pairs <<<"$(pair_figures first.pairs)"
footprint="$(grep '^open-adds' first-command.txt)" ||
    fail "no footprint figure: $(cat first-command.txt)"
read -r _ _ adds_kb _ adds_gdi _ adds_user _ adds_windows _ adds_handles <<<"$footprint"

echo "measuring deletion ($DELETE_PAIRS pairs each) ..." >&2
FOLDER="$WINEPREFIX/drive_c/vantrel2-bench"
PATTERN='C:\vantrel2-bench\*.tmp'
# The folder holds a settings file, spared as the Execute button spares the
# command's (which is in the folder of two rows' files). The files are on
# disk before the clock starts: otherwise their write-back falls inside
# whichever side runs next.
SETTINGS='C:\vantrel2-bench\kxSystem.ini'
fill() {
    rm -rf "$FOLDER"
    mkdir -p "$FOLDER"
    (cd "$FOLDER" && seq -f 'f%05g.tmp' 1 "$1" | xargs touch && echo '[x]' >kxSystem.ini)
    sync
}
ours() {
    local t out
    fill "$1"
    t=$(now_ns)
    out=$(wine_run VantrelDeleteBench.exe "$PATTERN" "$SETTINGS" </dev/null | tr -d '\r') ||
        fail "the deletion benchmark failed: $out"
    ms_since "$t"
    [ "$(awk '{print $4}' <<<"$out")" = "$1" ] || fail "deleted: $out"
    [ -f "$FOLDER/kxSystem.ini" ] || fail "the settings file was deleted"
}
theirs() {
    local t
    fill "$1"
    t=$(now_ns)
    wine_run cmd /c del /q "$PATTERN" </dev/null >/dev/null 2>&1
    ms_since "$t"
    [ "$(ls -A "$FOLDER")" = kxSystem.ini ] || fail "del left files"
}
declare -A deletion
for n in 1000 10000; do
    alternate "$DELETE_PAIRS" "delete-$n.pairs" ours theirs "$n"
    deletion[$n]="$(pair_figures "delete-$n.pairs")"
done
rm -rf "$FOLDER"

# Size and imports are the shipped 32-bit DLL's.
shipped_dll_build >/dev/null
size=$(stat -c %s "$SHIPPED_DLL")
imports=$(shipped_dll_imports | tr '\n' ' ')

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')
echo
echo "Machine: $(nproc) CPUs, $cpu; $(wine_run --version); $PRESET build; $(date -u +%Y-%m-%d)"
echo
echo "| measure | Vantrel2 | reference | per-pair ratio, median [95 % interval] |"
echo "| --- | ---: | ---: | ---: |"
echo "| start to visible, $PAIRS pairs in one process (median ms) | $start_command | $start_template (same controls from a template) | $(interval $start_pairs) |"
echo "| the same, the reference with the command's icons (median ms) | $icons_command | $icons_template (template and WM_SETICON) | $(interval $icons_pairs) |"
echo "| CPU time of one show: host, wineserver, X server (ms) | $cpu_command | $cpu_template | $(awk -v a="$cpu_command" -v b="$cpu_template" 'BEGIN {printf "%.2f", a / b}') |"
echo "| start to visible, first in a fresh process, $FIRST_PAIRS pairs (median ms) | $first_command | $first_template (template and WM_SETICON) | $(interval $first_pairs) |"
for n in 1000 10000; do
    read -r ours_ms del_ms ratio low high <<<"${deletion[$n]}"
    echo "| delete $n files, whole process, $DELETE_PAIRS pairs (median ms) | $ours_ms | $del_ms (cmd /c del) | $(interval "$ratio" "$low" "$high") |"
done
echo "| DLL size, 32-bit as shipped (bytes) | $size | 300 000 aim | |"
echo "| DLL imports | $imports | | |"
echo "| the first open dialog adds | committed private memory +${adds_kb} KB, GDI objects +${adds_gdi}, windows +${adds_windows}, handles +${adds_handles}, USER objects +${adds_user} | | |"

[ "$STEPS" = yes ] || exit 0
# step_medians <side> <file>...: "<step> <median ms>" per step of that side's
# shows in the files, in the order the show makes them.
step_medians() {
    local side="$1" step values
    shift
    cat "$@" | awk -v side="$side" '
        $1 == "step" && $2 == side {
            if (!($3 in values)) order[++n] = $3
            values[$3] = values[$3] " " $4
        }
        END { for (i = 1; i <= n; i++) print order[i] values[order[i]] }' |
        while read -r step values; do
            echo "$step $(tr ' ' '\n' <<<"$values" | median)"
        done
}
# step_table <side> <caption>: the side's steps in the pairs with icons and
# in the first shows, side by side.
step_table() {
    echo
    { step_medians "$1" start-icons.txt | sed 's/^/pairs /'
      step_medians "$1" "first-$1.txt.steps" | sed 's/^/first /'; } |
        awk -v caption="$2" '
            !($2 in seen) { seen[$2] = 1; order[++n] = $2 }
            { ms[$1, $2] = $3 }
            END {
                print "| " caption " | pairs against the template with icons (median ms) | first show (median ms) |"
                print "| --- | ---: | ---: |"
                for (i = 1; i <= n; i++)
                    printf "| %s | %s | %s |\n", order[i], ms["pairs", order[i]], ms["first", order[i]]
            }'
}
step_table command "step of the command's show"
step_table template "step of the reference's show"
