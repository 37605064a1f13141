#!/bin/sh
# release_recipe_test.sh CHECKOUT BINDIR OUT: the README's release recipe, run as a reader runs it, twice. Its lines
# are taken from README.md (packaging/readme-recipe.sh), so that the README and this test cannot drift: the
# sample's trees copied into the release folder from the checkout, then in one shell the throw-away certificate,
# the release and the check of its signature, with BINDIR (an installed qpack, with its stub) first on the PATH
# and a home folder of its own under OUT. The first run goes from /, the second from OUT. Every line must succeed
# both times, out/ hold the signed installer and the speech archive alone, and the checkout gain no file.
set -u
checkout=$(cd "$1" && pwd) bin=$(cd "$2" && pwd) out=$3
recipe() { sh "$checkout/packaging/readme-recipe.sh" "$checkout/README.md" "$1"; }
status=0
fail() { echo "FAILED: $*"; status=1; }
rm -rf "$out"
mkdir -p "$out/home"
out=$(cd "$out" && pwd)
before=$(git -C "$checkout" status --porcelain --untracked-files=all)

for run in 1 2; do
    [ $run = 1 ] && from=/ || from=$out
    log=$out/run$run.log
    (cd "$checkout" && HOME=$out/home PATH="$bin:$PATH" sh -exc "$(recipe sample)") >"$log" 2>&1 &&
        (cd "$from" && HOME=$out/home PATH="$bin:$PATH" \
            sh -exc "$(recipe test-certificate; recipe release; recipe verify-test)") >>"$log" 2>&1 ||
        { sed 's/^/  /' "$log"; fail "run $run of the recipe (from $from)"; }
    files=$(cd "$out/home/quibel-release/out" && echo *)
    [ "$files" = "quibel-setup.exe spengFR.maj" ] || fail "run $run left in out/: $files"
done
[ "$(git -C "$checkout" status --porcelain --untracked-files=all)" = "$before" ] ||
    fail "the recipe wrote into the checkout: $(git -C "$checkout" status --porcelain --untracked-files=all)"
signcode=$(osslsigncode --version 2>&1 | head -n 1 | cut -d, -f1)
[ $status -eq 0 ] && echo "ok: the README's release recipe ran twice ($signcode)"
exit $status
