#!/bin/sh
# Installs what a fresh Debian 12 machine lacks for building and testing (run as root).
# Idempotent: packages already present are left alone and nothing is fetched again.
set -eu

PKGS="g++ clang libclang-rt-14-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 cmake ninja-build googletest
wine wine32:i386 wine64 fonts-wine fonts-liberation xvfb xauth openbox imagemagick x11-apps x11-utils
lhasa jlha-utils p7zip-full python3 locales osslsigncode openssl libcli11-dev bsdutils"

missing=""
for p in $PKGS; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" != 0 ]; then
    echo "deps: missing packages:$missing (run this script as root)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends $missing >/dev/null
if ! locale -a 2>/dev/null | grep -qi '^fr_FR.utf8$'; then
    localedef -i fr_FR -f UTF-8 fr_FR.UTF-8 || true
fi
# A Cyrillic locale: the picker's type-ahead test runs once more with code page 1251.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
    localedef -i ru_RU -f UTF-8 ru_RU.UTF-8 || true
fi
