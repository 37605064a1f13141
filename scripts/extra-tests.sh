#!/bin/sh
# Checks run by scripts/test.sh after the unit tests: each fuzz target for $QUIBEL_FUZZ_SECONDS seconds
# (default 30) under AddressSanitizer and UBSan, built with the fuzz preset. Exits non-zero when a target
# crashed, leaked, timed out or ran out of memory; the input is then kept under fuzz/findings/.
set -u
cd "$(dirname "$0")/.."
seconds=${QUIBEL_FUZZ_SECONDS:-30}

if ! command -v clang++ >/dev/null 2>&1; then
    echo "extra-tests: clang++ is not installed (scripts/deps.sh installs it); fuzzing skipped" >&2
    exit 0
fi

status=0
log=$(mktemp "${TMPDIR:-/tmp}/quibel-fuzz.XXXXXX")
trap 'rm -f "$log"' EXIT
for target in block package inspect; do
    if scripts/fuzz.sh "$target" "$seconds" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
        echo "fuzz $target: ${seconds} s, ${runs:-?} runs, ${rate:-?}/s, ${cov:-cov: ?}, no finding"
    else
        echo "fuzz $target: FAILED (inputs kept under fuzz/findings/$target/)" >&2
        tail -n 60 "$log" >&2
        status=1
    fi
done
exit $status
