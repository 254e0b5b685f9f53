#!/usr/bin/env bash
# Runs one analyser over every file of src/ that the Windows build compiles,
# as that build compiles it (its compile_commands.json), and over a fixture
# holding one fault the analyser must report on the line marked "FAULT".
# Passes when src/ has no finding and the fixture's fault is found.
#   analyse.sh clang-tidy|cppcheck <build folder> <source folder>
set -euo pipefail
TOOL="$1" BUILD="$(realpath "$2")" SRC="$(realpath "$3")"
HERE="$SRC/tests/analysis"
JOBS="$(nproc)"
T="$(mktemp -d)"
trap 'rm -rf "$T"' EXIT

# The build's commands for the files of src/, each file once: the analysers
# read them from $T.
python3 - "$BUILD/compile_commands.json" "$SRC/src/" "$T" <<'PY'
import json, os, sys
database, src, out = sys.argv[1:]
kept = {}
for entry in json.load(open(database)):
    path = os.path.join(entry["directory"], entry["file"])
    if path.startswith(src):
        kept.setdefault(path, dict(entry, file=path))
json.dump(list(kept.values()), open(f"{out}/compile_commands.json", "w"), indent=1)
open(f"{out}/files", "w").write("".join(f"{p}\n" for p in kept))
PY
[ -s "$T/files" ] || { echo "no file of src/ in $BUILD/compile_commands.json" >&2; exit 1; }
COMPILER="$(python3 -c 'import json, sys, shlex
e = json.load(open(sys.argv[1]))[0]
print(e["arguments"][0] if "arguments" in e else shlex.split(e["command"])[0])' \
    "$BUILD/compile_commands.json")"
TRIPLE="$(basename "$COMPILER" | sed -E 's/-g(cc|\+\+)(-posix|-win32)?$//')"

# Lines "file:line:column: severity: text [check]", from the output given.
findings() { grep -E '^/[^:]+:[0-9]+:[0-9]+: (warning|error|style|performance|portability): ' "$@" || true; }

case "$TOOL" in
clang-tidy)
    # Clang reads the build's GCC command lines for GCC's target, with the
    # C++ library of that GCC (Clang's MinGW driver does not find Debian's).
    args=(--quiet --header-filter="^$SRC/src/" --extra-arg-before=--target="$TRIPLE" --extra-arg=-nostdinc++
          --extra-arg=-Wno-unknown-warning-option)
    while read -r dir; do
        case "$dir" in */c++*) args+=(--extra-arg=-isystem"$dir") ;; esac
    done < <(echo | "$COMPILER" -x c++ -E -v - 2>&1 | sed -n '/<...> search starts/,/End of/p' |
             sed -n 's/^ //p')
    printf '%s\n' --config-file="$SRC/.clang-tidy" "${args[@]}" -p "$T" >"$T/args"
    # One clang-tidy a file, each file's output kept apart.
    export T
    nl -ba -nln "$T/files" | xargs -P "$JOBS" -L 1 bash -c \
        'mapfile -t a <"$T/args"; clang-tidy-16 "${a[@]}" "$1" >"$T/out.$0" 2>/dev/null || true'
    cat "$T"/out.* >"$T/src.txt"
    FIXTURE="$HERE/use_after_move.cpp"
    EXPECTED=bugprone-use-after-move
    clang-tidy-16 --config-file="$SRC/.clang-tidy" "${args[@]}" "$FIXTURE" -- -std=c++20 \
        >"$T/fixture.txt" 2>/dev/null || true
    ;;
cppcheck)
    # useStlAlgorithm is advice on style (a loop that could be an algorithm),
    # not a fault.
    common=(--quiet --enable=warning,style,performance,portability --suppress=useStlAlgorithm
            --inline-suppr --library=windows
            --platform=win32W --error-exitcode=0 -j "$JOBS"
            "--template={file}:{line}:{column}: {severity}: {message} [{id}]")
    cppcheck "${common[@]}" --project="$T/compile_commands.json" --suppress=missingIncludeSystem \
        >"$T/src.txt" 2>&1 || { cat "$T/src.txt"; echo "cppcheck failed" >&2; exit 1; }
    FIXTURE="$HERE/null_on_one_path.cpp"
    EXPECTED=nullPointer
    cppcheck "${common[@]}" "$FIXTURE" >"$T/fixture.txt" 2>&1
    ;;
*) echo "unknown analyser $TOOL" >&2; exit 2 ;;
esac

# The verdict: src/'s findings, then the fixture's.
status=0
findings "$T/src.txt" | grep "^$SRC/src/" | sort -u >"$T/found" || true
if [ -s "$T/found" ]; then
    echo "$TOOL: $(wc -l <"$T/found") finding(s) in src/:"
    cat "$T/found"
    status=1
else
    echo "$TOOL: no finding in $(wc -l <"$T/files") files of src/"
fi
line="$(grep -n 'FAULT' "$FIXTURE" | cut -d: -f1)"
if findings "$T/fixture.txt" | grep -q "^$FIXTURE:$line:.*\[$EXPECTED\]\$"; then
    echo "$TOOL: the fixture's fault found ($EXPECTED, line $line)"
else
    echo "$TOOL: the fixture's fault ($EXPECTED, line $line) was NOT reported; it said:"
    cat "$T/fixture.txt"
    status=1
fi
exit "$status"
