#!/bin/sh
# default_stub_test.sh SAMPLE QPACK STUB OUT [RUNNER...]: an installed qpack (run behind RUNNER), its stub at STUB,
# makes the sample installer without --stub, the same bytes as the build's SAMPLE/quibel-setup.exe (same tree and
# banner); without that stub it fails (exit 1), naming where it looked.
set -u
sample=$1 qpack=$2 stub=$3 out=$4
shift 4
status=0
fail() { echo "FAILED: $*"; status=1; }
rm -rf "$out"
mkdir -p "$out"
"$@" "$qpack" installer "$sample/product" -o "$out/quibel-setup.exe" --banner "Quibel 4.1" >"$out/made.out" 2>&1 ||
    fail "qpack installer without --stub: $(cat "$out/made.out")"
cmp "$out/quibel-setup.exe" "$sample/quibel-setup.exe" || fail "not the build's sample installer"
mv "$stub" "$out/stub.exe"
"$@" "$qpack" installer "$sample/product" -o "$out/none.exe" >"$out/none.out" 2>&1
code=$?
mv "$out/stub.exe" "$stub"
if [ $code -ne 1 ] || ! grep -q 'share[\\/]qpack[\\/]quibel-setup-stub\.exe' "$out/none.out"; then
    fail "without its stub: exit $code, $(cat "$out/none.out")"
fi
[ $status -eq 0 ] && echo "ok: the installed qpack makes the sample installer with its own stub"
exit $status
