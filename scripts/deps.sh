#!/bin/sh
# Installs what a fresh Debian 12 machine lacks for building and testing, and makes the locales the tests run in
# (run as root). Idempotent, and silent when nothing is missing. It lives with a mirror in the middle of a sync: an
# index that fails to update is left as it was, packages that do not resolve together from the latest indexes (one
# architecture's index lagging another's, which multiarch cannot mix) are taken from the release suite, and a failed
# download is tried once more. What it could not add it names, and exits with status 1.
set -eu

PKGS="g++ clang libclang-rt-14-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake ninja-build googletest
wine wine32:i386 wine64 fonts-wine fonts-liberation xvfb xauth openbox imagemagick x11-apps x11-utils
lhasa jlha-utils p7zip-full python3 locales osslsigncode openssl libcli11-dev bsdutils
libgcrypt20-dev libgcrypt-mingw-w64-dev libutf8proc-dev tmux lintian help2man dpkg-dev man-db"
# French for the system's own texts; a Cyrillic one because the picker's type-ahead test runs once more with code
# page 1251.
LOCALES="fr_FR ru_RU"
# The release suite is named by the machine's os-release (the test of this script gives its own).
OS_RELEASE=${DEPS_OS_RELEASE:-/etc/os-release}

say() { echo "deps: $*" >&2; }

missing_packages() {
    for p in $PKGS; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || printf ' %s' "$p"
    done
}

missing_locales() {
    present=$(locale -a 2>/dev/null)
    for l in $LOCALES; do
        echo "$present" | grep -qix "$l\.utf8" || printf ' %s' "$l"
    done
}

release_suite() {
    sed -n 's/^VERSION_CODENAME=//p' "$OS_RELEASE" 2>/dev/null | tr -d "\"'"
}

apt_install() { apt-get install -y -qq --no-install-recommends "$@"; }

# Prints the options under which apt resolves the packages together: none, or the release suite's; fails when
# neither does.
resolving_options() {
    apt_install -s "$@" >/dev/null 2>&1 && return 0
    [ -n "$suite" ] && apt_install -s -t "$suite" "$@" >/dev/null 2>&1 && echo "-t $suite"
}

# $1: the packages to install. Leaves what it could not install for the caller to report.
# shellcheck disable=SC2086 # the options and the package lists are words
install_packages() {
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    # Exit 100 also when only some index failed (a mirror mid-sync): the others, and that one's last copy, may do.
    apt-get update -qq || say "some package index could not be updated: going on with the indexes at hand"
    suite=$(release_suite)
    wanted=$1
    if ! options=$(resolving_options $wanted); then
        # Some package cannot be had at all, or the set does not hold together: find the former, install the rest.
        wanted="" unavailable=""
        for p in $1; do
            if resolving_options "$p" >/dev/null; then wanted="$wanted $p"; else unavailable="$unavailable $p"; fi
        done
        [ -n "$unavailable" ] && say "not to be had from this machine's package sources:$unavailable"
        [ -n "$wanted" ] || return 1
        options=$(resolving_options $wanted) || { say "these packages cannot be installed together:$wanted"; return 1; }
    fi
    [ -n "$options" ] && say "the latest indexes do not resolve together (one architecture's behind another's?):" \
        "installing from the release suite $suite"
    apt_install $options $wanted >/dev/null ||
        { say "the installation failed (a download?): trying once more"; apt_install $options $wanted >/dev/null; }
}

make_locales() {
    for l in $1; do
        localedef -i "$l" -f UTF-8 "$l.UTF-8" || true
    done
}

packages=$(missing_packages)
locales=$(missing_locales)
[ -z "$packages$locales" ] && exit 0

if [ "$(id -u)" != 0 ]; then
    [ -z "$packages" ] || say "missing packages:$packages"
    [ -z "$locales" ] || say "missing locales:$locales"
    say "run this script as root to add them"
    exit 1
fi
# Packages first: making locales needs the locales package. Then the locales, whatever became of the packages.
[ -z "$packages" ] || install_packages "$packages" || true
[ -z "$locales" ] || make_locales "$locales"

status=0
packages=$(missing_packages)
locales=$(missing_locales)
[ -z "$packages" ] || { say "still missing packages:$packages"; status=1; }
[ -z "$locales" ] || { say "still missing locales:$locales"; status=1; }
exit $status
