#!/usr/bin/env bash
# Installs what is missing, builds the Windows program if needed and starts it under
# Wine on the user's display: the 32-bit program where this host runs 32-bit Windows
# programs (the kernel runs 32-bit programs and 32-bit Wine is installed), the 64-bit one
# otherwise, saying why (OVX_WINDOWS_ARCHES forces the choice, see windows-arches.sh).
# On Windows itself, run build/windows/app/OVXExtractor.exe.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
presets=$(scripts/windows-arches.sh --presets)
preset=${presets%% *}
[ -n "$preset" ] || { echo "run: OVX_WINDOWS_ARCHES names no Windows build" >&2; exit 1; }
if [ -z "${DISPLAY:-}" ]; then
    echo "run: no DISPLAY; start an X server (or use scripts/with-display.sh for a virtual one)" >&2
    exit 1
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target OVXExtractor
if [ "$preset" = windows ]; then
    echo "run: starting the 32-bit program, build/windows/app/OVXExtractor.exe"
else
    echo "run: $(scripts/windows-arches.sh --why); starting the 64-bit program, build/$preset/app/OVXExtractor.exe"
fi
exec "build/$preset/wine-run.sh" "build/$preset/app/OVXExtractor.exe"
