#!/bin/bash
# help_views_test.sh QPACK PAGE COMPLETION: what `qpack --help` and `qpack help CMD` list, the manual page (rendered
# by `man -l`) and the bash completion (loaded in this non-interactive bash) hold too: each command has its part of
# the page, holding its options; each command and option completes from its first letters; so do file names.
set -u
qpack=$1 page=$2
status=0 checked=0
fail() { echo "FAILED: $*"; status=1; }
rendered=$(MANWIDTH=1000 LC_ALL=C man -l "$page") || fail "man -l $page"
# shellcheck source=/dev/null
. "$3" || fail "$3 does not load"
completes() {  # WORDS... EXPECTED: completing the last of WORDS offers EXPECTED
    COMP_WORDS=("$qpack" "${@:1:$#-1}") COMP_CWORD=$(($# - 1)) COMPREPLY=()
    _qpack
    printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "${*: -1}" || fail "completing ${*:1:$#-1} does not offer ${*: -1}"
}
for command in $("$qpack" --help | awk '/^[[:space:]]+[a-z]/ { print $1 }'); do
    "$qpack" help "$command" >/dev/null 2>&1 || continue
    part=$(awk -v heading="   qpack $command" '$0 == heading { inside = 1; next }
        inside && /^   qpack |^[A-Z]/ { exit } inside' <<<"$rendered")
    completes "${command:0:2}" "$command"
    completes help "${command:0:2}" "$command"
    # An option line's forms (-x, --xx) stand before the two spaces that open its description.
    for option in $("$qpack" help "$command" | sed -n 's/^[[:space:]]\{1,\}\(-[^[:space:]].*\)/\1/p' |
        sed 's/  .*//' | grep -oE -- '(^|[ ,])--?[[:alnum:]][[:alnum:]-]*' | tr -d ' ,'); do
        grep -qwF -- "$option" <<<"$part" || fail "the page's part for qpack $command lacks $option"
        completes "$command" "${option%?}" "$option"
        checked=$((checked + 1))
    done
done
description=$(awk '/^DESCRIPTION/ { inside = 1; next } inside && /^[A-Z]/ { exit } inside' <<<"$rendered")
! grep -qi 'usage:' <<<"$description" || fail "the page's DESCRIPTION repeats the usage lines: $description"
[ $checked -ge 40 ] || fail "only $checked options found in the help"
completes --v --version
completes pack "${page%?}" "$page"
# Each value as the help names it: numbers for -j, nothing for a banner line; what reads packages is offered
# packages, installers and directories, nothing else.
offers() {  # WORDS...: what completing the last of WORDS offers, one a line
    COMP_WORDS=("$qpack" "$@") COMP_CWORD=$# COMPREPLY=()
    _qpack
    printf '%s\n' "${COMPREPLY[@]}"
}
files=$(mktemp -d)
mkdir "$files/sub" && touch "$files/a.maj" "$files/B.EXE" "$files/c.txt"
[ "$(offers pack -j "")" = "$(seq 1 "$(nproc)")" ] || fail "completing pack -j does not offer 1 to $(nproc)"
[ -z "$(offers pack --banner "")" ] || fail "completing pack --banner offers $(offers pack --banner "")"
for command in list verify extract decode; do
    offered=$(offers "$command" "$files/" | sort | paste -sd ' ')
    [ "$offered" = "$files/B.EXE $files/a.maj $files/sub" ] || fail "completing $command offers $offered"
done
[ "$(offers pack -o "$files/c")" = "$files/c.txt" ] || fail "completing pack -o does not offer any file"
rm -rf "$files"
[ $status -eq 0 ] && echo "ok: the page and the completion hold the commands and their $checked options"
exit $status
