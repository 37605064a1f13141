#!/usr/bin/env bash
# bench/pack/large.sh: one large file packed by `qpack pack` and `qpack pack --best` at -j 1 and -j 2, side by side
# with jlha: wall time, the speed-up of -j 2, bytes (the same at both -j, checked), against the package of another
# qpack when QPACK_BEFORE names one (e.g. one built from an older commit); then the round trip of both packages
# through `qpack extract` and through lhasa. The file: 200,000,000 bytes of the corpus's files (tree and single) in
# path order, over and over.
#
#   QPACK_BUILD_DIR   build directory (default: the release preset's, build/release)
#   QPACK_BENCH_CACHE where the corpus, the file and the outputs go (default: ~/.cache/quibel-bench)
#   QPACK_BEFORE      another qpack whose packages (-j 2) give the "before" column
set -euo pipefail
source "$(dirname "$0")/common.sh"
LARGE=$CACHE/large
OUT=$CACHE/large-out

command -v jlha >/dev/null || { echo "bench: jlha is not installed (apt-get install jlha-utils)" >&2; exit 1; }
if [ ! -f "$LARGE.complete" ]; then
    rm -rf "$LARGE"
    mkdir -p "$LARGE/in"
    python3 - "$CORPUS" "$LARGE/in/big.bin" <<'PY'
import os, sys
corpus, target = sys.argv[1], 200_000_000
paths = sorted((os.path.join(d, f) for top in ("tree", "single") for d, _, fs in os.walk(os.path.join(corpus, top))
                for f in fs), key=os.fsencode)
written = 0
with open(sys.argv[2], "wb") as out:
    while written < target:
        for path in paths:
            chunk = open(path, "rb").read()[:target - written]
            out.write(chunk)
            written += len(chunk)
PY
    touch "$LARGE.complete"
fi
rm -rf "$OUT"
mkdir -p "$OUT"
echo "load before: $(uptime)"

wall t_jlha env LC_ALL=C.UTF-8 sh -c "cd '$LARGE/in' && jlha c2o5q '$OUT/big.lzh' big.bin >/dev/null"
JLHA_SIZE=$(stat -c %s "$OUT/big.lzh")
printf '%-16s %12s %8s %8s %9s %9s %8s\n' "mode" "bytes" "before" "of jlha" "-j 1" "-j 2" "speed-up"
printf '%-16s %12d %8s %7.2f%% %9s %9s %8s\n' "jlha" "$JLHA_SIZE" "" 100 "$t_jlha s" "" ""
for mode in fast best; do
    flags=()
    [ "$mode" = best ] && flags=(--best)
    wall t1 "$QPACK" pack "$LARGE/in" -o "$OUT/$mode-j1.maj" -j 1 -q "${flags[@]}"
    wall t2 "$QPACK" pack "$LARGE/in" -o "$OUT/$mode-j2.maj" -j 2 -q "${flags[@]}"
    cmp -s "$OUT/$mode-j1.maj" "$OUT/$mode-j2.maj" || { echo "bench: $mode: -j 1 and -j 2 differ" >&2; exit 1; }
    size=$(stat -c %s "$OUT/$mode-j2.maj")
    before=""
    if [ -n "${QPACK_BEFORE:-}" ]; then
        "$QPACK_BEFORE" pack "$LARGE/in" -o "$OUT/$mode-before.maj" -j 2 -q "${flags[@]}"
        before=$(awk -v a="$size" -v b="$(stat -c %s "$OUT/$mode-before.maj")" 'BEGIN {printf "%+.3f%%", 100 * (a - b) / b}')
    fi
    awk -v m="qpack $mode" -v s="$size" -v b="$before" -v j="$JLHA_SIZE" -v t1="$t1" -v t2="$t2" \
        'BEGIN {printf "%-16s %12d %8s %7.2f%% %7.2f s %7.2f s %7.2fx\n", m, s, b, 100 * s / j, t1, t2, t1 / t2}'
done
echo "-j 1 and -j 2 packages: identical, both modes"
echo "load after: $(uptime)"
for mode in fast best; do
    "$QPACK" verify -q "$OUT/$mode-j2.maj"
    "$QPACK" extract "$OUT/$mode-j2.maj" "$OUT/$mode-extracted" >/dev/null
    cmp "$LARGE/in/big.bin" "$OUT/$mode-extracted/big.bin"
    echo "round trip: big.bin extracts byte-exact from $mode-j2.maj"
    python3 "$REPO/bench/pack/lhasa-check.py" "$OUT/$mode-j2.maj" "$LARGE/in" "$OUT/big.lzh" "$OUT/$mode-lhasa"
    rm -rf "$OUT/$mode-extracted" "$OUT/$mode-lhasa"
done
