#!/bin/sh
# picker_e2e.sh WINDOW.exe ROBOT.exe OUTDIR [FORMCLASS FORMTITLE BOXCAPTION]
# Runs the picker's window and the robot side by side under Xvfb (started by xvfb-run) in a Wine prefix of its
# own whose drives are a floppy a:, the fixed c: labelled SYSTEM, a CD-ROM d: without disc, a network x: on
# \\srv\share, five more fixed drives e: to i: and Wine's z:. Starts in C:\, deep below C:\ and on another
# drive; the picker's own window also plays a drive that is not ready. Screenshots in OUTDIR.
set -u
WINDOW=$(realpath "$1") ROBOT=$(realpath "$2") OUT=$(realpath -m "$3")
FORMCLASS=${4:-PickerTestForm} FORMTITLE=${5:-Picker} BOXCAPTION=${6:-Picker}
export WINEPREFIX="${PICKER_WINEPREFIX:-$(cd "$(dirname "$0")/../.." && pwd)/build/wine/picker}" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$OUT"
rm -f "$OUT"/*.done "$OUT"/*.png "$OUT"/*.out

. "$(cd "$(dirname "$0")/../.." && pwd)/cmake/wine-prefix.sh"
make_wine_prefix

# Drives: letters are links in dosdevices, types come from the registry (read when the server starts).
DOS="$WINEPREFIX/dosdevices"
mkdir -p "$WINEPREFIX/picker-floppy" "$DOS/unc/srv/share"
echo FLOPPY >"$WINEPREFIX/picker-floppy/.windows-label"   # must not show: a floppy is never read
echo SYSTEM >"$WINEPREFIX/drive_c/.windows-label"
ln -sfn ../picker-floppy "$DOS/a:"
ln -sfn ../picker-no-disc "$DOS/d:"
ln -sfn unc/srv/share "$DOS/x:"
for letter in e f g h i; do   # more drives than the open list shows at a time
    mkdir -p "$WINEPREFIX/picker-fixed-$letter"
    ln -sfn "../picker-fixed-$letter" "$DOS/$letter:"
done
cat >"$WINEPREFIX/picker-drives.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"a:"="floppy"
"d:"="cdrom"
"x:"="network"
REG
wine regedit /S "$(winepath -w "$WINEPREFIX/picker-drives.reg" 2>/dev/null)" </dev/null >/dev/null 2>&1
wineserver -k 2>/dev/null
wineserver -w

# The tree the deep start walks through ("Alpha" and "alpha" differ only in case, as Unix allows).
TREE="$WINEPREFIX/drive_c/PickerTree"
rm -rf "$TREE"
mkdir -p "$TREE/Alpha" "$TREE/alpha" "$TREE/Deep/Er/Sub1" "$TREE/Deep/Er/Sub2" "$TREE/Visible" "$TREE/Hidden" \
    "$TREE/Sys" "$TREE/Gone"
OTHER=$WINEPREFIX-other-drive
mkdir -p "$OTHER"

WMPID=
if command -v openbox >/dev/null; then openbox --sm-disable >/dev/null 2>&1 & WMPID=$!; fi
wineserver -p </dev/null >/dev/null 2>&1
wineboot </dev/null >/dev/null 2>&1
SHOTS=$(winepath -w "$OUT" 2>/dev/null)

rc=0
run() {  # run SCENARIO STARTDIR [NOTREADY]
    scenario=$1 start=$2
    (cd "$start" && PICKER_NOT_READY=${3:-} timeout 90 wine "$WINDOW" >"$OUT/$scenario-window.out" 2>&1) &
    window=$!
    timeout 90 wine "$ROBOT" "$scenario" "$FORMCLASS" "$FORMTITLE" "$BOXCAPTION" "$SHOTS" \
        >"$OUT/$scenario-robot.out" 2>&1 &
    robot=$!
    while kill -0 $robot 2>/dev/null; do
        for shot in $(sed -n 's/^SHOT \([a-z-]*\).*/\1/p' "$OUT/$scenario-robot.out"); do
            if [ ! -e "$OUT/$shot.done" ]; then
                import -window root "$OUT/$shot.png" && touch "$OUT/$shot.done"
            fi
        done
        sleep 0.2
    done
    wait $robot
    status=$?
    wait $window
    tr -d '\r' <"$OUT/$scenario-robot.out"
    [ $status -eq 0 ] || rc=1
}
run drives "$WINEPREFIX/drive_c"
# Started on the Windows drive, the picker lists its start directory once, when its list is made.
if [ "$FORMCLASS" = PickerTestForm ]; then
    listed=$(tr -d '\r' <"$OUT/drives-window.out" | sed -n 's/^directories listed at start-up: //p')
    [ "$listed" = 1 ] || { echo "FAILED: the start directory was listed ${listed:-?} times at start-up"; rc=1; }
fi
run deep "$TREE/Deep/Er"
run otherdrive "$OTHER"
if [ "$FORMCLASS" = PickerTestForm ]; then run notready "$WINEPREFIX/drive_c" x:; fi

wineserver -k 2>/dev/null
[ -n "$WMPID" ] && kill "$WMPID" 2>/dev/null
exit $rc
