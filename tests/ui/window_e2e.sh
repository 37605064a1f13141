#!/bin/sh
# window_e2e.sh STUB.exe QPACK.exe ROBOT.exe OUTDIR [SAMPLEDIR]: the installer window under Wine, driven by the
# robot.
# Run under xvfb-run. Packs a product tree of its own (2,100 files, so that the log exceeds an edit control's
# default 32 KiB) into an installer, then:
#   1. run: the whole installation into C:\setup\target, checked by the robot, then the installed tree compared
#      with the product and the exit code checked (0);
#   2. sample: the same with the sample installer of SAMPLEDIR (quibel-setup.exe, spengFR.maj beside it) when it
#      has been built, speech engine included; then the same installer signed (tests/support/sign-installer.sh);
#   3. failure: an installation into C:\setup\blocked, where "Quibel" is a file: the failure display;
#   4. a failure inside FormCreate (the picker cannot follow the Windows drive), shown before the window, with the
#      taskbar entry already there, and the window still completed; start-up goes on, so that a run installs the
#      product and the speech engine beside it;
#   5. the layout on a 120 dpi screen.
# Screenshots land in OUTDIR (PNG when ImageMagick is there, else the robot's bitmaps).
set -u
stub=$1 qpack=$2 robot=$3 out=$4 sample=${5:-}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)

export WINEPREFIX="${QUIBEL_WINE_UI_PREFIX:-$source_dir/build/wine/ui}" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$WINEPREFIX.lock.d"
exec 9>"$WINEPREFIX.lock.d/lock"
flock -w 600 9 || { echo "prefix $WINEPREFIX is busy"; exit 1; }

. "$source_dir/cmake/wine-prefix.sh"
make_wine_prefix

# A run stopped half-way may have left the prefix at another screen resolution (step 5).
timeout 60 wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1
timeout 30 wineserver -k >/dev/null 2>&1

start_window_session

status=0
fail() { echo "FAILED: $*"; status=1; }

# The product: a program, a help folder, a folder and a file with accents, and many small examples.
product="$out/product"
rm -rf "$product"
mkdir -p "$product/Aide" "$product/Données" "$product/Exemples"
head -c 300000 /dev/urandom >"$product/quibel.exe"
seq 1 20000 >"$product/Aide/index.txt"
echo "réglages" >"$product/Données/préférences.txt"
i=0
while [ $i -lt 2100 ]; do
    echo "exemple $i" >"$product/Exemples/exemple$i.txt"
    i=$((i + 1))
done

setup="$WINEPREFIX/drive_c/setup"
rm -rf "$setup"
mkdir -p "$setup/target" "$setup/blocked"
: >"$setup/blocked/Quibel"
timeout 300 wine "$qpack" installer --stub "$stub" "$product" -o "$out/quibel-setup.exe" </dev/null >"$out/qpack.out" 2>&1 ||
    { cat "$out/qpack.out"; fail "qpack could not write the installer"; exit 1; }
cp "$out/quibel-setup.exe" "$setup/setup.exe"
robot_out=$(timeout 30 winepath -w "$out" 2>/dev/null)

# Lines of the log for a tree: one per directory (its top included) and per file.
tree_lines() { echo $(( $(find "$1" -type d | wc -l) + $(find "$1" -type f | wc -l) )); }

# One scenario: the installer DIR/EXE started beside the robot; both exit codes are checked.
scenario() {
    name=$1 dir=$2 exe=$3
    shift 3
    (cd "$dir" && timeout 300 wine "$exe" >"$out/$name-installer.out" 2>&1) &
    installer=$!
    timeout 300 wine "$robot" "$@" >"$out/$name-robot.out" 2>&1
    robot_status=$?
    wait $installer
    installer_status=$?
    tr -d '\r' <"$out/$name-robot.out" | iconv -f CP1252 -t UTF-8
    [ $robot_status -eq 0 ] || fail "$name: the robot counted failures (exit code $robot_status)"
    [ $installer_status -eq 0 ] || fail "$name: the installer ended with exit code $installer_status"
}

# What the X side shows of the taskbar entry, read while the robot of scenario NAME waits (it prints
# TASKBAR_READY, then waits for DIR/xprop.done, DIR being its output directory): the application window is
# mapped as a window with a taskbar entry and an icon, the form as one without an entry. (Whether the form shows
# an icon is the classes' business, tested in WindowClasses: Wine gives every managed window one.)
x_properties() {
    name=$1 dir=$2
    rm -f "$dir/xprop.done" "$dir/xprop.out"
    for _ in $(seq 1200); do
        grep -q TASKBAR_READY "$out/$name-robot.out" 2>/dev/null && break
        sleep 0.1
    done
    tree=$(xwininfo -root -tree 2>/dev/null)
    for window in 'installateur Quibel 3' 'Installation'; do
        id=$(echo "$tree" | grep "\"$window\"" | head -n 1 | awk '{print $1}')
        echo "window \"$window\" $id"
        [ -n "$id" ] && xprop -id "$id" _NET_WM_STATE _NET_WM_ICON | cut -c 1-120
    done >"$dir/xprop.out" 2>&1
    : >"$dir/xprop.done"
}
# The lines xprop printed into DIR for one window's property.
x_property() { sed -n "/^window \"$2\"/,/^window/p" "$1/xprop.out" | grep "^$3"; }
check_x_properties() {
    dir=$1
    cat "$dir/xprop.out"
    x_property "$dir" 'installateur Quibel 3' '_NET_WM_STATE' | grep -q SKIP_TASKBAR &&
        fail "the application window is mapped as skipping the taskbar"
    x_property "$dir" 'installateur Quibel 3' '_NET_WM_ICON(' >/dev/null || fail "the application window has no icon"
    x_property "$dir" 'Installation' '_NET_WM_STATE' | grep -q SKIP_TASKBAR ||
        fail "the form has a taskbar entry of its own"
    echo "x side checked"
}

lines=$(tree_lines "$product")
x_properties run "$out" &
x_reader=$!
scenario run "$setup" setup.exe run "$robot_out" 'C:\setup' "$lines" $((lines + 2))
wait $x_reader  # not a bare wait: the window manager of the session is a child of this shell too
check_x_properties "$out"
if diff -r "$product" "$setup/target/Quibel" >/dev/null; then
    echo "ok: the installed tree equals the product"
else
    fail "the installed tree differs from the product"
fi

# The sample installer from SAMPLEDIR, as built or as signed (NAME and the installer's file): same tree, same log.
sample_scenario() {
    name=$1 installer=$2
    sample_setup="$WINEPREFIX/drive_c/$name"
    rm -rf "$sample_setup" "$WINEPREFIX/drive_c/speng"
    mkdir -p "$sample_setup/target" "$out/$name"
    cp "$installer" "$sample_setup/quibel-setup.exe"
    cp "$sample/spengFR.maj" "$sample_setup/"
    lines=$(tree_lines "$sample/product")
    speech_lines=$(tree_lines "$source_dir/examples/speech")
    x_properties "$name" "$out/$name" &
    x_reader=$!
    scenario "$name" "$sample_setup" quibel-setup.exe run "$robot_out\\$name" "C:\\$name" "$lines" \
        $((lines + 2 + speech_lines))
    wait $x_reader
    check_x_properties "$out/$name"
    if diff -r "$sample/product" "$sample_setup/target/Quibel" >/dev/null; then
        echo "ok: the installed $name equals its product"
    else
        fail "the installed $name differs from its product"
    fi
}

if [ -n "$sample" ] && [ -f "$sample/quibel-setup.exe" ] && [ -f "$sample/spengFR.maj" ]; then
    sample_scenario sample "$sample/quibel-setup.exe"
    # 2b. The same installer signed as a release is (osslsigncode): signing appends to the file, which the
    # installer's walk must never read.
    sh "$source_dir/tests/support/sign-installer.sh" "$sample/quibel-setup.exe" "$out/quibel-setup-signed.exe" \
        "$out/signing"
    case $? in
        0) sample_scenario signed "$out/quibel-setup-signed.exe" ;;
        77) ;;
        *) fail "the sample installer could not be signed" ;;
    esac
else
    echo "the sample installer is not built: its scenario is skipped"
fi

scenario failure "$setup" setup.exe failure "$robot_out" 'C:\setup'

# 3. A failure inside FormCreate: the robot starts the installer itself, from a directory on drive Z, with a side
# archive beside it; the run installs into that directory.
created="$WINEPREFIX/drive_c/createfailure"
rm -rf "$created" "$out/Quibel" "$WINEPREFIX/drive_c/speng" "$WINEPREFIX/drive_c/windows/speng.ini"
mkdir -p "$created" "$out/voix"
echo "voix" >"$out/voix/julie.voc"
cp "$setup/setup.exe" "$created/setup.exe"
timeout 300 wine "$qpack" pack "$out/voix" -o "$created/spengFR.maj" </dev/null >>"$out/qpack.out" 2>&1 ||
    fail "qpack could not write the side archive"
timeout 300 wine "$robot" createfailure 'C:\createfailure\setup.exe' "$robot_out" >"$out/createfailure-robot.out" 2>&1 ||
    fail "createfailure: the robot counted failures"
tr -d '\r' <"$out/createfailure-robot.out" | iconv -f CP1252 -t UTF-8
diff -r "$product" "$out/Quibel" >/dev/null || fail "createfailure: the product was not installed whole"
[ -f "$WINEPREFIX/drive_c/speng/julie.voc" ] && [ -f "$WINEPREFIX/drive_c/windows/speng.ini" ] ||
    fail "createfailure: the speech engine was not installed"
rm -rf "$out/Quibel"

# 4. A 120 dpi screen: the window font becomes 14 px, whose "0" measures 16 px here, so the layout keeps its
# designed size (a window that ignored the resolution would come out at 13/16 of it).
timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 120 /f </dev/null >/dev/null 2>&1
timeout 30 wineserver -k >/dev/null 2>&1
timeout 30 wineserver -p </dev/null >/dev/null 2>&1 9>&-
timeout 60 wineboot </dev/null >/dev/null 2>&1 9>&-
scenario dpi120 "$setup" setup.exe layout "$robot_out" page1-120dpi.bmp
timeout 60 wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f </dev/null >/dev/null 2>&1

if command -v convert >/dev/null; then
    for shot in "$out"/*.bmp "$out"/sample/*.bmp; do
        [ -f "$shot" ] && convert "$shot" "${shot%.bmp}.png" && rm "$shot"
    done
fi
echo "screenshots in $out"
exit $status
