#!/bin/sh
# Runs every test: installs what is missing, builds the native (sanitized) and Windows presets and runs their
# tests, the Windows ones under Wine; makes the Debian package from the release build and tests it with the
# README's release recipe; then the extra checks (fuzzing). Prints how long each phase took.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
started=$(date +%s)
phase() { echo "== $1 ($(($(date +%s) - started)) s since start)"; }

phase "dependencies"
./scripts/deps.sh
# Wine's loader is a 32-bit program: a kernel without IA-32 emulation (some virtual machines) cannot start it.
# The Windows build is still made (its sample assembled by the native qpack), but its tests cannot run there.
if wine --version >/dev/null 2>&1; then wine_runs=yes; else wine_runs=no; fi
phase "build host"
cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs"
phase "build win32"
if [ "$wine_runs" = yes ]; then
    cmake --preset win32 >/dev/null
else
    cmake --preset win32 -DQUIBEL_HOST_QPACK="$PWD/build/host/tools/qpack/qpack" >/dev/null
fi
cmake --build --preset win32 -j "$jobs"
status=0
# The package is made from the optimised build with the Windows build's stub: after that build, so that the install
# rules find it.
phase "build release and the Debian package"
deb=""
if CMAKE_BUILD_PARALLEL_LEVEL=$jobs ./scripts/make-deb.sh build; then
    deb=build/qpack_$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' build/release/CMakeCache.txt)_amd64.deb
else
    status=1
fi
phase "tests host"
ctest --preset host -j "$jobs" || status=1
if [ "$wine_runs" = yes ]; then
    phase "tests win32 (under Wine)"
    # The tests' prefix made first, so that a set-up step that fails or runs out of time is named once, here.
    (WINEPREFIX="$PWD/build/wine/tests" && export WINEPREFIX && . cmake/wine-prefix.sh && make_wine_prefix) ||
        { echo "the Windows tests need the Wine prefix that the step above could not make"; status=1; }
    ctest --preset win32 -j "$jobs" || status=1
else
    phase "tests win32 NOT RUN"
    echo "WARNING: this machine cannot run 32-bit programs ($(wine --version 2>&1 | tail -n 1)): Wine cannot" \
        "start, so the Windows tests were built but not run"
    # Signing a release needs no Wine: the stub is signed and checked by the native tools; the programs' symbols
    # are read by the cross tools.
    phase "tests win32: the signed release and the programs' symbols alone (native tools)"
    # (ctest cannot load the Windows tests' list without Wine: the script is run directly, as its test would.)
    sh tests/qpack/signed_installer.sh build/win32/app/quibel-setup-stub.exe build/win32/tests/qpack/signed_installer \
        "$PWD/build/host/tools/qpack/qpack" || status=1
    sh tests/qpack/thread_exit_destructors.sh i686-w64-mingw32-nm build/win32/tools/qpack/qpack.exe || status=1
fi
if [ -n "$deb" ]; then
    phase "tests of the Debian package and the README's release recipe"
    sh tests/packaging/deb_test.sh "$deb" build/win32/examples build/release/packaging-tests/deb || status=1
    sh tests/packaging/release_recipe_test.sh "$PWD" build/release/packaging-tests/deb/root/usr/bin \
        build/release/packaging-tests/recipe || status=1
fi
if [ -x scripts/extra-tests.sh ]; then
    phase "extra tests"
    scripts/extra-tests.sh || status=1
fi
# Stop the wineservers of this checkout's test prefixes, so that nothing keeps running after the tests.
for prefix in build/wine/*/; do
    [ -d "$prefix/drive_c" ] && WINEPREFIX=$(cd "$prefix" && pwd) wineserver -k 2>/dev/null || true
done
phase "done, status $status"
exit $status
