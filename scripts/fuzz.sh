#!/bin/sh
# Runs one libFuzzer target for a given time: fuzz.sh TARGET SECONDS [extra libFuzzer options]
#   TARGET: block (decompress_block_fuzzer), package (package_fuzzer) or inspect (inspect_fuzzer)
# Builds the fuzz preset (clang, ASan + UBSan) in $QUIBEL_FUZZ_BUILD (default build/fuzz), seeds a working corpus
# in the build folder from the seed generator (and the shared lh5 corpus when present), and keeps every crash,
# timeout or out-of-memory input under fuzz/findings/TARGET/. Exits non-zero when the target failed.
# Reproduce a finding: build/fuzz/fuzz/<fuzzer> fuzz/findings/TARGET/crash-...
set -eu
if [ $# -lt 2 ]; then
    sed -n '2,7s/^# \{0,1\}//p' "$0" >&2
    exit 2
fi
target=$1
seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUIBEL_FUZZ_BUILD:-$root/build/fuzz}
shared=${QUIBEL_SHARED:-$root/../shared}

case $target in
    block) fuzzer=decompress_block_fuzzer; options="-max_len=8192" ;;
    package) fuzzer=package_fuzzer; options="-max_len=16384 -dict=$root/fuzz/package.dict" ;;
    inspect) fuzzer=inspect_fuzzer; options="-max_len=16384 -dict=$root/fuzz/package.dict" ;;
    *) echo "fuzz.sh: unknown target '$target' (block, package or inspect)" >&2; exit 2 ;;
esac

if [ ! -f "$build/build.ninja" ]; then
    if [ "$build" = "$root/build/fuzz" ]; then
        (cd "$root" && cmake --preset fuzz >/dev/null)
    else  # the same settings as the fuzz preset, in another folder
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIBEL_SANITIZE=ON -DQUIBEL_FUZZ=ON -DQUIBEL_TESTS=OFF >/dev/null
    fi
fi
cmake --build "$build" --target "$fuzzer" seed_generator -- -j2 >/dev/null

corpus=$build/fuzz-corpus/$target
# libFuzzer writes its artifacts into the build folder; only a real finding reaches the source tree.
artifacts=$build/fuzz-artifacts/$target
findings=$root/fuzz/findings/$target
rm -rf "$artifacts"
mkdir -p "$corpus" "$artifacts"
rmdir "$findings" "$root/fuzz/findings" 2>/dev/null || true  # empty folders left by earlier versions
if [ -z "$(ls -A "$corpus")" ]; then
    if [ "$target" = block ] && [ -d "$shared/lh5-corpus" ]; then
        "$build/fuzz/seed_generator" block "$corpus" "$shared/lh5-corpus"
    else
        "$build/fuzz/seed_generator" "$target" "$corpus"
    fi
fi

# Timeouts and out-of-memory count as findings too; -rss_limit_mb leaves room for ASan's own memory.
status=0
# shellcheck disable=SC2086
"$build/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts/" -print_final_stats=1 $options "$@" "$corpus" || status=$?
if [ -n "$(ls -A "$artifacts")" ]; then
    mkdir -p "$findings"
    mv "$artifacts"/* "$findings/"
    echo "fuzz.sh: inputs kept under $findings:" >&2
    ls "$findings" >&2
fi
exit $status
