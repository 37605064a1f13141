#!/bin/sh
# speech_e2e.sh STUB.exe QPACK.exe ROBOT.exe OUTDIR: the real installer under Wine with the speech engine's side
# archives beside it, driven by the robot. Run under xvfb-run. Scenarios, each started from C:\speechsetup:
#   fr:      spengFR.maj only, over an old speng.ini: the engine in c:\speng (a file of several compressed parts
#            among it), the two-voice speng.ini (324 bytes)
#   ttl:     both archives: spengTTL.maj's tree and the fourteen-voice speng.ini (1,219 bytes)
#   none:    no archive: no speech lines, no speng.ini
#   damaged: a spengFR.maj whose block is corrupt: the failure display, no speng.ini
# Then links planted where the elevated installer writes, as another user of the machine could plant them (Wine
# shows a Unix link made with ln -s as a reparse point without a tag, which counts as a link):
#   spenglink:  c:\speng a link: refused with "Nom de fichier incorrect", nothing at its target, no speng.ini
#   quibellink: the chosen directory's Quibel a link: refused the same way, nothing at its target
# Then the file rule over an existing installation (a table below), a link planted while a block decodes, a
# directory of the walk that another program tries to move, and a path of 258 characters.
set -u
stub=$1 qpack=$2 robot=$3 out=$4
mkdir -p "$out"
out=$(cd "$out" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

# The window tests' prefix, under its lock: the two suites never run in it at the same time.
export WINEPREFIX="${QUIBEL_WINE_UI_PREFIX:-$source_dir/build/wine/ui}" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$WINEPREFIX.lock.d"
exec 9>"$WINEPREFIX.lock.d/lock"
flock -w 900 9 || { echo "prefix $WINEPREFIX is busy"; exit 1; }

. "$source_dir/cmake/wine-prefix.sh"
make_wine_prefix

start_window_session

status=0
fail() { echo "FAILED: $*"; status=1; }
lines_of() { echo $(( $(find "$1" -type d | wc -l) + $(find "$1" -type f | wc -l) )); }

# The product, and the two engines: the fourteen-voice one has more voices than the two-voice one.
rm -rf "$out/product" "$out/fr" "$out/ttl"
mkdir -p "$out/product" "$out/fr/bin/data" "$out/ttl/bin/data"
head -c 20000 /dev/urandom >"$out/product/quibel.exe"
head -c 50000 /dev/urandom >"$out/fr/bin/speng.exe"
for voice in ROBERT16 CATHY16; do head -c 90000 /dev/urandom >"$out/fr/bin/data/$voice.dat"; done
# A lexicon of several of qpack's 1 MiB parts: 6 KiB of noise over and over, compressed only by matches that reach
# back across the parts' edges into the part before.
head -c 6144 /dev/urandom >"$out/unit"
for _ in $(seq 400); do cat "$out/unit"; done >"$out/fr/bin/data/lexique.dat"
cp -r "$out/fr/." "$out/ttl"
for voice in RAFAEL16 SOFIA16; do head -c 30000 /dev/urandom >"$out/ttl/bin/data/$voice.dat"; done
echo "voix italiennes" >"$out/ttl/lisezmoi.txt"

pack() {
    timeout 300 wine "$qpack" "$@" </dev/null >>"$out/qpack.out" 2>&1 || { cat "$out/qpack.out"; fail "qpack $1"; exit 1; }
}
pack installer --stub "$stub" "$out/product" -o "$out/setup.exe"
pack pack "$out/fr" -o "$out/spengFR.maj" --banner "moteur vocal"
pack pack "$out/ttl" -o "$out/spengTTL.maj" --banner "moteur vocal"
# Marker, reserved word, no banner line; the root; a file "x" whose block (decoded size 1) has a length-code list
# that gives one symbol the length 1, which forms no usable code.
printf 'ETETETET\000\000\000\000\000\000\031\334\000\000\000\000\040\265\001\000\000\000x\013\000\000\000\001\000\000\000\000\001\011' \
    >"$out/damaged.maj"

setup="$WINEPREFIX/drive_c/speechsetup"
windows="$WINEPREFIX/drive_c/windows"
speng="$WINEPREFIX/drive_c/speng"
desktop=$(find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type d -name Desktop ! -path '*/Public/*' | head -n 1)

# One scenario: the installer started in C:\speechsetup with the given side archives; both exit codes checked.
scenario() {
    name=$1
    shift
    (cd "$setup" && timeout 300 wine setup.exe >"$out/$name-installer.out" 2>&1) &
    installer=$!
    timeout 300 wine "$robot" "$@" >"$out/$name-robot.out" 2>&1
    robot_status=$?
    wait $installer
    installer_status=$?
    echo "--- $name"
    tr -d '\r' <"$out/$name-robot.out" | iconv -f CP1252 -t UTF-8
    [ $robot_status -eq 0 ] || fail "$name: the robot counted failures (exit code $robot_status)"
    [ $installer_status -eq 0 ] || fail "$name: the installer ended with exit code $installer_status"
}
fresh() {
    rm -rf "$setup" "$speng" "$windows/speng.ini" "$desktop/Quibel 4.1.LNK"
    mkdir -p "$setup"
    cp "$out/setup.exe" "$setup/setup.exe"
}
settings_size() { [ -f "$windows/speng.ini" ] && wc -c <"$windows/speng.ini" || echo none; }

fresh
cp "$out/spengFR.maj" "$setup/"
head -c 4000 /dev/zero | tr '\0' 'x' >"$windows/speng.ini"
scenario fr run "$(lines_of "$out/fr")"
[ "$(settings_size)" = 324 ] || fail "fr: speng.ini has $(settings_size) bytes, not 324"
sed -n 2p "$windows/speng.ini" | grep -qx 'Main=c:\\speng\\bin.' || fail "fr: line 2 of speng.ini"
diff -r "$out/fr" "$speng" >/dev/null || fail "fr: c:\\speng differs from the two-voice engine"
[ -f "$desktop/Quibel 4.1.LNK" ] || fail "fr: no Quibel 4.1.LNK in $desktop"

fresh
cp "$out/spengFR.maj" "$out/spengTTL.maj" "$setup/"
scenario ttl run "$(lines_of "$out/ttl")"
[ "$(settings_size)" = 1219 ] || fail "ttl: speng.ini has $(settings_size) bytes, not 1219"
diff -r "$out/ttl" "$speng" >/dev/null || fail "ttl: c:\\speng differs from the fourteen-voice engine"

fresh
scenario none run 0
[ "$(settings_size)" = none ] || fail "none: a speng.ini was written"
[ ! -e "$speng" ] || fail "none: c:\\speng was made"

fresh
cp "$out/damaged.maj" "$setup/spengFR.maj"
scenario damaged damaged
[ "$(settings_size)" = none ] || fail "damaged: a speng.ini was written"

# A directory elsewhere that a planted link names: nothing may appear in it.
target="$out/link-target"
untouched() { [ -z "$(ls -A "$target")" ] || fail "$1: written through the link: $(ls "$target")"; }

fresh
rm -rf "$target" && mkdir -p "$target"
cp "$out/spengFR.maj" "$setup/"
ln -s "$target" "$speng"
scenario spenglink failure "Nom de fichier incorrect." speech
untouched spenglink
[ "$(settings_size)" = none ] || fail "spenglink: a speng.ini was written"
[ -f "$setup/Quibel/quibel.exe" ] || fail "spenglink: the product was not installed before the refusal"
rm -f "$speng"

fresh
rm -rf "$target" && mkdir -p "$target"
ln -s "$target" "$setup/Quibel"
scenario quibellink failure "Nom de fichier incorrect." product
untouched quibellink

# Over an existing installation, whose Quibel\quibel.exe holds "old": one row a case. What is done to the old file
# first (in Quibel, by the shell), the robot's words, and what must hold afterwards:
#   old    the old file, emptied and written in place (the same file: its inode and its mode stay)
#   kept   the old file untouched (the run failed on it)
#   apart  the product's file in the name's place, and what the link named, or the other name, untouched
over_existing() {
    name=$1 prepare=$2 expect=$3
    shift 3
    fresh
    mkdir -p "$setup/Quibel"
    echo old >"$setup/Quibel/quibel.exe"
    echo victim >"$out/victim.exe"
    (cd "$setup/Quibel" && eval "$prepare")
    inode=$(stat -c %i.%a "$setup/Quibel/quibel.exe")
    scenario "$name" "$@"
    file="$setup/Quibel/quibel.exe"
    case $expect in
    old) [ "$(stat -c %i.%a "$file")" = "$inode" ] && cmp -s "$out/product/quibel.exe" "$file" ||
        fail "$name: quibel.exe was not emptied and written in place" ;;
    kept) [ "$(cat "$file")" = old ] || fail "$name: quibel.exe changed" ;;
    apart) [ "$(cat "$out/victim.exe")" = victim ] && [ ! -L "$file" ] && cmp -s "$out/product/quibel.exe" "$file" ||
        fail "$name: written through the name, or the product's file is not in its place" ;;
    esac
}
product_file='C:\speechsetup\Quibel\quibel.exe'
#             name      done to the old file first               expect robot's words
over_existing ordinary  'chmod 600 quibel.exe'                   old    run 0
over_existing inuse     :                                        kept   refused 32 "$product_file" hold
over_existing readonly  :                                        kept   refused 5 "$product_file" attributes 21
over_existing hidden    :                                        kept   refused 5 "$product_file" attributes 22
over_existing system    :                                        kept   refused 5 "$product_file" attributes 24
over_existing filelink  'ln -sf "$out/victim.exe" quibel.exe'    apart  run 0
over_existing hardlink  'ln -f "$out/victim.exe" quibel.exe'     apart  run 0

# While a block of a few dozen bytes decodes to 192 MiB in \data: a Unix link put at big.bin's name, then a Windows
# program that tries to rename and to remove \data (the robot), which the system refuses while the walk holds it.
fresh
python3 "$source_dir/tests/speech/long_block_installer.py" "$stub" "$setup/setup.exe" 192
echo victim >"$out/victim.exe"
(
    for _ in $(seq 30000); do
        [ -d "$setup/Quibel/data" ] && break
        sleep 0.01
    done
    ln -s "$out/victim.exe" "$setup/Quibel/data/big.bin" && echo planted
) >"$out/plant.out" 2>&1 &
planter=$!
scenario latelink held data
wait $planter
grep -q planted "$out/plant.out" || fail "latelink: no link was planted: $(cat "$out/plant.out")"
[ "$(cat "$out/victim.exe")" = victim ] || fail "latelink: written through the link"
[ ! -L "$setup/Quibel/data/big.bin" ] && [ "$(stat -c %s "$setup/Quibel/data/big.bin")" = $((192 << 20)) ] &&
    [ -f "$setup/Quibel/data/after.txt" ] || fail "latelink: the product's files are not in place"

# A file 258 characters long, the longest the system's calls create: installed, then installed again over itself.
fresh
# (The tree to pack lies in a short folder: qpack.exe reads it by its Windows path, which MAX_PATH bounds too.)
short=$(mktemp -d /tmp/qdeep.XXXXXX)
levels="$(printf 'a%.0s' $(seq 120))/$(printf 'b%.0s' $(seq 100))"
mkdir -p "$short/$levels"
cp "$out/product/quibel.exe" "$short/"
echo deep >"$short/$levels/ffffffffff.txt"
pack installer --stub "$stub" "$short" -o "$setup/setup.exe"
long="C:\\speechsetup\\Quibel\\$(echo "$levels" | tr / '\\')\\ffffffffff.txt"
[ ${#long} -eq 258 ] || fail "longpath: the path has ${#long} characters, not 258"
scenario longpath run 0
scenario longpath-again run 0
diff -r "$short" "$setup/Quibel" >/dev/null || fail "longpath: the installed tree differs"
rm -rf "$setup/Quibel" "$short"

exit $status
