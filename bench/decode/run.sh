#!/bin/sh
# Decode throughput of DecompressBlock side by side with `lhasa t` and `7z t`, on the same -lh5- archives
# (header level 2) made by `jlha` from the benchmark corpus: the 20 MiB text, the 20.7 MB DLL and the whole tree.
#
#   bench/decode/run.sh            REPEAT=n (default 5): best of n runs each
#
# Figures are output megabytes (10^6 bytes) per second of processor time (user + system), best of REPEAT, so that
# a loaded machine gives stable ratios. DecompressBlock runs in memory (release build, destination made
# beforehand; "growing": into fresh streams, as the installer does). The peers are whole processes testing the
# archive (start-up and archive reading included; stored members of the tree too). The corpus, the archives and
# the build live outside the sources: $QUIBEL_BENCH_CACHE (default build/bench-cache), $QUIBEL_BENCH_BUILD
# (default build/release, the release preset).
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
shared=${QUIBEL_SHARED:-$root/../shared}
cache=${QUIBEL_BENCH_CACHE:-$root/build/bench-cache}
build=${QUIBEL_BENCH_BUILD:-$root/build/release}
repeat=${REPEAT:-5}
. "$root/bench/corpus.sh"

archives=$cache/archives
mkdir -p "$archives"
make_archive() {  # NAME FOLDER FILES...: a: add, o5: -lh5-, 2: header level 2, q: quiet
    name=$1 folder=$2
    shift 2
    if [ ! -s "$archives/$name.lzh" ]; then
        echo "making $name.lzh with jlha" >&2
        (cd "$folder" && jlha ao52q "$archives/$name.lzh.tmp" "$@" >/dev/null 2>&1)
        mv "$archives/$name.lzh.tmp" "$archives/$name.lzh"
    fi
}
make_archive text "$corpus/single" man-20MiB.txt
make_archive dll "$corpus/single" wined3d.dll
(cd "$corpus/tree" && set -- * && cd "$root" && make_archive tree "$corpus/tree" "$@")

if [ ! -f "$build/build.ninja" ]; then
    if [ "$build" = "$root/build/release" ]; then
        (cd "$root" && cmake --preset release >/dev/null)
    else
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
            >/dev/null
    fi
fi
cmake --build "$build" --target decode_bench -- -j2 >/dev/null

# Best processor time (user + system seconds) of REPEAT runs of a command.
best_cpu() {
    best=
    i=0
    while [ $i -lt "$repeat" ]; do
        t=$(/usr/bin/time -f '%U %S' "$@" 2>&1 >/dev/null | tail -n 1 | awk '{print $1 + $2}')
        best=$(awk -v a="$t" -v b="${best:-$t}" 'BEGIN { print (a < b ? a : b) }')
        i=$((i + 1))
    done
    echo "$best"
}

printf '%-6s %10s %14s %10s %10s %10s %8s %8s\n' input "size MB" DecompressBlock growing "lhasa t" "7z t" "vs 7z" heap
for name in text dll tree; do
    line=$("$build/bench/decode/decode_bench" --repeat "$repeat" "$archives/$name.lzh" | tail -n 1)
    ours=$(echo "$line" | awk '{print $5}')
    growing=$(echo "$line" | awk '{print $6}')
    heap=$(echo "$line" | awk '{print $7}')
    all=$(echo "$line" | awk '{print $4}')
    lhasa=$(best_cpu lhasa t "$archives/$name.lzh")
    sevenzip=$(best_cpu 7z t "$archives/$name.lzh")
    awk -v n="$name" -v all="$all" -v o="$ours" -v g="$growing" -v l="$lhasa" -v s="$sevenzip" -v h="$heap" 'BEGIN {
        lr = (l > 0) ? all / l / 1e6 : 0; sr = (s > 0) ? all / s / 1e6 : 0
        r = (sr > 0) ? o / sr : 0
        printf "%-6s %10.1f %14.1f %10.1f %10.1f %10.1f %7.2fx %8d\n", n, all / 1e6, o, g, lr, sr, r, h
    }'
done
echo "MB/s of processor time, best of $repeat; heap: peak bytes one DecompressBlock call allocates besides its output"
