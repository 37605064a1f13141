#!/bin/sh
# bench/extract/run.sh: wall and processor time of `qpack extract` on packages of 1,000 and 2,000 nested
# directories (each entry one level deeper than the one before, one file in the deepest), beside `qpack verify` of
# the same packages, which walks the same entries without writing. Linear extraction takes twice the time for
# twice the depth.
#
#   REPEAT=n       best of n runs (default 3)
#   QPACK=FILE     the qpack to measure (default: build it in build/release, the release preset)
#   DEPTHS="a b"   the depths (default "1000 2000")
#   TMPDIR=DIR     where the packages and the extraction go (default /dev/shm, else /tmp)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
repeat=${REPEAT:-3}
depths=${DEPTHS:-1000 2000}
if [ -z "${QPACK:-}" ]; then
    [ -f "$root/build/release/build.ninja" ] || (cd "$root" && cmake --preset release >/dev/null)
    cmake --build "$root/build/release" --target qpack -- -j2 >/dev/null
    QPACK=$root/build/release/tools/qpack/qpack
fi
# In memory (tmpfs) when the machine has one: on a disk, ext4 makes each new directory slower while the inodes
# of the previous run's are recently deleted, which hides the program's own cost.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then TMPDIR=/dev/shm; fi
work=${TMPDIR:-/tmp}/quibel-bench-extract
rm -rf "$work"
mkdir -p "$work"

# A package of DEPTH nested directories \d, \d\d, ... written directly: a tree that deep is longer than a path
# may be, so qpack pack cannot read one from disk.
make_package() {
    python3 - "$1" "$2" <<'PY'
import struct, sys
depth, out = int(sys.argv[1]), sys.argv[2]
name = lambda text: struct.pack("<i", len(text)) + text
data = struct.pack("<4H", *[0x5445] * 4) + struct.pack("<Hi", 0, 0) + struct.pack("<H", 0xDC19) + name(b"")
for level in range(1, depth + 1):
    data += struct.pack("<H", 0xDC19) + name(b"\\d" * level)
block = struct.pack("<i", 0)
data += struct.pack("<H", 0xB520) + name(b"deep.txt") + struct.pack("<i", 4 + len(block)) + block
open(out, "wb").write(data)
PY
}

# Best wall and processor (user + system) seconds of REPEAT runs of a command, its output discarded, to the
# millisecond; the extraction's directory is removed before each run, outside the time.
best_times() {
    python3 - "$repeat" "$work/out" "$@" <<'PY'
import resource, subprocess, sys, time
repeat, out, command = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
best_wall = best_cpu = None
for _ in range(repeat):
    subprocess.run(["rm", "-rf", out], check=True)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    best_wall = wall if best_wall is None else min(best_wall, wall)
    best_cpu = cpu if best_cpu is None else min(best_cpu, cpu)
print("%10.3f s %10.3f s" % (best_wall, best_cpu))
PY
}

printf '%-36s %12s %12s\n' "command" "wall" "processor"
for depth in $depths; do
    make_package "$depth" "$work/nested$depth.maj"
    printf '%-36s %s\n' "qpack extract, $depth nested" "$(best_times "$QPACK" extract -q "$work/nested$depth.maj" "$work/out")"
    printf '%-36s %s\n' "qpack verify, $depth nested" "$(best_times "$QPACK" verify -q "$work/nested$depth.maj")"
done
rm -rf "$work"
echo "best of $repeat; qpack: $QPACK"
