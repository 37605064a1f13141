#!/bin/sh
# Runs every test: installs what is missing, builds the native (sanitized) and Windows presets and runs their
# tests, the Windows ones under Wine, then the extra checks (fuzzing). Prints how long each phase took.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
started=$(date +%s)
phase() { echo "== $1 ($(($(date +%s) - started)) s since start)"; }

phase "dependencies"
./scripts/deps.sh
for preset in host win32; do
    phase "build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
status=0
phase "tests host"
ctest --preset host -j "$jobs" || status=1
phase "tests win32 (under Wine)"
ctest --preset win32 -j "$jobs" || status=1
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
