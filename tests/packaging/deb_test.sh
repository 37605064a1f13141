#!/bin/sh
# deb_test.sh DEB SAMPLE OUT: the Debian package of qpack (scripts/make-deb.sh). lintian finds no error in it and it
# carries no lintian overrides; it holds qpack, its stub, manual page, completion and notes where the install
# rules put them; it depends on the package of each library that qpack needs; and its qpack, unpacked, makes the
# build's sample installer (SAMPLE) with the stub it carries (default_stub_test.sh).
set -u
deb=$1 sample=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
status=0
fail() { echo "FAILED: $*"; status=1; }
rm -rf "$out"
mkdir -p "$out"

lintian --fail-on error --display-info "$deb" >"$out/lintian.out" 2>&1 || fail "lintian finds errors in $deb"
sed 's/^/lintian: /' "$out/lintian.out"
! dpkg-deb -c "$deb" | grep -q 'lintian/overrides' || fail "the package carries lintian overrides"

dpkg-deb -x "$deb" "$out/root" || fail "dpkg-deb -x $deb"
for path in usr/bin/qpack usr/share/qpack/quibel-setup-stub.exe usr/share/man/man1/qpack.1.gz \
    usr/share/bash-completion/completions/qpack usr/share/doc/qpack/README.md.gz usr/share/doc/qpack/copyright \
    usr/share/doc/qpack/changelog.gz; do
    [ -f "$out/root/$path" ] || fail "the package has no $path"
done
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }')
for library in $(ldd "$out/root/usr/bin/qpack" | awk '$2 == "=>" { print $3 }'); do
    # (dpkg knows it under /usr/lib or /lib: the pattern names its folder and name, as x86_64-linux-gnu/libc.so.6)
    pattern="*/$(basename "$(dirname "$library")")/$(basename "$library")"
    owner=$(dpkg -S "$pattern" 2>/dev/null | head -n 1 | cut -d: -f1)
    echo "$depends" | grep -qxF "$owner" || fail "qpack needs $library (${owner:-no package}), not in its Depends"
done

sh "$here/default_stub_test.sh" "$sample" "$out/root/usr/bin/qpack" "$out/root/usr/share/qpack/quibel-setup-stub.exe" \
    "$out/default-stub" || status=1
[ $status -eq 0 ] && echo "ok: $(basename "$deb"): no lintian error, files in place, depends on $(echo "$depends" | paste -sd ' ')"
exit $status
