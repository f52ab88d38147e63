#!/usr/bin/env bash
# Creates the Wine prefix of the environment scripts/wine-env.sh set (WINEPREFIX,
# OVX_WINE) once: idempotent and safe to run in parallel. Says what failed.
set -eu
: "${WINEPREFIX:?}" "${OVX_WINE:?}"

fail() { echo "wine-prefix: $*" >&2; exit 1; }

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
[ -x "$OVX_WINE" ] || fail "no Wine loader at $OVX_WINE (scripts/setup.sh installs Wine)"
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/.ovx-ready" ] && exit 0

log="$WINEPREFIX.log"
scratch_home="$(dirname "$WINEPREFIX")/wine-home"
mkdir -p "$scratch_home"
step() { # <what> <command...>: runs a step with its output in the log, or says what failed
    local what=$1 status=0
    shift
    echo "+ $*" >>"$log"
    HOME="$scratch_home" "$@" >>"$log" 2>&1 || status=$?
    [ "$status" -eq 0 ] && return 0
    tail -n 5 "$log" >&2
    fail "$what failed (exit status $status) for $WINEPREFIX ($WINEARCH, $OVX_WINE); full output in $log"
}
: >"$log"
step "creating the prefix (wineboot)" "$OVX_WINE" wineboot -i
# Without a window manager Wine waits for one on every close; let Wine draw frames itself.
step "the window-manager setting (reg add)" "$OVX_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
step "waiting for Wine to settle (wineserver -w)" wineserver -w
install_fonts
touch "$WINEPREFIX/.ovx-ready"
