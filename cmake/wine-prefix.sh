# Sourced by the scripts that run Windows programs under Wine. make_wine_prefix creates $WINEPREFIX once as a
# 32-bit prefix ready for tests: Wine's own fonts where it looks for them (stable text metrics), real Desktop and
# Documents folders instead of links to $HOME, and no crash dialog (a crash ends the program instead of hanging it).
make_wine_prefix() {
    [ -d "$WINEPREFIX/drive_c" ] && return 0
    WINEARCH=win32 timeout 180 wineboot -i </dev/null >/dev/null 2>&1
    timeout 60 wineserver -w
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l -exec sh -c 'rm "$1"; mkdir "$1"' _ {} \;
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1
    timeout 60 wineserver -w
}
