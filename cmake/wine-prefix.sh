# Sourced by the scripts that run Windows programs under Wine. make_wine_prefix creates $WINEPREFIX once as a
# 32-bit prefix ready for tests: Wine's own fonts where it looks for them (stable text metrics), real Desktop and
# Documents folders instead of links to $HOME, and no crash dialog (a crash ends the program instead of hanging it).
# A machine whose kernel runs no 32-bit programs (no IA-32 emulation) cannot start Wine's 32-bit loader: said once,
# instead of a prefix that is never made. A step that fails or runs out of time says which it was.

# wine_setup_step SECONDS WHAT COMMAND...: runs one step of the set-up within SECONDS.
wine_setup_step() {
    seconds=$1 what=$2
    shift 2
    status=0
    timeout "$seconds" "$@" </dev/null >/dev/null 2>&1 9>&- || status=$?
    [ "$status" -eq 0 ] && return 0
    if [ "$status" -eq 124 ]; then
        echo "Wine set-up: $what ran out of time ($seconds s) for $WINEPREFIX" >&2
    else
        echo "Wine set-up: $what failed (status $status) for $WINEPREFIX" >&2
    fi
    return 1
}

make_wine_prefix() {
    [ -d "$WINEPREFIX/drive_c" ] && return 0
    if ! wine --version >/dev/null 2>&1; then
        echo "Wine cannot start here: $(wine --version 2>&1 | tail -n 1)" >&2
        echo "(the 32-bit programs need a kernel that runs 32-bit code: IA-32 emulation)" >&2
        return 1
    fi
    wine_setup_step 180 "making the prefix (wineboot -i)" env WINEARCH=win32 wineboot -i || return 1
    wine_setup_step 60 "waiting for the new prefix's server (wineserver -w)" wineserver -w || return 1
    if [ ! -d "$WINEPREFIX/drive_c" ]; then
        echo "Wine set-up: wineboot made no drive_c in $WINEPREFIX" >&2
        return 1
    fi
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    find "$WINEPREFIX/drive_c/users" -maxdepth 2 -type l -exec sh -c 'rm "$1"; mkdir "$1"' _ {} \;
    wine_setup_step 60 "turning the crash dialog off (wine reg add)" \
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f || return 1
    wine_setup_step 60 "waiting for the prefix's server (wineserver -w)" wineserver -w
}

# For a run with windows on the current display: a window manager (when there is one to start), one wineserver
# kept up for the whole run and the prefix booted once; all of it is ended when the calling script exits.
start_window_session() {
    session_wm=""
    if command -v openbox >/dev/null; then
        openbox --sm-disable >/dev/null 2>&1 &
        session_wm=$!
    fi
    trap end_window_session EXIT
    # The server outlives this script when the script is killed: it must not hold the prefix's lock (fd 9) then.
    # (-p answers 2 when a server is already up.)
    timeout 30 wineserver -p </dev/null >/dev/null 2>&1 9>&- ||
        [ $? -ne 124 ] || { echo "Wine set-up: starting the server (wineserver -p) ran out of time (30 s)" >&2; return 1; }
    wine_setup_step 60 "starting the prefix's services (wineboot)" wineboot
}

end_window_session() {
    timeout 30 wineserver -k >/dev/null 2>&1
    [ -n "$session_wm" ] && kill "$session_wm" 2>/dev/null
}
