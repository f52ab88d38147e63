#!/usr/bin/env bash
# Installs what is missing, builds the Windows program if needed and starts it under
# Wine on the user's display (on Windows itself, run build/windows/app/OVXExtractor.exe).
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target OVXExtractor
if [ -z "${DISPLAY:-}" ]; then
    echo "run: no DISPLAY; start an X server (or use scripts/with-display.sh for a virtual one)" >&2
    exit 1
fi
exec build/windows/wine-run.sh build/windows/app/OVXExtractor.exe
