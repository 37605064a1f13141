#!/bin/sh
# Runs a Windows program under Wine for ctest. Keeps one warm wineserver per prefix; the services it spawns
# get /dev/null as their streams, so that ctest's pipes close when the test ends.
: "${WINEPREFIX:=/tmp/quibel-wine-tests}"
export WINEPREFIX WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"
unset DISPLAY
mkdir -p "$WINEPREFIX.lock.d"
exec 9>"$WINEPREFIX.lock.d/lock"
flock -w 300 9
if [ ! -d "$WINEPREFIX/drive_c" ]; then
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    # Desktop, Documents, ... are links to $HOME in a new prefix: make them real folders.
    find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l -exec sh -c 'rm "$1"; mkdir "$1"' _ {} \;
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    wineserver -w
fi
if wineserver -p </dev/null >/dev/null 2>&1; then wineboot </dev/null >/dev/null 2>&1; fi
flock -u 9
exec 9>&-
exec wine "$@"
