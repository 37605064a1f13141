#!/bin/sh
# qpack-man.sh QPACK README INCLUDE OUT: writes the manual page qpack(1) from qpack's own help with help2man, at
# build time, so that the page follows the help whenever it changes: the tool's help is the description, each
# command's help (`qpack help CMD`) a part of COMMANDS, the commands' usage lines the synopsis. INCLUDE adds what
# the help does not say (exit status, files); the examples are the release recipe's lines from README, the ones
# its test runs.
set -eu
qpack=$1 readme=$2 include=$3 out=$4
here=$(dirname "$0")
# The version alone: --version's further lines name the stub found beside this qpack, a fact of the build tree.
version=$("$qpack" --version | sed -n '1s/^qpack //p')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Text as roff: backslashes and minus signs escaped, no line taken for a request.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^[.']/\\\\\\&&/" -e 's/…/.../g'; }

# The commands: the first word of the tool help's indented lines, when `qpack help WORD` knows it.
commands=$("$qpack" --help | sed -n 's/^[[:space:]]\{1,\}\([a-z][a-z0-9-]*\).*/\1/p' | while read -r word; do
    if "$qpack" help "$word" >/dev/null 2>&1; then echo "$word"; fi
done)
[ -n "$commands" ] || { echo "qpack-man: no command found in '$qpack --help'" >&2; exit 1; }

{
    echo "[SYNOPSIS]"
    echo ".nf"
    for command in $commands; do
        # The usage lines: "usage: qpack CMD ...", then any further form on the lines below it.
        "$qpack" help "$command" | sed -n '1,/^$/{s/^[Uu]sage: *//;s/^ *//;/^qpack /p;}' | roff
    done
    echo ".fi"
    echo "[COMMANDS]"
    for command in $commands; do
        # The command's own page from help2man, without its title and name, as one part: its headings become
        # paragraph headings (a manual page nests no deeper).
        echo ".SS \"qpack $command\""
        help2man --no-info --version-string="$version" --help-option="help $command" "$qpack" | sed '1,/^\.SH NAME/d' |
            sed -e '1d' -e '/^\.SH DESCRIPTION$/d' -e 's/^\.S[HS] "\{0,1\}\([^"]*\)"\{0,1\}$/.PP\n.I "\1"/' \
                -e '/^[Uu]sage: /i .br'
    done
    cat "$include"
    echo "[EXAMPLES]"
    example() {  # CAPTION RECIPE
        printf '.PP\n%s\n.PP\n.nf\n' "$1" | sed 's/-/\\-/g'
        sh "$here/readme-recipe.sh" "$readme" "$2" | roff
        echo ".fi"
    }
    example "A release in ~/quibel-release, which holds product/, speech/, quibel.p12 and its password in p12.pass:" \
        release
    example "Its signature checked against the certificate authorities the system trusts:" verify
    example "A throw-away certificate to try the steps with, in quibel.p12 as above:" test-certificate
    example "The release's signature checked against that certificate, which no authority issued:" verify-test
} >"$work/qpack.h2m"

help2man --no-info --version-string="$version" --name="make, inspect and extract the Quibel installer and its packages" \
    --include="$work/qpack.h2m" --output="$work/qpack.1" "$qpack"
# The SYNOPSIS holds the usage lines: the DESCRIPTION starts after the tool help's own ones.
sed '/^\.SH DESCRIPTION$/,/^\.PP$/{/^\.SH DESCRIPTION$/!d}' "$work/qpack.1" >"$out"
