#!/bin/sh
# deps_test.sh DEPS WORKDIR: replays what a machine and its mirror did to the set-up script DEPS, with the system
# commands it calls played by fake-system.sh (no root, no network): an index failing to update while the mirror
# syncs, i386 packages that resolve only from the release suite, a download failing once, a package that no source
# has, locales missing while every package is there, and a machine that lacks nothing.
# shellcheck disable=SC2086 # the table's lists and failures played are split into words on purpose
set -u
deps=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/bin"
for command in apt-get dpkg dpkg-query locale localedef id; do
    ln -s "$here/fake-system.sh" "$work/bin/$command"
done
# The release suite is read from the machine's os-release: another name than this machine's shows it is read.
echo "VERSION_CODENAME=forky" >"$work/os-release"
status=0

# case | packages absent | locales present | failures played | expected: ok (all there after, status 0), quiet
# (ok without a word or a change) or missing:P (status not 0, P named by the script and the only package left)
while IFS='|' read -r name absent locales failures expected; do
    state="$work/$name"
    mkdir "$state"
    printf '%s\n' $absent >"$state/absent"
    printf '%s\n' C C.utf8 POSIX $locales >"$state/locales"
    : >"$state/foreign"
    : >"$state/calls"
    env $failures FAKE_STATE="$state" DEPS_OS_RELEASE="$work/os-release" PATH="$work/bin:$PATH" \
        sh "$deps" >"$state/out" 2>&1
    code=$?
    left=$(paste -sd ' ' "$state/absent")
    problem=""
    case $expected in
    ok | quiet) [ $code -eq 0 ] && [ -z "$left" ] || problem="status $code, still absent: $left" ;;
    missing:*)
        package=${expected#missing:}
        if [ $code -eq 0 ] || [ "$left" != "$package" ]; then
            problem="status $code, still absent: $left (expected a failure and $package alone absent)"
        elif ! grep -q "^deps:.*$package" "$state/out"; then
            problem="the script does not name $package"
        fi
        ;;
    esac
    if [ "$expected" = quiet ] && { [ -s "$state/out" ] || [ -s "$state/calls" ]; }; then
        problem="said or did something"
    fi
    for locale in fr_FR.utf8 ru_RU.utf8; do
        grep -qx "$locale" "$state/locales" || problem="$problem; locale $locale not made"
    done
    if [ -n "$problem" ]; then
        echo "FAILED $name: $problem"
        sed 's/^/    output: /' "$state/out"
        sed 's/^/    called: /' "$state/calls"
        status=1
    else
        echo "ok $name"
    fi
done <<'CASES'
index_mid_sync|lhasa osslsigncode|fr_FR.utf8 ru_RU.utf8|FAKE_INDEX_FAILS=1|ok
multiarch_skew|wine32:i386 wine64|fr_FR.utf8 ru_RU.utf8|FAKE_SKEW=forky|ok
download_fails_once|p7zip-full xauth|fr_FR.utf8 ru_RU.utf8|FAKE_FETCH_FAILS_ONCE=1|ok
not_to_be_had|lhasa libcli11-dev|ru_RU.utf8|FAKE_UNAVAILABLE=lhasa|missing:lhasa
locales_missing||||ok
batch_additions|libgcrypt20-dev libgcrypt-mingw-w64-dev libutf8proc-dev tmux lintian help2man dpkg-dev|fr_FR.utf8 ru_RU.utf8||ok
everything_there||fr_FR.utf8 ru_RU.utf8||quiet
CASES
exit $status
