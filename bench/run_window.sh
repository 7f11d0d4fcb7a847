#!/bin/sh
# SPDX-License-Identifier: MIT
# The figures a person feels in the window, each beside its baseline from the
# same run, in milliseconds of CPU time: the real main window and screen font (offscreen Qt) through
# ovrin-view-bench, `ovrin --list` from the same build, at 200 000 and at
# 1 000 000 entries, and the first paint of documents with huge fields and the
# Edit dialog on them.
#   bench/run_window.sh [BUILD_DIR] [SIZES]   (SIZES default "200000 1000000";
#   RUNS=n in the environment: best of n runs, default 3)
set -eu
RUNS=${RUNS:-3}
BUILD=${1:-build}
SIZES=${2:-"200000 1000000"}
GEN=$(find "$BUILD" -name ovrin-gen -type f | head -1)
VIEW=$(find "$BUILD" -name ovrin-view-bench -type f | head -1)
MEMORY=$(find "$BUILD" -name ovrin-open-memory -type f | head -1)
OVRIN="$BUILD/ovrin"
for b in "$GEN" "$VIEW" "$MEMORY" "$OVRIN"; do
    [ -x "$b" ] || { echo "run_window.sh: missing binaries in $BUILD" >&2; exit 2; }
done
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT INT TERM
export QT_QPA_PLATFORM=offscreen

. "$(dirname "$0")/needle_shapes.sh"

# The first number after a label in a line of ovrin-view-bench.
after() { sed -n "s/.*$1 \([0-9.]*\).*/\1/p" | head -1; }
ratio() { echo "scale=2; $1 / $2" | bc; }
lesser() { if [ "$(echo "$1 < $2" | bc)" = 1 ]; then echo "$1"; else echo "$2"; fi; }
# Best of RUNS runs of ovrin-view-bench MODE FILE, by the figure after LABEL.
best_view() {
    b=""
    for _ in $(seq "$RUNS"); do
        v=$("$VIEW" "$1" "$2" 2>/dev/null | after "$3")
        if [ -z "$b" ]; then b=$v; else b=$(lesser "$v" "$b"); fi
    done
    echo "$b"
}
# CPU time (user + system) of a command in milliseconds, best of RUNS
# batches of ten runs: on a shared machine the wall clock measures the other
# programs too, and /usr/bin/time counts only hundredths of a second.
best_ms() {
    b=""
    for _ in $(seq "$RUNS"); do
        /usr/bin/time -o "$TMP/time" -f "%U %S" sh -c 'for _ in 1 2 3 4 5 6 7 8 9 10; do "$@"; done' sh "$@" >/dev/null 2>&1 || true
        t=$(awk '{ printf "%.1f", ($1 + $2) * 100 }' "$TMP/time")
        if [ -z "$b" ]; then b=$t; else b=$(lesser "$t" "$b"); fi
    done
    echo "$b"
}
# Best of RUNS runs of the Find dialog's search for NEEDLE in FILE, and of
# memchr over the same bytes: "FIND MEMCHR" in milliseconds.
best_find() {
    found=""; mc=""
    for _ in $(seq "$RUNS"); do
        out=$("$VIEW" find "$1" "$2" 2>/dev/null)
        v=$(echo "$out" | after "find"); m=$(echo "$out" | after "bytes")
        if [ -z "$found" ]; then found=$v; mc=$m; else found=$(lesser "$v" "$found"); mc=$(lesser "$m" "$mc"); fi
    done
    echo "$found $mc"
}
row() { printf '%-44s | %12s | %-44s | %6s\n' "$1" "$2" "$3" "$4"; }

row "figure (binary)" "measured" "baseline" "ratio"
OPEN200=""
for n in $SIZES; do
    doc="$TMP/doc$n.ovr"
    "$GEN" "$n" 42 "$doc"
    size=$(stat -c %s "$doc")
    o=$(best_view open "$doc" "first paint")
    row "open + first paint, $n (ovrin-view-bench)" "$o ms" "-" "-"
    if [ "$n" = 200000 ]; then
        OPEN200=$o
        SCROLL200=$(best_view open "$doc" "scrolls")
        FIND200=$(best_find "$doc" "xyzzy nowhere" | cut -d' ' -f1)
        KEYS200=$(best_view keylist "$doc" "switch")
        row "  slowest scroll (middle, end), $n" "$SCROLL200 ms" "-" "-"
    fi
    l=$("$VIEW" load "$doc")
    lo=$(echo "$l" | after "open"); rd=$(echo "$l" | after "bytes")
    row "open the table, $n (ovrin-view-bench)" "$lo ms" "read its $size bytes $rd ms" "$(ratio "$lo" "$rd")"
    k=$(best_view keylist "$doc" "switch")
    li=$(best_ms "$OVRIN" --list "$doc")
    row "press k: key list, $n (ovrin-view-bench)" "$k ms" "ovrin --list $li ms" "$(ratio "$k" "$li")"
    for c in Delete Undo Next; do
        t=$(best_view keylist "$doc" "$c and paint")
        row "  $c with the key list shown, $n" "$t ms" "-" "-"
    done
    # The Find dialog's search with descriptions, each needle shape at
    # 200 000 entries, the first one at the larger sizes.
    printf '%s\n' "$NEEDLE_SHAPES" | while IFS='|' read -r name needle; do
        set -- $(best_find "$doc" "$needle")
        found=$1; mc=$2
        row "Find \"$needle\" ($name), $n" "$found ms" "memchr over the same bytes $mc ms" "$(ratio "$found" "$mc")"
        [ "$n" = 200000 ] || break
    done
    a=$("$VIEW" add "$doc")
    row "Add, $n entries, mean (ovrin-view-bench)" "$(echo "$a" | after "add") ms" "slowest of 200: $(echo "$a" | after "average,") ms" "-"
    a=$("$VIEW" add-recorded "$doc")
    row "  the same, recovery record on" "$(echo "$a" | after "add") ms" "slowest of 200: $(echo "$a" | after "average,") ms" "-"
    m=$("$MEMORY" "$doc")
    before=$(echo "$m" | after "before open"); peak=$(echo "$m" | after "after")
    limit=$((2 * size / 1024 + before))
    row "peak memory open, $n (ovrin-open-memory)" "$peak kB" "2 x file + baseline = $limit kB" "$(ratio "$peak" "$limit")"
    rm -f "$doc"
done

# What the open table costs an entry as Add leaves it (no key words, no
# description, a date), beside the file's own bytes for one.
doc="$TMP/empty.ovr"
"$GEN" 5000000 42 "$doc" --empty-entries 1
m=$("$MEMORY" "$doc")
row "bytes per empty entry open, 5000000 (ovrin-open-memory)" "$(echo "$m" | after "kB, bytes per entry")" \
    "the file's $(echo "$m" | after "file bytes per entry")" "-"
rm -f "$doc"
# Every entry of a 200 000-entry document also in other scripts (Polish,
# Greek, Cyrillic, Chinese, emoji, combining marks), beside the Windows-1252
# one of the same size; skipped where ovrin-gen cannot make it.
if [ -n "$OPEN200" ] && "$GEN" 200000 42 "$TMP/mixed.ovr" --mixed-scripts 100 >/dev/null 2>&1; then
    o=$(best_view open "$TMP/mixed.ovr" "first paint")
    sc=$(best_view open "$TMP/mixed.ovr" "scrolls")
    k=$(best_view keylist "$TMP/mixed.ovr" "switch")
    row "open + first paint, 200000 mixed scripts" "$o ms" "Windows-1252: $OPEN200 ms" "$(ratio "$o" "$OPEN200")"
    row "  slowest scroll (middle, end), mixed" "$sc ms" "Windows-1252: $SCROLL200 ms" "$(ratio "$sc" "$SCROLL200")"
    row "  press k: key list, mixed" "$k ms" "Windows-1252: $KEYS200 ms" "$(ratio "$k" "$KEYS200")"
    f=$(best_find "$TMP/mixed.ovr" "xyzzy nowhere" | cut -d' ' -f1)
    row "  Find \"xyzzy nowhere\", mixed" "$f ms" "Windows-1252: $FIND200 ms" "$(ratio "$f" "$FIND200")"
    rm -f "$TMP/mixed.ovr"
fi

if [ -n "$OPEN200" ]; then
    for shape in "--description-bytes 20000000:one 20 MB description line" \
                 "--date-bytes 1000000:a 1 MB date" \
                 "--description-lines 2000000:2 million description lines" \
                 "--key-word-bytes 1000000:1 MB of key words"; do
        opts=${shape%%:*}; name=${shape#*:}
        doc="$TMP/huge.ovr"
        # shellcheck disable=SC2086
        "$GEN" 100 42 "$doc" $opts
        o=$(best_view open "$doc" "first paint")
        r=$(best_view open "$doc" "resizes")
        sc=$(best_view open "$doc" "scrolls")
        row "first paint, $name" "$o ms" "open + first paint, 200000: $OPEN200 ms" "$(ratio "$o" "$OPEN200")"
        row "  slowest resize, $name" "$r ms" "same" "$(ratio "$r" "$OPEN200")"
        row "  slowest scroll (middle, end), $name" "$sc ms" "same" "$(ratio "$sc" "$OPEN200")"
        # The Edit dialog on that entry, each step beside opening this very
        # document in the window.
        if [ "$opts" != "--date-bytes 1000000" ]; then
            for step in "press e" Tab Ctrl+End type "typing kept" Escape "e again" "OK unchanged"; do
                t=$(best_view edit "$doc" "$step")
                row "  Edit dialog: $step, $name" "$t ms" "first paint of this document $o ms" "$(ratio "$t" "$o")"
            done
        fi
        rm -f "$doc"
    done
fi
