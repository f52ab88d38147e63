#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native build, the
# sanitizer build, and the 32-bit Windows build under Wine.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh

for preset in native sanitize; do
    echo "=== $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

echo "=== windows (under Wine) ==="
cmake --preset windows >/dev/null
cmake --build --preset windows
OVX_WINDOWS_BUILD="$PWD/build/windows" scripts/with-display.sh ctest --preset windows
echo "All tests passed."
