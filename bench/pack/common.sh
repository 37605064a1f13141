# Sourced by the packing benchmarks: builds qpack (release preset, or QPACK_BUILD_DIR) and makes the benchmark
# corpus in the cache (QPACK_BENCH_CACHE, default ~/.cache/quibel-bench; never in the repository).
# Sets REPO, BUILD, CACHE, CORPUS and QPACK, and defines wall.
export LC_ALL=C
REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${QPACK_BUILD_DIR:-$REPO/build/release}
CACHE=${QPACK_BENCH_CACHE:-$HOME/.cache/quibel-bench}
CORPUS=$CACHE/corpus

if [ "$BUILD" = "$REPO/build/release" ]; then
    cmake --preset release -S "$REPO" >/dev/null
else
    cmake -S "$REPO" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" >/dev/null
fi
cmake --build "$BUILD" --target qpack -j 2 >/dev/null
QPACK=$BUILD/tools/qpack/qpack

if [ ! -f "$CORPUS/SUMMARY.txt" ]; then
    rm -rf "$CORPUS"
    mkdir -p "$CACHE"
    bash "$REPO/../shared/bench/make-corpus.sh" "$CORPUS" >/dev/null
fi

# wall SECONDS-VARIABLE COMMAND...: runs the command, keeps its wall time in seconds.
wall() {
    local var=$1 start end
    shift
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    printf -v "$var" '%.2f' "$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')"
}
