#!/usr/bin/env bash
# bench/pack/progress.sh: the progress line of `qpack pack -j 2` on the benchmark corpus as a terminal gets it,
# captured under script(1): each state of the line on its own row, then how many distinct file counts came
# before the final one (at least three, or the script fails). Piped, the same command prints no progress: its
# stderr holds the closing summary alone.
#
#   QPACK_BUILD_DIR, QPACK_BENCH_CACHE as for run.sh
set -euo pipefail
source "$(dirname "$0")/common.sh"
OUT=$CACHE/progress-out
rm -rf "$OUT"
mkdir -p "$OUT"

script -qec "'$QPACK' pack '$CORPUS/tree' -o '$OUT/corpus.maj' -j 2" /dev/null >"$OUT/terminal.txt"
tr '\r' '\n' <"$OUT/terminal.txt" | sed -e 's/ *$//' -e '/^$/d' | tee "$OUT/states.txt"
counts=$(grep -o '[0-9]*/[0-9]* files' "$OUT/states.txt" | uniq | wc -l)
echo "distinct file counts before the final one: $((counts - 1))"
"$QPACK" pack "$CORPUS/tree" -o "$OUT/piped.maj" -j 2 2>"$OUT/piped.txt" | cat
echo "piped: $(cat "$OUT/piped.txt")"
[ "$counts" -ge 4 ] && [ "$(wc -l <"$OUT/piped.txt")" -eq 1 ] && grep -q '^qpack pack: .* bytes stored, .* decoded' "$OUT/piped.txt"
