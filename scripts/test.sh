#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native build, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, the ThreadSanitizer build (the
# threaded tests), a short run of every fuzz target, and the Windows builds under Wine:
# the 32-bit program (the product) and the 64-bit one. Where the kernel cannot run
# 32-bit programs, or 32-bit Wine could not be installed, the 32-bit program is built
# and checked but its tests are skipped, and the run says why. Last, the release
# packages are made and checked.
# OVX_WINDOWS_ARCHES ("x86 x86_64", "x86_64", ...) forces which Windows builds are tested.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
export OVX_SETUP_DONE=1 # the scripts called below need not look again
started=$SECONDS
arches=" $(scripts/windows-arches.sh) "
why=$(scripts/windows-arches.sh --why)

for preset in native sanitize tsan; do
    echo "=== $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

echo "=== fuzz (a short run of every target) ==="
scripts/fuzz.sh --smoke

skipped=()
for arch in x86 x86_64; do
    case "$arch" in
        x86) preset=windows bits=32 ;;
        x86_64) preset=windows64 bits=64 ;;
    esac
    echo "=== $preset ($bits-bit Windows, under Wine) ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    scripts/check-windows-exe.py "build/$preset/app/OVXExtractor.exe" "$arch"
    if [[ "$arches" == *" $arch "* ]]; then
        OVX_WINDOWS_BUILD="$PWD/build/$preset" scripts/with-display.sh ctest --preset "$preset"
    else
        skipped+=("SKIPPED: the $bits-bit Windows tests ($preset), because $why; the $bits-bit program was built and checked.")
    fi
done

# The release packages, made from the builds above and checked.
scripts/package.sh

echo "All tests passed in $((SECONDS - started)) s."
for line in "${skipped[@]}"; do echo "$line"; done
