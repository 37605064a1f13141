#!/bin/sh
# run-largefile-bench.sh [WIN32_BUILD] [PACKAGE_MB...]
#
# The largest decoded file that the 32-bit installer can hold beside a package of a given size, under Wine, with and
# without the large-address-aware flag (largest_file_probe and largest_file_probe_2gb of WIN32_BUILD, default
# build/win32). For each package size (default 8 100 300 600 MB) a package of exactly that size is made: zero bytes
# (not interpreted, as an installer's image is not) followed by a payload with one file whose block decodes to zero
# bytes through matches (a few bytes of bit stream per 16 MiB). The decoded size field is then bisected to 1 MiB
# between 1 MiB and 2,047 MiB; each probe is a process of its own that loads the package, copies the block and
# decodes it whole, as the installer does. Prints, per probe and package size, the largest decoded size that worked
# and the sum package + block + decoded size, the figure that `qpack installer` compares against.
# It needs a few gigabytes of memory and some minutes; it is not part of the tests.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
win32=$(cd "${1:-$repo/build/win32}" && pwd)
[ $# -gt 0 ] && shift
sizes=${*:-8 100 300 600}
work=${QUIBEL_BENCH_DIR:-$win32/bench-largefile}
mkdir -p "$work"

export WINEPREFIX="$work/wine" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY
. "$repo/cmake/wine-prefix.sh"
make_wine_prefix
timeout 30 wineserver -p </dev/null >/dev/null 2>&1 || true
timeout 60 wineboot </dev/null >/dev/null 2>&1 || true
trap 'timeout 30 wineserver -k >/dev/null 2>&1' EXIT

# make_package FILE MB: writes the package; prints the offset of the block's decoded-size field and the block length.
make_package() {
    python3 - "$1" "$2" <<'PY'
import struct, sys
path, megabytes = sys.argv[1], int(sys.argv[2])
bits, count = 0, 0
def put(value, width):
    global bits, count
    bits, count = (bits << width) | value, count + width
for _ in range(129):          # 129 segments of 65,535 matches of 256 bytes at distance 1: over 2 GiB of zeros
    put(65535, 16)
    put(0, 5); put(0, 5)      # length-code set: one symbol, no bits
    put(0, 9); put(509, 9)    # main set: one symbol, the match of 256 bytes
    put(0, 4); put(0, 4)      # offset set: one symbol, distance 1
pad = -count % 8
stream = (bits << pad).to_bytes((count + pad) // 8, "big")
name = b"big.bin"
head = (b"ET" * 4 + struct.pack("<HI", 0, 0) + b"\x19\xdc" + struct.pack("<i", 0) + b"\x20\xb5" +
        struct.pack("<i", len(name)) + name + struct.pack("<i", 8 + len(stream)))
tail = head + struct.pack("<i", 1 << 20) + stream
size = max(megabytes * 1000 * 1000, len(tail) + 2)
size += size % 2              # the payload at an even offset
with open(path, "wb") as f:
    f.truncate(size - len(tail))
    f.seek(size - len(tail))
    f.write(tail)
print(size - len(tail) + len(head), 8 + len(stream), size)
PY
}

set_decoded_size() {  # FILE OFFSET MIB
    python3 -c "import struct,sys; f=open(sys.argv[1],'r+b'); f.seek(int(sys.argv[2])); f.write(struct.pack('<i', int(sys.argv[3]) << 20))" "$@"
}

echo "$(wine --version 2>/dev/null), $(uname -m), $(date -u '+%Y-%m-%d %H:%M UTC')"
printf '%-26s %12s %14s %16s %22s\n' probe "package" "free block" "largest file" "package+block+file"
for probe in largest_file_probe_2gb largest_file_probe; do
    exe="$win32/bench/largefile/$probe.exe"
    for mb in $sizes; do
        package="$work/package-$mb.maj"
        set -- $(make_package "$package" "$mb")
        field=$1 block=$2 size=$3
        low=0 high=2048   # low: largest known to work (MiB), high: smallest known to fail
        free=
        while [ $((high - low)) -gt 1 ]; do
            mid=$(((low + high) / 2))
            set_decoded_size "$package" "$field" "$mid"
            if out=$(timeout 600 wine "$exe" "$(printf 'Z:%s' "$package" | tr / '\\')" 2>&1); then
                low=$mid
            else
                high=$mid
            fi
            [ -n "$free" ] || free=$(echo "$out" | sed -n 's/^largest free block \([0-9]*\).*/\1/p' | tr -d '\r')
        done
        file=$((low << 20))
        printf '%-26s %9d MB %11d MB %13d MiB %19d MB\n' "$probe" $((size / 1000000)) $((${free:-0} / 1000000)) \
            "$low" $(((size + block + file) / 1000000))
        rm -f "$package"
    done
done
