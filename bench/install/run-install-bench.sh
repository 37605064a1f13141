#!/bin/sh
# run-install-bench.sh [WIN32_BUILD] [RELEASE_BUILD]
#
# The installation of the benchmark corpus (../shared/bench/make-corpus.sh: 58 MB, 2,064 files, 258 directories),
# side by side with its floor:
#   - under Wine: the real installer installing the corpus from its own payload, timed by install_robot from the press
#     of "Démarrer l'installation" to the completion message; write_floor writing the same tree from memory, without
#     decoding, with the bare calls by path that creating it takes (the floor), and again through the installer's
#     own file calls (held directories, its rule for each file), for what those calls cost over the bare ones;
#   - under Wine as well: the same run by the controller alone (controller_run, no window), for the window's share,
#     its walk with the writes discarded, for the decoding's share, and the run's log put into an edit of Memo1's
#     kind, for the layout's share. Floor + decoding + layout is the least a run on one thread can take: the
#     installer's time over that bound, per round, is the figure to watch (target 1.15 or less, best round);
#   - natively, into tmpfs: `qpack extract` of the same package against `7z x` of the same content as an .lzh archive.
# Builds used: WIN32_BUILD (default build/win32: quibel-setup-stub, install_robot, write_floor) and RELEASE_BUILD
# (default build/release: qpack). Work files go to $QUIBEL_BENCH_DIR (default WIN32_BUILD/bench-install); an existing
# corpus can be named with $QUIBEL_CORPUS. $RUNS runs of each (default 3); best and median are printed.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
win32=$(cd "${1:-$repo/build/win32}" && pwd)
release=$(cd "${2:-$repo/build/release}" && pwd)
work=${QUIBEL_BENCH_DIR:-$win32/bench-install}
corpus=${QUIBEL_CORPUS:-$work/corpus}
runs=${RUNS:-3}
qpack=$release/tools/qpack/qpack
mkdir -p "$work/setup"
status=0

[ -d "$corpus/tree" ] || bash "$repo/../shared/bench/make-corpus.sh" "$corpus" >/dev/null
"$qpack" installer --stub "$win32/app/quibel-setup-stub.exe" "$corpus/tree" -o "$work/setup/quibel-setup.exe" \
    --banner "Quibel 4.1" >/dev/null
"$qpack" pack "$corpus/tree" -o "$work/corpus.maj" >/dev/null
if [ ! -f "$work/corpus.lzh" ]; then
    (cd "$corpus/tree" && jlha cqo5 "$work/corpus.lzh" * >/dev/null)
fi

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" "BEGIN { print b - a }"; }
# best and median of the numbers on stdin
summary() { sort -n | awk '{ v[NR] = $1 } END { printf "best %.3f s, median %.3f s (%d runs)", v[1], v[int((NR + 1) / 2)], NR }'; }

export WINEPREFIX="$work/wine" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
. "$repo/cmake/wine-prefix.sh"
make_wine_prefix

: >"$work/rounds.times"
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    work=$1 runs=$2 robot=$3 floor=$4 tree=$5 controller=$6 setup=$7
    wm=""
    if command -v openbox >/dev/null; then openbox --sm-disable >/dev/null 2>&1 & wm=$!; fi
    wineserver -p; wineboot </dev/null >/dev/null 2>&1
    status=0
    figure() { sed -n "s/^$1 //p" "$2" | tr -d "\r"; }
    # One of each per round, so that the figures compared share the state of the machine; each after removing its
    # own previous tree and a sync. (Removing all three before the first made that one pay for the removals: the
    # first writer after them ran up to 1.5 s slower, whichever program it was.) A round whose programs all ran
    # gives one line: installer, controller, walk without writes, floor, log layout, the file calls of the installer.
    for i in $(seq "$runs"); do
        rm -rf "$WINEPREFIX/drive_c/Quibel"
        sync
        (cd "$work/setup" && exec timeout 300 wine quibel-setup.exe) >/dev/null 2>&1 &
        installer=$!
        ok=yes
        timeout 300 wine "$robot" >"$work/robot.out" 2>&1 || { echo "round $i: installer" >&2; ok=no; }
        wait "$installer" || true
        rm -rf "$WINEPREFIX/drive_c/floor"
        sync
        timeout 300 wine "$floor" "$tree" "C:\\floor" >"$work/floor.out" 2>&1 || { echo "round $i: floor" >&2; ok=no; }
        rm -rf "$WINEPREFIX/drive_c/calls"
        sync
        timeout 300 wine "$floor" "$tree" "C:\\calls" --installer-calls >"$work/calls.out" 2>&1 ||
            { echo "round $i: installer calls" >&2; ok=no; }
        rm -rf "$WINEPREFIX/drive_c/bench"
        sync
        timeout 300 wine "$controller" "$setup" "C:\\bench" >"$work/controller.out" 2>&1 ||
            { echo "round $i: controller" >&2; ok=no; }
        timeout 300 wine "$controller" "$setup" "C:\\bench" --no-writes >"$work/decode.out" 2>&1 ||
            { echo "round $i: controller without writes" >&2; ok=no; }
        if [ $ok = yes ]; then
            echo "$(figure install_seconds "$work/robot.out") $(figure run_seconds "$work/controller.out")" \
                "$(figure tree_seconds "$work/decode.out") $(figure floor_seconds "$work/floor.out")" \
                "$(figure log_layout_seconds "$work/controller.out") $(figure floor_seconds "$work/calls.out")" \
                >>"$work/rounds.times"
        else
            cat "$work/robot.out" "$work/floor.out" "$work/controller.out" "$work/decode.out" >&2
            status=1
        fi
    done
    wineserver -k
    [ -n "$wm" ] && kill "$wm"
    exit $status
' bench "$work" "$runs" "$win32/bench/install/install_robot.exe" "$win32/bench/install/write_floor.exe" \
    "$(winpath "$corpus/tree")" "$win32/bench/install/controller_run.exe" "$(winpath "$work/setup/quibel-setup.exe")" ||
    status=1
column() { awk -v c="$1" '{ print $c }' "$work/rounds.times"; }

if diff -r "$corpus/tree" "$WINEPREFIX/drive_c/Quibel" >/dev/null; then verified="tree identical"; else verified="TREE DIFFERS"; fi

shm=$(mktemp -d /dev/shm/quibel-install-bench.XXXXXX)
trap 'rm -rf "$shm"' EXIT
: >"$work/extract.times"
: >"$work/7z.times"
for i in $(seq "$runs"); do
    rm -rf "$shm/q" "$shm/z"
    t0=$(now); "$qpack" extract "$work/corpus.maj" "$shm/q" >/dev/null; t1=$(now)
    elapsed "$t0" "$t1" >>"$work/extract.times"
    t0=$(now); 7z x -o"$shm/z" "$work/corpus.lzh" >/dev/null; t1=$(now)
    elapsed "$t0" "$t1" >>"$work/7z.times"
done

files=$(find "$corpus/tree" -type f | wc -l)
dirs=$(find "$corpus/tree" -mindepth 1 -type d | wc -l)
bytes=$(du -sb "$corpus/tree" | cut -f1)
echo "corpus: $files files, $dirs directories, $bytes bytes; installer $(stat -c %s "$work/setup/quibel-setup.exe") bytes"
echo "under Wine   installer run (press to message): $(column 1 | summary)  [$verified]"
echo "under Wine   controller alone, no window:      $(column 2 | summary)"
echo "under Wine   controller, walk without writes:  $(column 3 | summary)"
echo "under Wine   floor (bare calls, no decoding):  $(column 4 | summary)"
echo "under Wine   the installer's file calls alone:  $(column 6 | summary)"
echo "under Wine   the log's layout in a Memo1 edit:  $(column 5 | summary)"
# best and median of ratios on stdin
ratios() { sort -n | awk '{ v[NR] = $1 } END { printf "median %.2f, best %.2f", v[int((NR + 1) / 2)], v[1] }'; }
echo "under Wine   installer / floor, same round:     $(awk '{ print $1 / $4 }' "$work/rounds.times" | ratios)"
echo "under Wine   installer's file calls / floor:    $(awk '{ print $6 / $4 }' "$work/rounds.times" | ratios)"
# What a run on one thread cannot go below: the floor's writes, the decoding and the log's layout, each of its round.
echo "under Wine   (floor + decoding + log layout) / floor: $(awk '{ print ($4 + $3 + $5) / $4 }' "$work/rounds.times" |
    ratios)"
echo "under Wine   installer / that bound, same round: $(awk '{ print $1 / ($4 + $3 + $5) }' "$work/rounds.times" |
    ratios) (target 1.15 or less)"
echo "native tmpfs qpack extract:                     $(summary <"$work/extract.times")"
echo "native tmpfs 7z x of the .lzh:                  $(summary <"$work/7z.times")"
exit $status
