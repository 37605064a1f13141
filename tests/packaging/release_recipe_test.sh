#!/bin/sh
# release_recipe_test.sh CHECKOUT BINDIR OUT: the README's release recipe, its lines taken from README.md by their
# markers (so that the two cannot drift), run as a reader runs them, twice: the sample copied in from the checkout,
# then in one shell the throw-away certificate, the release and its signature's check, with qpack from BINDIR (an
# installed one) and a home of its own under OUT; from / the first time, from OUT the second. Every line must
# succeed, out/ hold the two files of the release alone, the password be readable by its owner alone, and the
# checkout gain no file.
set -u
checkout=$(cd "$1" && pwd) bin=$(cd "$2" && pwd) out=$3
recipe() { sh "$checkout/packaging/readme-recipe.sh" "$checkout/README.md" "$1"; }
status=0
fail() { echo "FAILED: $*"; status=1; }
rm -rf "$out"
mkdir -p "$out/home"
out=$(cd "$out" && pwd)
before=$(git -C "$checkout" status --porcelain --untracked-files=all)
for from in / "$out"; do
    export HOME="$out/home" PATH="$bin:$PATH"
    if ! (cd "$checkout" && sh -exc "$(recipe sample)" && cd "$from" &&
        sh -exc "$(recipe test-certificate; recipe release; recipe verify-test)") >"$out/run.log" 2>&1; then
        sed 's/^/  /' "$out/run.log"
        fail "the recipe, run from $from"
    fi
    mode=$(stat -c %a "$HOME/quibel-release/p12.pass")
    [ "$mode" = 600 ] || fail "the certificate's password file has mode $mode after a run from $from, not 600"
    made=$(cd "$HOME/quibel-release/out" && echo *)
    [ "$made" = "quibel-setup.exe spengFR.maj" ] || fail "out/ holds $made after a run from $from"
done
[ "$(git -C "$checkout" status --porcelain --untracked-files=all)" = "$before" ] || fail "it wrote into the checkout"
[ $status -eq 0 ] && echo "ok: the README's release recipe ran twice ($(osslsigncode --version 2>&1 | head -n 1 | cut -d, -f1))"
exit $status
