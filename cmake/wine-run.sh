#!/bin/sh
# Runs a Windows program under Wine for ctest. Keeps one warm wineserver per prefix; the services it spawns
# get /dev/null as their streams, so that ctest's pipes close when the test ends.
# The prefix belongs to this checkout's build folder: two checkouts never share one.
: "${WINEPREFIX:=$(cd "$(dirname "$0")/.." && pwd)/build/wine/tests}"
export WINEPREFIX WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
unset DISPLAY
mkdir -p "$WINEPREFIX.lock.d"
exec 9>"$WINEPREFIX.lock.d/lock"
flock -w 300 9
. "$(dirname "$0")/wine-prefix.sh"
make_wine_prefix || exit 1
if wineserver -p </dev/null >/dev/null 2>&1; then wineboot </dev/null >/dev/null 2>&1; fi
flock -u 9
exec 9>&-
exec wine "$@"
