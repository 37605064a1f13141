#!/bin/sh
# Builds the installer, assembles the sample installer (examples/) and starts it under Wine.
#
# On a desktop the installer's window opens for the user. Without a display it runs under Xvfb, where the window
# robot makes a whole installation as a user would, leaving the directory as the picker shows it first:
# "Suivant", "Démarrer l'installation", then "OK" on the completion message. Pictures of the window (first page,
# install page after the run, completion message) are saved under build/win32/screenshots/, and the script prints
# where the product landed and what was installed.
#
# Wine prefix: $QUIBEL_WINEPREFIX, by default ~/.local/share/quibel/wine (made on first use; its Desktop and
# Documents are real folders, not links to $HOME). With the default directory the product lands in
# <prefix>/drive_c/Quibel, the speech engine in <prefix>/drive_c/speng, its settings in
# <prefix>/drive_c/windows/speng.ini and the shortcut in <prefix>/drive_c/users/<user>/Desktop.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh

headless=1
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then headless=""; fi

# The presets' build folders, or others under $QUIBEL_BUILD_ROOT.
build="${QUIBEL_BUILD_ROOT:-$PWD/build}"
jobs=$(nproc)
cmake --preset release -B "$build/release" >/dev/null
cmake --build "$build/release" --target qpack -j "$jobs"
cmake --preset win32 -B "$build/win32" -DQUIBEL_HOST_QPACK="$build/release/tools/qpack/qpack" >/dev/null
cmake --build "$build/win32" --target sample_installer ${headless:+window_robot} -j "$jobs"
sample="$build/win32/examples"

export WINEPREFIX="${QUIBEL_WINEPREFIX:-${XDG_DATA_HOME:-$HOME/.local/share}/quibel/wine}" WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -d "$WINEPREFIX/drive_c" ] || echo "run: preparing the Wine prefix $WINEPREFIX (once)"
mkdir -p "$WINEPREFIX"
. ./cmake/wine-prefix.sh
make_wine_prefix
echo "run: the product installs under $WINEPREFIX/drive_c (the directory chosen in the window, + Quibel)"

if [ -z "$headless" ]; then
    cd "$sample"
    exec wine quibel-setup.exe
fi

# No display: a virtual one, the installer and the robot that drives it.
shots="$build/win32/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
echo "run: no display; the window robot installs the sample under Xvfb"
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    sample=$1 robot=$2 shots=$3
    . ./cmake/wine-prefix.sh
    start_window_session
    (cd "$sample" && exec timeout 300 wine quibel-setup.exe) >"$shots/installer.out" 2>&1 &
    installer=$!
    timeout 300 wine "$robot" demo "$(winepath -w "$shots")" >"$shots/robot.out" 2>&1
    robot_status=$?
    wait "$installer" || robot_status=1
    directory=$(sed -n "s/^install directory: //p" "$shots/robot.out" | tr -d "\r" | iconv -f CP1252 -t UTF-8)
    [ -n "$directory" ] && readlink -f "$(winepath -u "$directory" 2>/dev/null)" >"$shots/directory"
    exit $robot_status
' run "$sample" "$build/win32/tests/ui/window_robot.exe" "$shots" || status=$?
for shot in "$shots"/*.bmp; do
    [ -f "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm "$shot"
done
if [ "$status" != 0 ] || [ ! -s "$shots/directory" ]; then
    tr -d '\r' <"$shots/robot.out" | iconv -f CP1252 -t UTF-8 >&2
    echo "run: the unattended installation failed; pictures in $shots" >&2
    exit 1
fi

# What landed where: the product, the speech engine, its settings, the shortcut.
summary() {  # DIR: its files, directories and bytes
    find "$1" -type f -printf '%s\n' | awk -v dirs="$(find "$1" -mindepth 1 -type d | wc -l)" \
        '{ bytes += $1 } END { printf "%d files, %d directories, %d bytes", NR, dirs, bytes }'
}
product=$(cat "$shots/directory")
windows_path=$(sed -n 's/^install directory: //p' "$shots/robot.out" | tr -d '\r' | iconv -f CP1252 -t UTF-8)
echo "run: installed into $windows_path, that is $product"
if diff -r "$sample/product" "$product" >/dev/null; then same="the same tree as $sample/product"; else
    same="NOT the same tree as $sample/product (files from an earlier run?)"; fi
echo "run:   $(summary "$product"); $same"
[ -d "$WINEPREFIX/drive_c/speng" ] &&
    echo "run: speech engine in c:\\speng, that is $WINEPREFIX/drive_c/speng: $(summary "$WINEPREFIX/drive_c/speng")"
[ -f "$WINEPREFIX/drive_c/windows/speng.ini" ] && echo "run: its settings: $WINEPREFIX/drive_c/windows/speng.ini"
find "$WINEPREFIX/drive_c/users" -path '*/Desktop/*' -iname 'Quibel 4.1.lnk' -exec echo "run: shortcut: {}" \;
echo "run: pictures of the window: $shots/first-page.png, $shots/install-page.png, $shots/completion.png"
echo "run: start the product with: wine '$product/quibel.exe'"
