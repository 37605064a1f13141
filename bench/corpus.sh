# Sourced by the decoding and inspecting benchmarks (sh): checks that the peers they measure against are here, and
# makes the benchmark corpus once in their cache. Needs root (the checkout), shared (../shared) and cache set.
for tool in jlha lhasa 7z /usr/bin/time; do
    command -v "$tool" >/dev/null 2>&1 || { echo "run.sh: $tool is missing (scripts/deps.sh)" >&2; exit 1; }
done

corpus=$cache/corpus
if [ ! -f "$corpus/SUMMARY.txt" ]; then
    echo "building the benchmark corpus in $corpus (once, about a minute)" >&2
    rm -rf "$corpus"
    bash "$shared/bench/make-corpus.sh" "$corpus" >&2
fi
