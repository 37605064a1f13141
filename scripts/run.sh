#!/bin/sh
# Builds the installer, assembles the sample installer (examples/) and starts it under Wine.
#
# On a desktop the installer's window opens for the user. Without a display it runs under Xvfb: once the window is
# up, a screenshot of its first page is saved as build/win32/screenshot.png and the program is ended.
#
# Wine prefix: $QUIBEL_WINEPREFIX, by default ~/.local/share/quibel/wine (made on first use; its Desktop and
# Documents are real folders, not links to $HOME). With the default directory the product lands in
# <prefix>/drive_c/Quibel, the speech engine in <prefix>/drive_c/speng, its settings in
# <prefix>/drive_c/windows/speng.ini and the shortcut in <prefix>/drive_c/users/<user>/Desktop.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh

# The presets' build folders, or others under $QUIBEL_BUILD_ROOT.
build="${QUIBEL_BUILD_ROOT:-$PWD/build}"
jobs=$(nproc)
cmake --preset release -B "$build/release" >/dev/null
cmake --build "$build/release" --target qpack -j "$jobs"
cmake --preset win32 -B "$build/win32" -DQUIBEL_HOST_QPACK="$build/release/tools/qpack/qpack" >/dev/null
cmake --build "$build/win32" --target sample_installer -j "$jobs"
sample="$build/win32/examples"

export WINEPREFIX="${QUIBEL_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/quibel/wine}" WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -d "$WINEPREFIX/drive_c" ] || echo "run: preparing the Wine prefix $WINEPREFIX (once)"
mkdir -p "$WINEPREFIX"
. ./cmake/wine-prefix.sh
make_wine_prefix
echo "run: the product installs under $WINEPREFIX/drive_c (the directory chosen in the window, + Quibel)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    cd "$sample"
    exec wine quibel-setup.exe
fi

# No display: a virtual one, a window manager if there is one, a screenshot of the first page, then the end.
screenshot="$build/win32/screenshot.png"
rm -f "$screenshot"
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    sample=$1 screenshot=$2
    wm=""
    if command -v openbox >/dev/null; then openbox --sm-disable >/dev/null 2>&1 & wm=$!; fi
    wineserver -p; wineboot </dev/null >/dev/null 2>&1
    (cd "$sample" && exec timeout 120 wine quibel-setup.exe) >/dev/null 2>&1 &
    installer=$!
    up=""
    for i in $(seq 300); do
        if command -v xwininfo >/dev/null; then
            xwininfo -root -tree 2>/dev/null | grep -q "\"Installation\"" && up=1 && break
        elif [ "$i" -ge 80 ]; then up=1; break; fi
        sleep 0.1
    done
    [ -n "$up" ] && sleep 1.5 && import -window root "$screenshot"
    wineserver -k
    wait "$installer" || true
    [ -n "$wm" ] && kill "$wm"
    [ -n "$up" ]
' run "$sample" "$screenshot"
echo "run: no display; screenshot of the first page: $screenshot"
