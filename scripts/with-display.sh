#!/usr/bin/env bash
# Runs a command with a private Xvfb display and a persistent wineserver for a Windows
# build's prefix, then stops both. OVX_WINDOWS_BUILD names the (configured) build
# folder; build/windows by default.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${OVX_WINDOWS_BUILD:-$root/build/windows}"
[ -f "$build/wine-env.sh" ] || { echo "with-display: $build is not a configured Windows build" >&2; exit 1; }
. "$build/wine-env.sh"

# Xvfb picks a free display itself and writes its number once it accepts clients, so
# two runs at once never race for one.
displayfile=$(mktemp "${TMPDIR:-/tmp}/ovx-display.XXXXXX")
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    # -k only signals the server: wait until it is gone, or the next Wine program
    # could connect to the dying one and lose its connection.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    rm -f "$displayfile"
}
trap cleanup EXIT
for _ in $(seq 100); do
    [ -s "$displayfile" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
display=$(tr -dc 0-9 <"$displayfile")
if [ -z "$display" ] || ! DISPLAY=":$display" xdpyinfo >/dev/null 2>&1; then
    echo "with-display: the virtual display (Xvfb) did not start" >&2
    exit 1
fi
export DISPLAY=":$display"

"$root/scripts/wine-prefix.sh"
# A persistent server and one warm-up run start Wine's helper processes before any
# test, so they do not hold a test's output pipe open.
wineserver -p
"$OVX_WINE" cmd /c exit >/dev/null 2>&1 || true

"$@"
