#!/bin/sh
# SPDX-License-Identifier: MIT
# Generates a 200 000-entry document, runs the benchmarks and times the
# shipped `ovrin` command beside plain-text baselines (needs hyperfine).
#   bench/run.sh [BUILD_DIR]   (a Release build: cmake -DCMAKE_BUILD_TYPE=Release)
#   CLI_ONLY=1 bench/run.sh    times only the command
set -eu
BUILD=${1:-build}
GEN=$(find "$BUILD" -name ovrin-gen -type f | head -1)
BENCH=$(find "$BUILD" -name ovrin_bench -type f | head -1)
# The command users type, and the window program it hands over to.
OVRIN=$BUILD/ovrin
WINDOW=$BUILD/ovrin-window
OPEN_MEMORY=$(find "$BUILD" -name ovrin-open-memory -type f | head -1)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT INT TERM

"$GEN" 200000 42 "$TMP/big.ovr"
echo "document: $(stat -c %s "$TMP/big.ovr") bytes"
if [ -n "$BENCH" ] && [ "${CLI_ONLY:-0}" != 1 ]; then
    "$BENCH" --benchmark_repetitions=1
else
    echo "in-process benchmarks skipped (CLI_ONLY=1, or no ovrin_bench in $BUILD)"
fi

# Whole processes of the shipped `ovrin`, timed by hyperfine: the fastest of
# RUNS runs of COMMAND in seconds (on a busy machine the fastest run is the
# one least disturbed), the exit status ignored (--find of nothing exits 1).
best() {
    hyperfine -N -i --warmup 3 --runs "${RUNS:-30}" --style none \
        --export-csv "$TMP/t.csv" "$1" >/dev/null 2>&1
    awk -F, 'NR == 2 { printf "%.4f\n", $7 }' "$TMP/t.csv"
}
ratio() { echo "scale=2; $1 / $2" | bc; }

if ! command -v hyperfine >/dev/null; then
    echo "hyperfine is not installed: command-line timings skipped"
    exit 0
fi
# The plain-text dump grep reads: key words and descriptions.
"$OVRIN" --export "$TMP/big.ovr" >"$TMP/big.rec" || true
grep -v '^Number: \|^Date: \|^%rec' "$TMP/big.rec" >"$TMP/big.txt"
# `ovrin --find NEEDLE --descriptions` beside `grep -c -i NEEDLE` over the
# same texts, one row for each shape of needle, in milliseconds of CPU time
# (user + system) of one run: the best of five batches of ten runs, since
# on a shared machine the wall clock times the other programs too. Both
# write to a file: GNU grep that writes to /dev/null stops at the first
# line that matches, and its count would time nothing but that.
cpu_ms() {
    b=""
    for _ in 1 2 3 4 5; do
        /usr/bin/time -o "$TMP/time" -f "%U %S" \
            sh -c 'out=$1; shift; for i in 1 2 3 4 5 6 7 8 9 10; do "$@" >"$out" 2>&1; done' sh "$TMP/out" "$@" || true
        # The last line: a failed run adds a line of its own before it.
        t=$(awk 'END { printf "%.1f", ($1 + $2) * 100 }' "$TMP/time")
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
    done
    echo "$b"
}
. "$(dirname "$0")/needle_shapes.sh"
printf '%s\n' "$NEEDLE_SHAPES" "one letter that occurs (in 38 % of the entries, each printed)|q" |
    while IFS='|' read -r name needle; do
        f=$(cpu_ms "$OVRIN" --find "$needle" --descriptions "$TMP/big.ovr")
        g=$(cpu_ms env LC_ALL=C grep -c -i "$needle" "$TMP/big.txt")
        echo "--find \"$needle\" --descriptions, $name: ${f} ms  grep -c -i ${g} ms  ratio $(ratio "$f" "$g")"
        if [ "$needle" = q ]; then
            # Like for like: grep printing the lines it finds, as ovrin prints its entries.
            p=$(cpu_ms env LC_ALL=C grep -i "$needle" "$TMP/big.txt")
            echo "--find \"$needle\" --descriptions, $name: ${f} ms  grep -i (printing the lines) ${p} ms  ratio $(ratio "$f" "$p")"
        fi
    done
f=$(best "$OVRIN --find 'xyzzy nowhere' --descriptions $TMP/big.ovr")
w=$(best "$WINDOW --find 'xyzzy nowhere' --descriptions $TMP/big.ovr")
echo "--find run by the window program ($WINDOW): ${w}s  ratio to ovrin $(ratio "$w" "$f")"
l=$(best "$OVRIN --list $TMP/big.ovr")
x=$(best "$OVRIN --export $TMP/big.ovr")
echo "--export ${x}s  --list ${l}s  ratio $(ratio "$x" "$l")"
# The same size of document with words of other scripts in half its entries
# (their texts in the file's UTF-16 form): the tools' open of every entry
# (--list) and --find, beside the Windows-1252 document.
"$GEN" 200000 42 "$TMP/mixed.ovr" --mixed-scripts 50
echo "mixed-script document: $(stat -c %s "$TMP/mixed.ovr") bytes"
lm=$(best "$OVRIN --list $TMP/mixed.ovr")
echo "--list mixed scripts ${lm}s  Windows-1252 ${l}s  ratio $(ratio "$lm" "$l")"
# Beside a Windows-1252 document of about the mixed one's bytes (more
# entries), for what the larger file alone costs.
same=$((200000 * $(stat -c %s "$TMP/mixed.ovr") / $(stat -c %s "$TMP/big.ovr")))
"$GEN" "$same" 42 "$TMP/same-size.ovr"
ls=$(best "$OVRIN --list $TMP/same-size.ovr")
echo "--list mixed scripts ${lm}s  Windows-1252 of the same bytes ($same entries) ${ls}s  ratio $(ratio "$lm" "$ls")"
fs=$(best "$OVRIN --find 'xyzzy nowhere' --descriptions $TMP/same-size.ovr")
rm -f "$TMP/same-size.ovr"
fm=$(best "$OVRIN --find 'xyzzy nowhere' --descriptions $TMP/mixed.ovr")
echo "--find with descriptions, mixed scripts ${fm}s  Windows-1252 ${f}s  ratio $(ratio "$fm" "$f")"
echo "--find with descriptions, mixed scripts ${fm}s  Windows-1252 of the same bytes ${fs}s  ratio $(ratio "$fm" "$fs")"
greek=$(printf '\316\243\316\212\316\243')  # ΣΊΣ
fg=$(best "$OVRIN --find '$greek nowhere' --descriptions $TMP/mixed.ovr")
echo "--find of a Greek needle, mixed scripts ${fg}s  Windows-1252 needle ${f}s  ratio $(ratio "$fg" "$f")"
i=$(RUNS=10 best "sh -c 'rm -f $TMP/imported.ovr; $OVRIN --import $TMP/big.rec $TMP/imported.ovr'")
echo "--import of the export ${i}s  --export ${x}s  ratio $(ratio "$i" "$x")"
cmp -s "$TMP/big.ovr" "$TMP/imported.ovr" && echo "--import gave the document back byte for byte"
# Peak memory of the open document against twice the file plus the
# program's baseline (the peak before the open).
if [ -n "$OPEN_MEMORY" ]; then
    "$OPEN_MEMORY" "$TMP/big.ovr"
    echo "file: $(( $(stat -c %s "$TMP/big.ovr") / 1024 )) kB"
fi

# Peak memory of the tools, which stream the file: a 5 MB and a 250 MB
# document, and --import of the larger one's export beside its size.
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
if [ -x /usr/bin/time ]; then
    "$GEN" 20000 42 "$TMP/small.ovr"
    "$GEN" 1000000 42 "$TMP/huge.ovr"
    for mode in "--find xyzzy --descriptions" --list --export; do
        # shellcheck disable=SC2086
        echo "peak of ovrin $mode: $(peak "$OVRIN" $mode "$TMP/small.ovr") kB on 5 MB," \
            "$(peak "$OVRIN" $mode "$TMP/huge.ovr") kB on 250 MB"
    done
    "$OVRIN" --export "$TMP/huge.ovr" >"$TMP/huge.rec" || true
    rm -f "$TMP/huge.ovr" "$TMP/imported.ovr"
    echo "peak of ovrin --import: $(peak "$OVRIN" --import "$TMP/huge.rec" "$TMP/imported.ovr") kB" \
        "for a document of $(( $(stat -c %s "$TMP/imported.ovr") / 1024 )) kB"
    rm -f "$TMP/huge.rec" "$TMP/imported.ovr"
    # 5 000 000 tiny records, where the entries themselves cost the most.
    awk 'BEGIN { print "%rec: Entry"; for (i = 0; i < 5000000; i++) printf "\nKeyWords: k%d\nDate: 1.1.2000\n", (i * 7919) % 5000000 }' >"$TMP/tiny.rec"
    echo "peak of ovrin --import, 5 000 000 tiny records: $(peak "$OVRIN" --import "$TMP/tiny.rec" "$TMP/imported.ovr") kB" \
        "for a document of $(( $(stat -c %s "$TMP/imported.ovr") / 1024 )) kB"
    rm -f "$TMP/tiny.rec" "$TMP/imported.ovr"
fi

# The window's figures with the real screen font, at 200 000 and 1 000 000
# entries, and the documents with huge fields.
"$(dirname "$0")/run_window.sh" "$BUILD"
