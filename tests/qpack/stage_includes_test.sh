#!/bin/sh
# stage_includes_test.sh QPACK_DIR: holds qpack's sources to the table of which stage may know which (see
# tools/qpack/CMakeLists.txt). Every target sees the repository root as an include directory, so the build would
# take a forbidden include; this reads each folder's includes and fails on one, naming the file and the line.
set -u
dir=$1
allowed() {
    case $1 in
        common | encoder) echo "" ;;
        pe | tree) echo "common" ;;
        inspect) echo "common pe tree" ;;
        write) echo "common pe tree encoder" ;;
        cli) echo "common pe tree inspect encoder write" ;;
        top) echo "common pe tree inspect encoder write cli" ;;
        *) echo "unknown" ;;
    esac
}
status=0
fail() { echo "FAILED: $*"; status=1; }
for path in "$dir"/*; do
    name=${path##*/}
    case $name in
        main.cpp | CMakeLists.txt) ;;
        *) [ -d "$path" ] && [ "$(allowed "$name")" != unknown ] || fail "$name: no stage of qpack's (only main.cpp and CMakeLists.txt stay at the top)" ;;
    esac
done
for file in "$dir"/main.cpp "$dir"/*/*.h "$dir"/*/*.cpp; do
    [ -f "$file" ] || continue
    stage=$(basename "$(dirname "$file")")
    [ "$file" = "$dir/main.cpp" ] && stage=top
    may=$(allowed "$stage")
    grep -n '^#include "' "$file" | while IFS= read -r line; do
        included=$(echo "$line" | sed 's/^[0-9]*:#include "\([^"]*\)".*/\1/')
        case $included in
            app/* | ui/*) echo "FAILED: ${file#"$dir"/}:${line%%:*}: $included: qpack knows neither app/ nor ui/" ;;
            tools/qpack/*/*)
                other=$(echo "$included" | cut -d/ -f3)
                [ "$other" = "$stage" ] && continue
                case " $may " in
                    *" $other "*) ;;
                    *) echo "FAILED: ${file#"$dir"/}:${line%%:*}: $included: $stage/ may know ${may:-nothing of qpack}" ;;
                esac
                ;;
            tools/*) echo "FAILED: ${file#"$dir"/}:${line%%:*}: $included: not a stage's header" ;;
        esac
    done
done >"${TMPDIR:-/tmp}/stage-includes.$$"
if [ -s "${TMPDIR:-/tmp}/stage-includes.$$" ]; then
    cat "${TMPDIR:-/tmp}/stage-includes.$$"
    status=1
fi
rm -f "${TMPDIR:-/tmp}/stage-includes.$$"
[ $status -eq 0 ] && echo "ok: every stage of qpack includes only what it may know"
exit $status
