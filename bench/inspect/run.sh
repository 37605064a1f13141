#!/bin/sh
# bench/inspect/run.sh: wall and processor time of `qpack list` and `qpack verify` on a package of 100,000 directories and on
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
for tool in jlha lhasa 7z /usr/bin/time; do
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
    echo "making a tree of 100,101 directories in $inspect/dirs100k (once)" >&2
    rm -rf "$inspect/dirs100k"
    mkdir -p "$inspect/dirs100k"
    for i in $(seq 0 99); do
        mkdir "$inspect/dirs100k/$i"
        (cd "$inspect/dirs100k/$i" && seq 0 999 | xargs mkdir)
    done
fi
"$QPACK" pack "$inspect/dirs100k" -o "$inspect/dirs100k.maj" -j 2
"$QPACK" pack "$corpus/tree" -o "$inspect/corpus.maj" -j 2

# Best wall and processor (user + system) seconds of REPEAT runs of a command, its output discarded: on a shared
# machine the processor time is the stable figure.
best_times() {
    wall= cpu=
    i=0
    while [ $i -lt "$repeat" ]; do
        times=$(/usr/bin/time -f '%e %U %S' "$@" 2>&1 >/dev/null | tail -n 1)
        wall=$(echo "$times" | awk -v b="$wall" '{ print (b == "" || $1 < b) ? $1 : b }')
        cpu=$(echo "$times" | awk -v b="$cpu" '{ t = $2 + $3; print (b == "" || t < b) ? t : b }')
        i=$((i + 1))
    done
    printf '%10.2f s %10.2f s' "$wall" "$cpu"
}

printf '%-36s %12s %12s\n' "command" "wall" "processor"
row() {  # LABEL COMMAND...
    label=$1
    shift
    printf '%-36s %s\n' "$label" "$(best_times "$@")"
}
row "qpack list, 100,101 directories" "$QPACK" list "$inspect/dirs100k.maj"
row "qpack verify, 100,101 directories" "$QPACK" verify "$inspect/dirs100k.maj"
row "qpack list, corpus (58 MB)" "$QPACK" list "$inspect/corpus.maj"
row "lhasa l, corpus" lhasa l "$inspect/corpus.lzh"
row "qpack verify, corpus" "$QPACK" verify "$inspect/corpus.maj"
row "lhasa t, corpus" lhasa t "$inspect/corpus.lzh"
row "7z t, corpus" 7z t "$inspect/corpus.lzh"
echo "best of $repeat; qpack: $QPACK"
