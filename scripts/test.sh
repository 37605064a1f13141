#!/bin/sh
# Runs every test: installs what is missing, builds the native (sanitized) and Windows presets and runs their
# tests, the Windows ones under Wine.
set -eu
cd "$(dirname "$0")/.."
./scripts/deps.sh
jobs=$(nproc)

for preset in host win32; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done
status=0
ctest --preset host -j "$jobs" || status=1
ctest --preset win32 -j "$jobs" || status=1
if [ -x scripts/extra-tests.sh ]; then
    scripts/extra-tests.sh || status=1
fi
exit $status
