#!/bin/sh
# bench/inspect/run.sh: wall and processor time of `qpack list` and `qpack verify` on a package of 100,000 directories and on
# the benchmark corpus's package (58 MB), beside `lhasa l`, `lhasa t` and `7z t` on the same corpus as an -lh5-
# archive (jlha, header level 2). Then the peak memory (and time) of `qpack list`, `verify` and `extract` on the
# corpus's package and on the package of three copies of it (within 1.15 times), and of `verify` on an 878-byte
# package that declares one file of 2 GiB (within 64 MB).
#
#   REPEAT=n       best of n runs (default 3)
#   QPACK=FILE     the qpack to measure (default: build it in build/release, the release preset)
#   QUIBEL_BENCH_CACHE  corpus, archive and packages (default build/bench-cache, shared with bench/decode)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
shared=${QUIBEL_SHARED:-$root/../shared}
cache=${QUIBEL_BENCH_CACHE:-$root/build/bench-cache}
repeat=${REPEAT:-3}
if [ -z "${QPACK:-}" ]; then
    [ -f "$root/build/release/build.ninja" ] || (cd "$root" && cmake --preset release >/dev/null)
    cmake --build "$root/build/release" --target qpack -- -j2 >/dev/null
    QPACK=$root/build/release/tools/qpack/qpack
fi

. "$root/bench/corpus.sh"
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
# Three copies of the tree side by side (hard links), for memory that must not grow with the package.
if [ ! -d "$inspect/corpus3/3" ]; then
    rm -rf "$inspect/corpus3"
    mkdir -p "$inspect/corpus3"
    for i in 1 2 3; do cp -al "$corpus/tree" "$inspect/corpus3/$i"; done
fi
"$QPACK" pack "$inspect/dirs100k" -o "$inspect/dirs100k.maj" -j 2
"$QPACK" pack "$corpus/tree" -o "$inspect/corpus.maj" -j 2
"$QPACK" pack "$inspect/corpus3" -o "$inspect/corpus3.maj" -j 2
# The bomb: one file "bombe-2G.bin" of 2,147,483,647 bytes, its block 128 segments of 65,536 matches of 256 bytes at
# distance 1, each segment's three code sets sent as single symbols (52 bits: count 0, then 5+5, 9+9, 4+4 bits).
python3 - "$inspect/bomb.maj" <<'PY'
import struct, sys
bits = ("0" * 16 + "00000" + format(0, "05b") + "000000000" + format(509, "09b") + "0000" + "0000") * 128
stream = int(bits, 2).to_bytes(len(bits) // 8, "big")
block = struct.pack("<i", 2**31 - 1) + stream
name = b"bombe-2G.bin"
payload = b"ET" * 4 + b"\0\0" + struct.pack("<i", 0) + b"\x19\xdc" + struct.pack("<i", 0)
payload += b"\x20\xb5" + struct.pack("<i", len(name)) + name + struct.pack("<i", 4 + len(block)) + block
open(sys.argv[1], "wb").write(payload)
PY

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

# Peak resident memory (and wall time) of one run of each: the package is read as the walk reaches it, one block
# in memory at a time. extract writes into a fresh folder of the shared-memory file system when there is one.
scratch=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/qpack-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
peak() {  # LABEL COMMAND...
    label=$1
    shift
    rm -rf "$scratch/out"
    printf '%-36s %s\n' "$label" "$(/usr/bin/time -f '%e s %M KB' "$@" 2>&1 >/dev/null | tail -n 1)"
}
printf '%-36s %s\n' "command" "wall, peak resident memory"
for package in corpus corpus3; do
    peak "qpack list, $package" "$QPACK" list "$inspect/$package.maj"
    peak "qpack verify, $package" "$QPACK" verify "$inspect/$package.maj"
    peak "qpack extract, $package" "$QPACK" extract -q "$inspect/$package.maj" "$scratch/out"
done
peak "qpack verify, 2 GiB bomb ($(wc -c <"$inspect/bomb.maj") bytes)" "$QPACK" verify "$inspect/bomb.maj"
