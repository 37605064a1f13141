#!/bin/sh
# make-deb.sh [OUTDIR] [--build DIR]: makes the Debian package of qpack, OUTDIR/qpack_<version>_amd64.deb (default:
# build/), from a release build: qpack with the installer stub it takes by default, its manual page, bash
# completion, README, copyright notes and changelog. By default it configures build/release with the install rules
# (QUIBEL_INSTALL; the stub is the Windows build's build/win32/app/quibel-setup-stub.exe, or the file $QUIBEL_STUB
# names). --build DIR (or QUIBEL_RELEASE_BUILD=DIR) names instead a release build already configured with
# QUIBEL_INSTALL=ON, which is used as it is, never configured again. It builds there what is not built yet,
# installs that build into a staging folder under /usr and packs it, owned by root, with the dependencies
# dpkg-shlibdeps finds. Nothing is compiled again for the package.
set -eu
cd "$(dirname "$0")/.."
outdir=build given=${QUIBEL_RELEASE_BUILD:-}
[ $# -gt 0 ] && [ "${1#-}" = "$1" ] && { outdir=$1; shift; }
while [ $# -gt 0 ]; do
    case $1 in
    --build=*) given=${1#--build=} ;;
    --build) [ $# -ge 2 ] || { echo "make-deb: --build needs a directory" >&2; exit 2; }; given=$2; shift ;;
    *) echo "usage: make-deb.sh [OUTDIR] [--build DIR]" >&2; exit 2 ;;
    esac
    shift
done
out=$(mkdir -p "$outdir" && cd "$outdir" && pwd)

if [ -n "$given" ]; then
    build=$(cd "$given" && pwd)
    grep -qx 'QUIBEL_INSTALL:BOOL=ON' "$build/CMakeCache.txt" 2>/dev/null &&
        grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$build/CMakeCache.txt" || {
        echo "make-deb: $given is not a release build configured for installing; configure it so:" \
            "cmake --preset release -DQUIBEL_INSTALL=ON (build/release), or cmake -S . -B $given -G Ninja" \
            "-DCMAKE_BUILD_TYPE=Release -DQUIBEL_INSTALL=ON" >&2
        exit 1
    }
else
    build=$PWD/build/release
    cmake --preset release -DQUIBEL_INSTALL=ON ${QUIBEL_STUB:+"-DQUIBEL_STUB=$QUIBEL_STUB"} >/dev/null
fi
work=$build/deb
root=$work/root
cmake --build "$build" --target qpack qpack_man
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ "$(dpkg-parsechangelog -l packaging/changelog -S Version)" = "$version" ] || {
    echo "make-deb: packaging/changelog has no entry for version $version at its top" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$root/DEBIAN" "$work/debian"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
strip --remove-section=.comment --remove-section=.note "$root/usr/bin/qpack"  # as dh_strip does
doc=$root/usr/share/doc/qpack
gzip -9n "$root/usr/share/man/man1/qpack.1" "$doc/README.md"
gzip -9nc packaging/changelog >"$doc/changelog.gz"  # a native package's changelog is changelog.gz
chmod -R u=rwX,go=rX "$root"

# dpkg-shlibdeps reads the package's name from a source tree's control file.
printf 'Source: qpack\n\nPackage: qpack\nArchitecture: amd64\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O root/usr/bin/qpack | sed -n 's/^shlibs:Depends=//p')
{
    echo "Package: qpack"
    echo "Version: $version"
    echo "Architecture: amd64"
    echo "Maintainer: $(dpkg-parsechangelog -l packaging/changelog -S Maintainer)"
    echo "Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)"
    echo "Depends: $depends"
    echo "Section: devel"
    echo "Priority: optional"
    echo "Description: packer of the Quibel installer"
    echo " qpack turns a product tree into the Quibel installer, a self-contained"
    echo " 32-bit Windows program that carries the whole product, and packs the"
    echo " speech engine's side archive. It lists, verifies and extracts installers"
    echo " and archives, signed ones included."
    echo " ."
    echo " The installer stub it writes installers from comes with it."
} >"$root/DEBIAN/control"
(cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

deb=$out/qpack_${version}_amd64.deb
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l packaging/changelog -S Timestamp) \
    dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "make-deb: $deb"
