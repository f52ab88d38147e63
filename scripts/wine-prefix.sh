#!/usr/bin/env bash
# Creates the Wine prefix named by WINEPREFIX once (idempotent, safe to run in parallel).
set -eu
: "${WINEPREFIX:?}"
export WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# This Wine loads its system fonts from the prefix only: without Marlett the title-bar
# buttons draw as letters, and without MS Sans Serif captions are clipped.
install_fonts() {
    [ -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] && return 0
    [ -d /usr/share/wine/fonts ] || return 0
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
}

if [ -f "$WINEPREFIX/.ovx-ready" ]; then
    install_fonts
    exit 0
fi
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
install_fonts
touch "$WINEPREFIX/.ovx-ready"
