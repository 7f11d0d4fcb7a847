#!/bin/sh
# SPDX-License-Identifier: MIT
# Generates a 200 000-entry document, runs the benchmarks and times the
# command-line tools beside plain-text baselines.
#   bench/run.sh [BUILD_DIR]   (a Release build: cmake -DCMAKE_BUILD_TYPE=Release)
set -eu
BUILD=${1:-build}
GEN=$(find "$BUILD" -name ovrin-gen -type f | head -1)
BENCH=$(find "$BUILD" -name ovrin_bench -type f | head -1)
# The tools exactly as `ovrin` runs them, without loading the window libraries.
OVRIN=$(find "$BUILD" -name ovrin-cli -type f | head -1)
OPEN_MEMORY=$(find "$BUILD" -name ovrin-open-memory -type f | head -1)
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT INT TERM

"$GEN" 200000 42 "$TMP/big.ovr"
echo "document: $(stat -c %s "$TMP/big.ovr") bytes"
"$BENCH" --benchmark_repetitions=1

# Wall time of a command in seconds (best of three).
best() {
    b=""
    for _ in 1 2 3; do
        s=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s.%N)
        t=$(echo "$e - $s" | bc)
        if [ -z "$b" ] || [ "$(echo "$t < $b" | bc)" = 1 ]; then b=$t; fi
    done
    echo "$b"
}

if [ -n "$OVRIN" ]; then
    # The plain-text dump grep reads: key words and descriptions.
    "$OVRIN" --export "$TMP/big.ovr" >"$TMP/big.rec"
    grep -v '^Number: \|^Date: \|^%rec' "$TMP/big.rec" >"$TMP/big.txt"
    f=$(best "$OVRIN" --find "xyzzy nowhere" --descriptions "$TMP/big.ovr")
    g=$(best env LC_ALL=C grep -c -i "xyzzy nowhere" "$TMP/big.txt")
    echo "find (whole process): ovrin ${f}s  grep ${g}s  ratio $(echo "scale=2; $f / $g" | bc)"
    x=$(best "$OVRIN" --export "$TMP/big.ovr")
    l=$(best "$OVRIN" --list "$TMP/big.ovr")
    echo "export ${x}s  list ${l}s  ratio $(echo "scale=2; $x / $l" | bc)"
    # Peak memory of the open document against twice the file plus the
    # program's baseline (the peak before the open).
    if [ -n "$OPEN_MEMORY" ]; then
        "$OPEN_MEMORY" "$TMP/big.ovr"
        echo "file: $(( $(stat -c %s "$TMP/big.ovr") / 1024 )) kB"
    fi
else
    echo "no ovrin-cli binary in $BUILD: command-line timings skipped"
fi

# The window's figures with the real screen font, at 200 000 and 1 000 000
# entries, and the documents with huge fields.
"$(dirname "$0")/run_window.sh" "$BUILD"
