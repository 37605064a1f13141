#!/bin/sh
# The system commands that scripts/deps.sh calls, played from a state folder ($FAKE_STATE) so that its test replays
# a mirror's failures without root and without the network; called through links named after each command.
# State: "absent" (packages not installed), "locales" (what `locale -a` lists), "foreign" (architectures added),
# "calls" (every call that would change the system). The failures played are chosen by the environment:
#   FAKE_INDEX_FAILS=1       `apt-get update` fails for one index, as when a mirror is mid-sync (exit 100)
#   FAKE_SKEW=SUITE          i386 packages resolve only with `-t SUITE` (their index lags the amd64 one)
#   FAKE_FETCH_FAILS_ONCE=1  the first real installation fails to download
#   FAKE_UNAVAILABLE="P..."  packages that no source has
set -u
state=$FAKE_STATE

apt_get() {
    command="" simulate="" suite="" packages=""
    while [ $# -gt 0 ]; do
        case $1 in
        -s) simulate=yes ;;
        -t) suite=$2 && shift ;;
        -*) ;;
        *) if [ -z "$command" ]; then command=$1; else packages="$packages $1"; fi ;;
        esac
        shift
    done
    [ -n "$simulate" ] || echo "apt-get $command $suite$packages" >>"$state/calls"
    case $command in
    update)
        [ -z "${FAKE_INDEX_FAILS:-}" ] && return 0
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (47740 != 47716). Mirror sync in progress? [IP: 151.101.2.132 80]" >&2
        echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
        return 100
        ;;
    install) ;;
    *) echo "fake apt-get: $command is not played" >&2 && return 2 ;;
    esac
    for p in $packages; do
        case " ${FAKE_UNAVAILABLE:-} " in *" $p "*) echo "E: Unable to locate package $p" >&2 && return 100 ;; esac
        case $p in *:i386)
            if [ -n "${FAKE_SKEW:-}" ] && [ "$suite" != "$FAKE_SKEW" ]; then
                echo "The following packages have unmet dependencies:"
                echo " $p : Depends: libssl3:i386 (>= 3.0.0) but 3.0.15-1~deb12u1 is to be installed"
                echo "E: Unable to correct problems, you have held broken packages." >&2
                return 100
            fi
            ;;
        esac
    done
    [ -n "$simulate" ] && return 0
    if [ -n "${FAKE_FETCH_FAILS_ONCE:-}" ] && [ ! -e "$state/fetch-failed" ]; then
        touch "$state/fetch-failed"
        echo "E: Failed to fetch http://deb.debian.org/debian/pool/main/h/help2man/help2man_1.49.3_amd64.deb  503  Service Unavailable [IP: 151.101.2.132 80]" >&2
        return 100
    fi
    for p in $packages; do
        grep -vx "$p" "$state/absent" >"$state/absent.new"
        mv "$state/absent.new" "$state/absent"
    done
}

case $(basename "$0") in
apt-get) apt_get "$@" ;;
dpkg-query) # dpkg-query -W -f=FORMAT PACKAGE
    for package; do :; done
    grep -qx "$package" "$state/absent" && exit 1
    echo "install ok installed"
    ;;
dpkg)
    case $1 in
    --print-foreign-architectures) cat "$state/foreign" ;;
    --add-architecture) echo "dpkg $*" >>"$state/calls" && echo "$2" >>"$state/foreign" ;;
    *) echo "fake dpkg: $1 is not played" >&2 && exit 2 ;;
    esac
    ;;
locale) cat "$state/locales" ;;
localedef) # localedef -i fr_FR -f UTF-8 fr_FR.UTF-8
    echo "localedef $*" >>"$state/calls"
    echo "$2.utf8" >>"$state/locales"
    ;;
id) echo 0 ;;
*) echo "fake: $(basename "$0") is not played" >&2 && exit 2 ;;
esac
