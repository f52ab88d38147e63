#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX once (idempotent, safe to run in parallel).
set -eu
: "${WINEPREFIX:?}"
export WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
[ -f "$WINEPREFIX/.ovx-ready" ] && exit 0
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.ovx-ready" ] && exit 0
scratch_home="$(dirname "$WINEPREFIX")/wine-home"
mkdir -p "$scratch_home"
HOME="$scratch_home" wineboot -i >/dev/null 2>&1
# Without a window manager Wine waits for one on every close; let Wine draw frames itself.
HOME="$scratch_home" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
touch "$WINEPREFIX/.ovx-ready"
