# Sourced, with OVX_WINE_ARCH (x86 or x86_64) and WINEPREFIX set: the one place that sets
# up Wine for a Windows build. Exports the environment that keeps Wine quiet, isolated
# and prompt-free, and OVX_WINE, the loader for the architecture. The loader is named
# directly: Debian's `wine` wrapper picks the 32-bit loader whenever it is installed,
# even on a kernel that cannot run it.
case "${OVX_WINE_ARCH:?}" in
    x86)
        export WINEARCH=win32 OVX_WINE=/usr/lib/wine/wine
        unset WINELOADER ;;
    x86_64)
        # Wine starts its helper processes through WINELOADER.
        export WINEARCH=win64 OVX_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64 ;;
    *)
        echo "wine-env: unknown Windows architecture '$OVX_WINE_ARCH' (x86 or x86_64)" >&2
        return 1 ;;
esac
export OVX_WINE_ARCH WINEPREFIX="${WINEPREFIX:?}" WINEDEBUG=-all
# No Mono or Gecko install prompts, no menu entries on the user's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
