#!/bin/sh
# reparse_point_e2e.sh QPACK.exe: the Win32 file system refuses an existing directory below the base that is a
# reparse point ("Nom de fichier incorrect") and writes nothing through it. Wine cannot make junctions, but it
# shows a Unix symbolic link inside drive_c as a directory with FILE_ATTRIBUTE_REPARSE_POINT: planted with ln -s.
# A link or a second name (hard link) at a file's name is replaced, the name alone: what it names keeps its content
# (Wine's DeleteFileA would delete what a Unix link names).
# Then pack meets a directory that holds itself through such a link, whose reparse tag Wine does not give (so it is
# no link to qpack): the walk must end, refusing it, and write nothing.
set -u
qpack=$1
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$source_dir/build/wine/tests}"
run="$source_dir/cmake/wine-run.sh"
timeout 300 "$run" "$qpack" --help >/dev/null 2>&1 # makes the prefix when it is missing

work="$WINEPREFIX/drive_c/quibel-reparse"
rm -rf "$work"
mkdir -p "$work/tree/linkdir" "$work/outside" "$work/base" "$work/clean"
echo pwn >"$work/tree/linkdir/pwn.txt"
echo new >"$work/tree/f.txt"
echo new >"$work/tree/g.txt"
status=0
fail() { echo "FAILED: $*"; status=1; }

timeout 120 "$run" "$qpack" pack 'C:\quibel-reparse\tree' -o 'C:\quibel-reparse\p.maj' || fail "pack"
# Without the link the package extracts: the refusal below is the link's alone.
timeout 120 "$run" "$qpack" extract 'C:\quibel-reparse\p.maj' 'C:\quibel-reparse\clean' >/dev/null ||
    fail "extract without a link"
[ -f "$work/clean/linkdir/pwn.txt" ] || fail "extract without a link wrote no linkdir\\pwn.txt"

ln -s "$work/outside" "$work/base/linkdir"
timeout 120 "$run" "$qpack" extract 'C:\quibel-reparse\p.maj' 'C:\quibel-reparse\base' >"$work/out.txt" 2>"$work/err.txt"
code=$?
[ "$code" -eq 1 ] || fail "exit code $code, expected 1"
grep -q "Nom de fichier incorrect" "$work/err.txt" || fail "stderr: $(cat "$work/err.txt")"
grep -q 'pertoire C:\\quibel-reparse\\base\\linkdir' "$work/out.txt" || fail "stdout: $(cat "$work/out.txt")"
[ -z "$(ls -A "$work/outside")" ] || fail "written through the link: $(ls "$work/outside")"
[ -L "$work/base/linkdir" ] || fail "the link was replaced"

mkdir -p "$work/files"
echo victim >"$work/victim.txt"
echo other >"$work/other.txt"
ln -s "$work/victim.txt" "$work/files/f.txt"
ln "$work/other.txt" "$work/files/g.txt"
timeout 120 "$run" "$qpack" extract 'C:\quibel-reparse\p.maj' 'C:\quibel-reparse\files' >/dev/null 2>"$work/files-err.txt" ||
    fail "extract over a file link and a hard link: $(cat "$work/files-err.txt")"
[ "$(cat "$work/victim.txt")" = victim ] && [ "$(cat "$work/other.txt")" = other ] ||
    fail "written through a file link or a hard link"
[ ! -L "$work/files/f.txt" ] && [ "$(cat "$work/files/f.txt")" = new ] && [ "$(cat "$work/files/g.txt")" = new ] ||
    fail "the new files are not in the names' place"

mkdir -p "$work/looping/sub"
echo a >"$work/looping/quibel.exe"
ln -s .. "$work/looping/sub/up"
timeout 120 "$run" "$qpack" pack 'C:\quibel-reparse\looping' -o 'C:\quibel-reparse\loop.maj' 2>"$work/loop-err.txt"
code=$?
[ "$code" -eq 1 ] || fail "pack of a tree that holds itself: exit code $code, expected 1"
grep -q 'looping\\sub\\up: .*quibel-reparse\\looping again' "$work/loop-err.txt" ||
    fail "pack of a tree that holds itself: $(cat "$work/loop-err.txt")"
[ ! -e "$work/loop.maj" ] || fail "pack of a tree that holds itself wrote its output"

[ "$status" -eq 0 ] && rm -rf "$work"
exit "$status"
