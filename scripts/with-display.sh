#!/usr/bin/env bash
# Runs a command with a private Xvfb display and a persistent wineserver for the
# Windows build's prefix, then stops both.
set -eu
build="${OVX_WINDOWS_BUILD:-$(cd "$(dirname "$0")/.." && pwd)/build/windows}"
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

display=99
while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

cleanup() { wineserver -k >/dev/null 2>&1 || true; kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT

"$(dirname "$0")/wine-prefix.sh"
# A persistent server and one warm-up run start Wine's helper processes before any
# test, so they do not hold a test's output pipe open.
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true

"$@"
