#!/bin/bash
# progress_line_test.sh QPACK WORK: qpack pack's progress line as a terminal shows it, driven in a tmux pane of 40
# columns: one file sized for about four seconds of packing on one thread (two on two cores: its parts are
# compressed in parallel) moves while it is compressed (the bytes done within the file), and the line stays on one
# row, leaving no wrapped copies in the scroll-back.
set -u
qpack=$1 work=$2
status=0
fail() { echo "FAILED: $*"; status=1; }
socket=qpack-progress-$$
pane() { tmux -L "$socket" "$@"; }
rm -rf "$work"
mkdir -p "$work/tree" "$work/trial"
trap 'pane kill-server 2>/dev/null; rm -rf "$work"' EXIT

# Numbers as text compress like a product's files do; the size for four seconds comes from a trial on 1 MB (one part,
# so one thread).
seq 1 2000000 | head -c 1000000 >"$work/trial/one.txt"
start=$(date +%s%N)
"$qpack" pack -q "$work/trial" -o "$work/trial.maj" || fail "the trial pack failed"
rate=$((1000000 * 1000000000 / ($(date +%s%N) - start + 1)))
seq 1 100000000 | head -c $((rate * 4)) >"$work/tree/one.txt"

pane new-session -d -x 40 -y 20 "'$qpack' pack '$work/tree' -o '$work/one.maj'; echo exit=\$?; sleep 600"
declare -A moved
for _ in $(seq 1200); do
    screen=$(pane capture-pane -p)
    grep -q '^exit=' <<<"$screen" && break
    # The bytes done while the one file is not: "12.3/45.6 MB, 0/1 files, ...".
    done=$(sed -n 's|^\([0-9.]*\)/[0-9.]* MB, 0/1 files.*|\1|p' <<<"$screen")
    [ -n "$done" ] && moved[$done]=1
    sleep 0.1
done
history=$(pane capture-pane -p -S - -E -)
grep -q '^exit=0$' <<<"$history" || fail "qpack pack did not succeed: $history"
[ ${#moved[@]} -ge 3 ] || fail "the line showed ${#moved[@]} figures within the file (${!moved[*]}), not 3 or more"
lines=$(grep -c ' MB' <<<"$history")
[ "$lines" -eq 1 ] || fail "$lines rows of the progress line in the 40-column pane: $history"
[ $status -eq 0 ] && echo "ok: $((rate * 4)) bytes in one file; the line moved through ${#moved[@]} figures, on one row"
exit $status
