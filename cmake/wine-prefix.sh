# Sourced by the scripts that run Windows programs under Wine. make_wine_prefix creates $WINEPREFIX once as a
# 32-bit prefix ready for tests: Wine's own fonts where it looks for them (stable text metrics), real Desktop and
# Documents folders instead of links to $HOME, and no crash dialog (a crash ends the program instead of hanging it).
# A machine whose kernel runs no 32-bit programs (no IA-32 emulation) cannot start Wine's 32-bit loader: said once,
# instead of a prefix that is never made.
make_wine_prefix() {
    [ -d "$WINEPREFIX/drive_c" ] && return 0
    if ! wine --version >/dev/null 2>&1; then
        echo "Wine cannot start here: $(wine --version 2>&1 | tail -n 1)" >&2
        echo "(the 32-bit programs need a kernel that runs 32-bit code: IA-32 emulation)" >&2
        return 1
    fi
    WINEARCH=win32 timeout 180 wineboot -i </dev/null >/dev/null 2>&1
    timeout 60 wineserver -w
    if [ ! -d "$WINEPREFIX/drive_c" ]; then
        echo "wineboot could not make the Wine prefix $WINEPREFIX" >&2
        return 1
    fi
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l -exec sh -c 'rm "$1"; mkdir "$1"' _ {} \;
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >/dev/null 2>&1
    timeout 60 wineserver -w
}

# For a run with windows on the current display: a window manager (when there is one to start), one wineserver
# kept up for the whole run and the prefix booted once; all of it is ended when the calling script exits.
start_window_session() {
    session_wm=""
    if command -v openbox >/dev/null; then
        openbox --sm-disable >/dev/null 2>&1 &
        session_wm=$!
    fi
    # The server outlives this script when the script is killed: it must not hold the prefix's lock (fd 9) then.
    timeout 30 wineserver -p </dev/null >/dev/null 2>&1 9>&-
    timeout 60 wineboot </dev/null >/dev/null 2>&1 9>&-
    trap end_window_session EXIT
}

end_window_session() {
    timeout 30 wineserver -k >/dev/null 2>&1
    [ -n "$session_wm" ] && kill "$session_wm" 2>/dev/null
}
