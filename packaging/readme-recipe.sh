#!/bin/sh
# readme-recipe.sh README NAME: prints the command lines of the README's recipe NAME, as a reader copies them: the
# indented lines between "<!-- recipe: NAME -->" and the next "<!-- " line, without their indentation.
set -eu
awk -v name="$2" '
    $0 == "<!-- recipe: " name " -->" { inside = 1; found = 1; next }
    inside && /^<!-- / { inside = 0 }
    inside && /^    / { print substr($0, 5) }
    END { if (!found) { print "readme-recipe: no recipe " name " in " FILENAME > "/dev/stderr"; exit 1 } }
' "$1"
