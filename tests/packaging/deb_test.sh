#!/bin/sh
# deb_test.sh DEB SAMPLE OUT: the package of scripts/make-deb.sh has no lintian error nor override, holds the page,
# completion and README, a copyright file that dpkg's parser reads, depends on the package of each library qpack
# needs, and its qpack, unpacked, makes the sample installer with the stub it carries (default_stub_test.sh); its
# --version names that stub's version.
set -u
deb=$1 sample=$2 out=$3
status=0
fail() { echo "FAILED: $*"; status=1; }
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
lintian --fail-on error --display-info "$deb" 2>&1 | sed 's/^/lintian: /'
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian finds errors in $deb"
! dpkg-deb -c "$deb" | grep -q 'lintian/overrides' || fail "the package carries lintian overrides"
dpkg-deb -x "$deb" "$out/root" || fail "dpkg-deb -x $deb"
for path in man/man1/qpack.1.gz bash-completion/completions/qpack doc/qpack/README.md.gz; do
    [ -f "$out/root/usr/share/$path" ] || fail "the package has no /usr/share/$path"
done
# The copyright file in the machine-readable format, read by dpkg's own parser: lintian does not read that format.
copyright=$out/root/usr/share/doc/qpack/copyright
perl -MDpkg::Control::HashCore -e 'open(my $in, "<", $ARGV[0]) or die "$ARGV[0]: $!\n";
    while (Dpkg::Control::HashCore->new->parse($in, $ARGV[0])) {}' "$copyright" 2>&1 ||
    fail "$copyright does not read as paragraphs of fields"
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | awk '{ print $1 }')
# The libraries qpack links itself (those they need in turn come with their packages' own dependencies).
needed=$(objdump -p "$out/root/usr/bin/qpack" | awk '$1 == "NEEDED" { print $2 }')
for name in $needed; do
    library=$(ldd "$out/root/usr/bin/qpack" | awk -v name="$name" '$1 == name { print $3 }')
    # dpkg knows it under /usr/lib or /lib: the pattern names its folder and name (x86_64-linux-gnu/libc.so.6).
    owner=$(dpkg -S "*/$(basename "$(dirname "$library")")/$name" 2>/dev/null | head -n 1 | cut -d: -f1)
    echo "$depends" | grep -qxF "$owner" || fail "qpack needs $name (${owner:-no package}), not in its Depends"
done
# --version names the stub it carries with the version its resource gives: the package's own version.
version=$(dpkg-deb -f "$deb" Version)
"$out/root/usr/bin/qpack" --version | grep -qxF "stub: $out/root/usr/share/qpack/quibel-setup-stub.exe, version $version.0" ||
    fail "qpack --version does not name the stub at $out/root/usr/share/qpack with version $version.0: $("$out/root/usr/bin/qpack" --version | tail -n 1)"
sh "$(dirname "$0")/default_stub_test.sh" "$sample" "$out/root/usr/bin/qpack" \
    "$out/root/usr/share/qpack/quibel-setup-stub.exe" "$out/default-stub" || status=1
[ $status -eq 0 ] && echo "ok: $(basename "$deb"): no lintian error, depends on $(echo "$depends" | paste -sd ' ')"
exit $status
