#!/usr/bin/env bash
# bench/pack/run.sh: package size and wall time of `qpack pack` and `qpack pack --best` against jlha (header level 2,
# -lh5-) on the benchmark corpus, side by side in one run, then the round trip of the whole corpus through
# `qpack extract` and through lhasa for both packages.
#
#   QPACK_BUILD_DIR   build directory (default: the release preset's, build/release)
#   QPACK_BENCH_CACHE where the corpus and the outputs go (default: ~/.cache/quibel-bench); never in the repo
set -euo pipefail
source "$(dirname "$0")/common.sh"
OUT=$CACHE/pack-out

command -v jlha >/dev/null || { echo "bench: jlha is not installed (apt-get install jlha-utils)" >&2; exit 1; }

rm -rf "$OUT"
mkdir -p "$OUT"
INPUT=$(find "$CORPUS/tree" -type f -printf '%s\n' | awk '{t += $1} END {print t}')

# jlha (Java) needs a UTF-8 locale to reach the accented names.
wall t_jlha env LC_ALL=C.UTF-8 sh -c "cd '$CORPUS/tree' && jlha c2o5q '$OUT/corpus.lzh' * >/dev/null"
wall t_q2 "$QPACK" pack "$CORPUS/tree" -o "$OUT/corpus-j2.maj" -j 2
wall t_b2 "$QPACK" pack "$CORPUS/tree" -o "$OUT/best-j2.maj" -j 2 --best
wall t_q1 "$QPACK" pack "$CORPUS/tree" -o "$OUT/corpus-j1.maj" -j 1

JLHA_SIZE=$(stat -c %s "$OUT/corpus.lzh")
row() {  # NAME FILE SECONDS
    local size
    size=$(stat -c %s "$2")
    awk -v name="$1" -v size="$size" -v input="$INPUT" -v j="$JLHA_SIZE" -v t="$3" -v tj="$t_jlha" \
        'BEGIN {printf "%-26s %12d %8.2f%% %9.2f%% %9.2f s %7.2fx\n", name, size, 100 * size / input,
                100 * size / j, t, t / tj}'
}
echo "corpus: $(grep -c . "$CORPUS/MANIFEST.tsv") files, $INPUT bytes ($CORPUS/tree)"
printf '%-26s %12s %9s %10s %11s %8s\n' "tool" "bytes" "of input" "of jlha" "wall" "time/jlha"
row "jlha (lh5, header level 2)" "$OUT/corpus.lzh" "$t_jlha"
row "qpack pack -j 2" "$OUT/corpus-j2.maj" "$t_q2"
row "qpack pack --best -j 2" "$OUT/best-j2.maj" "$t_b2"
row "qpack pack -j 1" "$OUT/corpus-j1.maj" "$t_q1"

# By kind of file: the bit streams alone (jlha's packed member sizes, qpack's block lengths less their two
# 4-byte fields), so that headers and names don't count.
kind_of='function kind(p) {
    if (p ~ /^Programme/) return "binaries (PE, ELF)";
    if (p ~ /Images|Archives/) return "incompressible (PNG, .gz)";
    if (p ~ /Polices/) return "fonts";
    return "text (man pages, scripts, licences)";
}'
qpack_streams() {  # LABEL PACKAGE
    "$QPACK" list "$2" | awk -v label="$1" '$3 ~ /%$/ && $4 ~ /^\\/ {
        name = $4; for (i = 5; i <= NF; i++) name = name " " $i; gsub(/\\/, "/", name); sub(/^\//, "", name)
        print label, $1 - 8, $2, name }'
}
{
    lhasa v "$OUT/corpus.lzh" | awk '$1 == "[generic]" && $5 ~ /^-lh[05]-$/ {
        name = $10; for (i = 11; i <= NF; i++) name = name " " $i; print "jlha", $2, $3, name }'
    qpack_streams qpack "$OUT/corpus-j2.maj"
    qpack_streams best "$OUT/best-j2.maj"
} | awk "$kind_of"'
    { k = kind($4); if ($1 == "jlha") { j[k] += $2; n[k] += $3 } else if ($1 == "qpack") q[k] += $2; else b[k] += $2 }
    END {
        printf "%-36s %11s %11s %11s %11s %8s %8s\n", "kind (bit streams only)", "input", "jlha", "qpack",
               "--best", "qpack", "--best"
        for (k in n) printf "%-36s %11d %11d %11d %11d %7.2f%% %7.2f%%\n", k, n[k], j[k], q[k], b[k],
                            100 * q[k] / j[k], 100 * b[k] / j[k]
    }'

cmp -s "$OUT/corpus-j1.maj" "$OUT/corpus-j2.maj" && echo "-j 1 and -j 2 packages: identical" ||
    { echo "bench: -j 1 and -j 2 packages differ" >&2; exit 1; }
for package in corpus-j2 best-j2; do
    "$QPACK" verify "$OUT/$package.maj"
    "$QPACK" extract "$OUT/$package.maj" "$OUT/$package-extracted" >/dev/null
    if diff -r "$CORPUS/tree" "$OUT/$package-extracted" >/dev/null; then
        echo "round trip: the whole corpus extracts byte-exact from $package.maj"
    else
        echo "bench: round trip of $package.maj differs" >&2
        exit 1
    fi
    python3 "$REPO/bench/pack/lhasa-check.py" "$OUT/$package.maj" "$CORPUS/tree" "$OUT/corpus.lzh" "$OUT/$package-lhasa"
done
