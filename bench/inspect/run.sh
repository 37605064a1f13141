#!/bin/sh
# bench/inspect/run.sh: wall time of `qpack list` and `qpack verify` on a package of 100,000 directories and on
# the benchmark corpus's package (58 MB), beside `lhasa l`, `lhasa t` and `7z t` on the same corpus as an -lh5-
# archive (jlha, header level 2).
#
#   REPEAT=n       best of n runs (default 3)
#   QPACK=FILE     the qpack to measure (default: build it in build/release, the release preset)
#   QUIBEL_BENCH_CACHE  corpus, archive and packages (default build/bench-cache, shared with bench/decode)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
shared=${QUIBEL_SHARED:-$root/../shared}
cache=${QUIBEL_BENCH_CACHE:-$root/build/bench-cache}
repeat=${REPEAT:-3}
for tool in jlha lhasa 7z; do
    command -v "$tool" >/dev/null 2>&1 || { echo "run.sh: $tool is missing (scripts/deps.sh)" >&2; exit 1; }
done
if [ -z "${QPACK:-}" ]; then
    [ -f "$root/build/release/build.ninja" ] || (cd "$root" && cmake --preset release >/dev/null)
    cmake --build "$root/build/release" --target qpack -- -j2 >/dev/null
    QPACK=$root/build/release/tools/qpack/qpack
fi

corpus=$cache/corpus
if [ ! -f "$corpus/SUMMARY.txt" ]; then
    echo "building the benchmark corpus in $corpus (once, about a minute)" >&2
    rm -rf "$corpus"
    bash "$shared/bench/make-corpus.sh" "$corpus" >&2
fi
inspect=$cache/inspect
mkdir -p "$inspect"
if [ ! -s "$inspect/corpus.lzh" ]; then
    (cd "$corpus/tree" && LC_ALL=C.UTF-8 jlha ao52q "$inspect/corpus.lzh.tmp" * >/dev/null 2>&1)
    mv "$inspect/corpus.lzh.tmp" "$inspect/corpus.lzh"
fi
# 100 directories of 1,000 empty directories each, and the root: 100,101 directory entries.
if [ ! -d "$inspect/dirs100k/99/999" ]; then
    echo "making a tree of 100,100 directories in $inspect/dirs100k (once)" >&2
    rm -rf "$inspect/dirs100k"
    mkdir -p "$inspect/dirs100k"
    for i in $(seq 0 99); do
        mkdir "$inspect/dirs100k/$i"
        (cd "$inspect/dirs100k/$i" && seq 0 999 | xargs mkdir)
    done
fi
"$QPACK" pack "$inspect/dirs100k" -o "$inspect/dirs100k.maj" -j 2
"$QPACK" pack "$corpus/tree" -o "$inspect/corpus.maj" -j 2

# Best wall time in seconds of REPEAT runs of a command (its output discarded).
best_wall() {
    best=
    i=0
    while [ $i -lt "$repeat" ]; do
        start=$(date +%s.%N)
        "$@" >/dev/null 2>&1 || { echo "run.sh: failed: $*" >&2; exit 1; }
        end=$(date +%s.%N)
        best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
        i=$((i + 1))
    done
    printf '%.3f s' "$best"
}

printf '%-44s %12s\n' "command" "wall"
printf '%-44s %12s\n' "qpack list, 100,100 directories" "$(best_wall "$QPACK" list "$inspect/dirs100k.maj")"
printf '%-44s %12s\n' "qpack verify, 100,100 directories" "$(best_wall "$QPACK" verify "$inspect/dirs100k.maj")"
printf '%-44s %12s\n' "qpack list, corpus (58 MB)" "$(best_wall "$QPACK" list "$inspect/corpus.maj")"
printf '%-44s %12s\n' "lhasa l, corpus" "$(best_wall lhasa l "$inspect/corpus.lzh")"
printf '%-44s %12s\n' "qpack verify, corpus" "$(best_wall "$QPACK" verify "$inspect/corpus.maj")"
printf '%-44s %12s\n' "lhasa t, corpus" "$(best_wall lhasa t "$inspect/corpus.lzh")"
printf '%-44s %12s\n' "7z t, corpus" "$(best_wall 7z t "$inspect/corpus.lzh")"
echo "best of $repeat, wall time; qpack $QPACK"
