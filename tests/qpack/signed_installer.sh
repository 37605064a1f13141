#!/bin/sh
# signed_installer.sh STUB.exe OUTDIR QPACK...: the release steps on a tree of 321 directories (more than the
# benchmark corpus's 258): `qpack installer`, signing with a throw-away certificate (osslsigncode, see
# tests/support/sign-installer.sh), then `qpack verify` and `qpack extract` of the signed file, whose tree must
# equal the unsigned file's and the source tree; the digest holds through signing and through `osslsigncode
# remove-signature` (which leaves signing's zero padding), and a signed file changed in its stub is damaged.
# The same installer signed without its closing tags and record must fail verify. QPACK... is the qpack command
# (qpack.exe behind its emulator in the Windows build).
set -u
stub=$1 out=$2
shift 2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
status=0
fail() { echo "FAILED: $*"; status=1; }


rm -rf "$out"
mkdir -p "$out/tree"
out=$(cd "$out" && pwd)
tree="$out/tree"
i=0
while [ $i -lt 20 ]; do
    j=0
    while [ $j -lt 15 ]; do
        mkdir -p "$tree/Dossier $i/Données $j"
        seq 1 $((i * 37 + j * 11)) >"$tree/Dossier $i/Données $j/liste.txt"
        j=$((j + 1))
    done
    echo "dossier $i" >"$tree/Dossier $i/lisezmoi.txt"
    i=$((i + 1))
done
seq 1 60000 >"$tree/grand.txt"
directories=$(find "$tree" -type d | wc -l)

"$@" installer --stub "$stub" "$tree" -o "$out/setup.exe" >"$out/qpack.out" 2>&1 ||
    { cat "$out/qpack.out"; echo "FAILED: qpack installer"; exit 1; }
sh "$source_dir/tests/support/sign-installer.sh" "$out/setup.exe" "$out/signed.exe" "$out/signing"
signed=$?
[ $signed -eq 0 ] || exit $signed

signcode=${QUIBEL_OSSLSIGNCODE:-osslsigncode}
"$signcode" remove-signature -in "$out/signed.exe" -out "$out/unsigned.exe" >"$out/remove.out" 2>&1 ||
    { cat "$out/remove.out"; fail "osslsigncode remove-signature"; }

for file in setup signed unsigned; do
    "$@" verify -v "$out/$file.exe" >"$out/$file-verify.out" 2>&1 ||
        { cat "$out/$file-verify.out"; fail "qpack verify $file.exe"; }
    "$@" extract -q "$out/$file.exe" "$out/$file-tree" >"$out/$file-extract.out" 2>"$out/$file-extract.err" ||
        { cat "$out/$file-extract.err"; fail "qpack extract $file.exe"; }
    [ ! -s "$out/$file-extract.err" ] || { cat "$out/$file-extract.err"; fail "qpack extract $file.exe warned"; }
done
sed -i 's/\r$//' "$out"/*-verify.out  # qpack.exe ends its lines as Windows does
grep -v '^ ' "$out/signed-verify.out"
grep -q "signed.exe: sound, $directories directories, .*, SHA-256 digest matches, signed (certificate table of [0-9]* bytes; the signature itself is not checked here: osslsigncode verify checks it)$" \
    "$out/signed-verify.out" && grep -q "signed.exe: scanning from offset 400000" "$out/signed-verify.out" ||
    fail "qpack verify does not call signed.exe sound and signed, with $directories directories, read from 400000"
grep -q "SHA-256 digest matches$" "$out/unsigned-verify.out" ||
    { cat "$out/unsigned-verify.out"; fail "qpack verify does not call the unsigned file's digest good"; }
padding=$(($(wc -c <"$out/unsigned.exe") - $(wc -c <"$out/setup.exe")))
[ $padding -ge 0 ] && [ $padding -le 7 ] || fail "remove-signature left $padding bytes after the record, not 0 to 7"
diff -r "$tree" "$out/setup-tree" >/dev/null || fail "the unsigned installer's tree differs from the source"
diff -r "$out/setup-tree" "$out/signed-tree" >/dev/null || fail "the signed installer's tree differs from the unsigned one's"
diff -r "$out/setup-tree" "$out/unsigned-tree" >/dev/null || fail "the tree after remove-signature differs"

# A byte of the signed file's stub changed: the signature no longer matches, and the digest finds it first.
cp "$out/signed.exe" "$out/changed.exe"
printf 'x' | dd of="$out/changed.exe" bs=1 seek=2000 conv=notrunc 2>/dev/null
if "$@" verify "$out/changed.exe" >"$out/changed-verify.out" 2>&1; then
    fail "qpack verify calls a signed installer changed in its stub sound"
fi
grep -q "damaged: the SHA-256 of the" "$out/changed-verify.out" ||
    { cat "$out/changed-verify.out"; fail "qpack verify gives another reason for changed.exe"; }

# The earlier form, without the closing tags (nor the record), signed: the installer's walk would read into the
# signature.
size=$(wc -c <"$out/setup.exe")
head -c $((size - 96 - 2 * directories)) "$out/setup.exe" >"$out/open.exe"
sh "$source_dir/tests/support/sign-installer.sh" "$out/open.exe" "$out/open-signed.exe" "$out/signing" >/dev/null ||
    fail "signing open.exe"
if "$@" verify "$out/open-signed.exe" --from 400000 >"$out/open-verify.out" 2>&1; then
    fail "qpack verify calls a signed installer without closing tags sound"
fi
grep -q "one closing tag (00 00) per open list ($directories), then the signature" "$out/open-verify.out" ||
    { cat "$out/open-verify.out"; fail "qpack verify gives another reason for open-signed.exe"; }
[ $status -eq 0 ] && echo "ok: signed and unsigned installers verify and extract the same $directories directories"
exit $status
