#!/usr/bin/env bash
# bench/pack/memory.sh: peak resident memory and wall time of `qpack pack -j 2` on one copy of the benchmark
# corpus and on three copies side by side in one tree, and the ratio of the two peaks, in one run. The peak
# should follow the files in flight, not the package: three copies should cost at most 1.15 times one.
#
#   QPACK_BUILD_DIR   build directory (default: the release preset's, build/release)
#   QPACK_BENCH_CACHE where the corpus, its three copies and the outputs go (default: ~/.cache/quibel-bench)
#   QPACK_BEFORE      another qpack to measure the same way beside it (e.g. one built from an older commit)
set -euo pipefail
source "$(dirname "$0")/common.sh"
THREE=$CACHE/corpus-three
OUT=$CACHE/memory-out

if [ ! -f "$THREE.complete" ]; then
    rm -rf "$THREE"
    mkdir -p "$THREE"
    for copy in 1 2 3; do
        cp -a "$CORPUS/tree" "$THREE/copy$copy"
    done
    touch "$THREE.complete"
fi
rm -rf "$OUT"
mkdir -p "$OUT"

tree_figures() {  # DIR: files and bytes
    find "$1" -type f -printf '%s\n' | awk '{n++; t += $1} END {printf "%d %d", n, t}'
}
peak_of() {  # LOG of /usr/bin/time -v: the peak in kB
    awk -F': ' '/Maximum resident set size/ {print $2}' "$1"
}
# measure LABEL QPACK TREE: one row, the peak in kB kept in $peak. The scan alone is the same command with an
# output in a missing directory: it fails once the tree is read, before compressing.
measure() {
    local label=$1 qpack=$2 tree=$3 log=$OUT/time.log package=$OUT/package.maj scan
    /usr/bin/time -v "$qpack" pack "$tree" -o "$OUT/missing/package.maj" -j 2 2>"$log" >/dev/null || true
    scan=$(peak_of "$log")
    /usr/bin/time -v "$qpack" pack "$tree" -o "$package" -j 2 2>"$log" >/dev/null
    peak=$(peak_of "$log")
    awk -v label="$label" -v f="$(tree_figures "$tree")" -v size="$(stat -c %s "$package")" -v peak="$peak" \
        -v scan="$scan" -v wall="$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$log")" \
        'BEGIN {split(f, a, " "); printf "%-22s %6d %12d %12d %10d kB %10d kB %9s\n", label, a[1], a[2], size,
                peak, scan, wall}'
}

echo "qpack pack -j 2, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-22s %6s %12s %12s %13s %13s %9s\n' "run" "files" "input bytes" "package" "peak RSS" "scan alone" "wall"
for which in ${QPACK_BEFORE:+before} now; do
    qpack=$QPACK
    [ "$which" = before ] && qpack=$QPACK_BEFORE
    measure "$which: one copy" "$qpack" "$CORPUS/tree"
    one=$peak
    measure "$which: three copies" "$qpack" "$THREE"
    three=$peak
    awk -v a="$one" -v b="$three" -v w="$which" 'BEGIN {printf "%s: three copies / one copy = %.3f\n", w, b / a}'
done
