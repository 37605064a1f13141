#!/bin/bash
# help_views_test.sh QPACK PAGE COMPLETION: the manual page and the bash completion say what the help says. Every
# command that `qpack --help` lists (an indented line's first word that `qpack help` knows) appears in the page
# rendered by `man -l` with its own part, in which each of the command's options appears (the -x and --xx forms
# of each option line of `qpack help CMD`); the completion file loads in a non-interactive bash and completes each
# command and option from its first letters, and file names.
set -u
qpack=$1 page=$2 completion=$3
status=0
fail() { echo "FAILED: $*"; status=1; }

rendered=$(MANWIDTH=1000 LC_ALL=C man -l "$page" 2>&1) || fail "man -l $page: $rendered"
# shellcheck source=/dev/null
. "$completion" || fail "$completion does not load"
completed() {  # WORD...: the completions of the last word, one a line
    COMP_WORDS=("$qpack" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _qpack
    printf '%s\n' "${COMPREPLY[@]}"
}

commands=$("$qpack" --help | awk '/^[[:space:]]+[a-z]/ { print $1 }' | while read -r word; do
    "$qpack" help "$word" >/dev/null 2>&1 && echo "$word"
done)
[ "$(echo "$commands" | wc -w)" -ge 6 ] || fail "fewer commands than qpack has: $commands"
for command in $commands; do
    part=$(awk -v heading="   qpack $command" '$0 == heading { inside = 1; next }
        inside && (/^   qpack / || /^[A-Z]/) { exit } inside' <<<"$rendered")
    [ -n "$part" ] || fail "the page has no part for qpack $command"
    completed "${command:0:2}" | grep -qx "$command" || fail "completing ${command:0:2} does not give $command"
    completed help "${command:0:2}" | grep -qx "$command" || fail "completing help ${command:0:2} misses $command"
    options=$("$qpack" help "$command" | sed -n 's/^[[:space:]]\{1,\}\(-[^[:space:]].*\)/\1/p' |
        sed 's/  .*//' | grep -oE -- '(^|[ ,])--?[[:alnum:]][[:alnum:]-]*' | tr -d ' ,')
    [ -n "$options" ] || fail "qpack help $command lists no option"
    for option in $options; do
        grep -qwF -- "$option" <<<"$part" || fail "the page's part for qpack $command lacks $option"
        completed "$command" "${option:0:${#option}-1}" | grep -qxF -- "$option" ||
            fail "completing qpack $command ${option:0:${#option}-1} does not give $option"
    done
done
for option in --help --version; do
    completed "${option:0:3}" | grep -qxF -- "$option" || fail "completing ${option:0:3} does not give $option"
done
completed pack "${page%?}" | grep -qxF "$page" || fail "completing a file name does not give $page"
[ $status -eq 0 ] && echo "ok: the page and the completion hold $(echo "$commands" | paste -sd " ") and their options"
exit $status
