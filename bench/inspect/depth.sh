#!/bin/sh
# bench/inspect/depth.sh: peak resident memory (and wall time) of `qpack list`, `verify` and `extract` on packages
# whose walk is as deep as they have directories: 1,001,001 directories none wider than 1,000 (24 MB), 100,101
# directories extracted into a DIR of 3,000 characters, 5,000,000 empty banner lines (20 MB) and 5,001
# directories each below the one before (25 MB). Target: 64 MB each, whatever the package's size.
#
#   QPACK=FILE     the qpack to measure (default: build it in build/release, the release preset)
#   BEFORE=FILE    another qpack measured beside it (an earlier build, say)
#   QUIBEL_BENCH_CACHE  where the packages are made (default build/bench-cache)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
cache=${QUIBEL_BENCH_CACHE:-$root/build/bench-cache}/depth
if [ -z "${QPACK:-}" ]; then
    [ -f "$root/build/release/build.ninja" ] || (cd "$root" && cmake --preset release >/dev/null)
    cmake --build "$root/build/release" --target qpack -- -j2 >/dev/null
    QPACK=$root/build/release/tools/qpack/qpack
fi
mkdir -p "$cache"

# Packages as qpack writes them (marker, banner, directories in pre-order, one closing tag per directory, the
# digest record), made directly: a million directories on disk would take longer to make than to measure.
python3 - "$cache" <<'PY'
import hashlib, os, struct, sys
def package(path, banner, directories):
    if os.path.exists(path):
        return
    out = bytearray(b"ET" * 4 + b"\0\0" + struct.pack("<i", len(banner)))
    for line in banner:
        out += struct.pack("<i", len(line)) + line
    for name in directories:
        out += b"\x19\xdc" + struct.pack("<i", len(name)) + name
    out += b"\0\0" * len(directories)
    out += b"Quibel-SHA-256:%016d:" % len(out) + hashlib.sha256(out).hexdigest().encode()
    open(path + ".tmp", "wb").write(out)
    os.rename(path + ".tmp", path)
def tree(outer, inner):
    yield b""
    for i in range(outer):
        yield b"\\%03d" % i
        for j in range(inner):
            yield b"\\%03d\\%03d" % (i, j)
package(sys.argv[1] + "/dirs1m.maj", [], list(tree(1000, 1000)))
package(sys.argv[1] + "/dirs100k.maj", [], list(tree(100, 1000)))
package(sys.argv[1] + "/banner5m.maj", [b""] * 5000000, [b""])
# Nested by name too: \a, \a\a, ... 5,000 levels (25 MB), each name holding the whole path once more.
package(sys.argv[1] + "/nested5k.maj", [], [b"\\a" * i for i in range(5001)])
PY

scratch=$(mktemp -d "$( [ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/qpack-depth.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# A DIR of 3,000 characters: levels of 249 characters below the scratch folder.
long=$scratch/long
while [ ${#long} -lt 2990 ]; do long=$long/$(printf '%0249d' 0); done
long=$(printf '%s' "$long" | cut -c1-3000)

peak() {  # QPACK LABEL ARGUMENTS...
    qpack=$1
    shift
    rm -rf "$scratch/out" "$scratch/long"
    /usr/bin/time -f '%e s %M KB' "$qpack" "$@" 2>&1 >/dev/null | tail -n 1
}
printf '%-48s %-22s %s\n' "command" "wall, peak" "${BEFORE:+before: wall, peak}"
row() {  # LABEL ARGUMENTS...
    label=$1
    shift
    printf '%-48s %-22s %s\n' "$label" "$(peak "$QPACK" "$@")" "${BEFORE:+$(peak "$BEFORE" "$@")}"
}
row "list, 1,001,001 directories" list "$cache/dirs1m.maj"
row "verify, 1,001,001 directories" verify "$cache/dirs1m.maj"
row "list, 5,000,000 banner lines" list "$cache/banner5m.maj"
row "verify, 5,000,000 banner lines" verify "$cache/banner5m.maj"
row "verify, 5,001 directories nested by name" verify "$cache/nested5k.maj"
row "extract, 100,101 directories, short DIR" extract -q "$cache/dirs100k.maj" "$scratch/out"
row "extract, 100,101 directories, DIR ${#long} chars" extract -q "$cache/dirs100k.maj" "$long"
row "extract, 1,001,001 directories, short DIR" extract -q "$cache/dirs1m.maj" "$scratch/out"
# Not for BEFORE: a qpack that kept base + name for every directory would need some 6 GB here.
printf '%-48s %-22s\n' "extract, 1,001,001 directories, DIR ${#long} chars" \
    "$(peak "$QPACK" extract -q "$cache/dirs1m.maj" "$long")"
echo "qpack: $QPACK${BEFORE:+; before: $BEFORE}"
