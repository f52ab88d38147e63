#!/usr/bin/env bash
# The one place that decides which Windows builds this host can test, in order of
# preference: "x86 x86_64" where the kernel runs 32-bit programs and 32-bit Wine is
# installed, else "x86_64". OVX_WINDOWS_ARCHES (for example "x86_64") forces the answer.
#
#   windows-arches.sh            the architectures (x86, x86_64)
#   windows-arches.sh --presets  the build presets instead (windows, windows64)
#   windows-arches.sh --why      why the 32-bit build is not tested, or nothing when it is
set -eu
here="$(cd "$(dirname "$0")" && pwd)"
why=
if [ -n "${OVX_WINDOWS_ARCHES:-}" ]; then
    arches=$OVX_WINDOWS_ARCHES
    why="OVX_WINDOWS_ARCHES=\"$OVX_WINDOWS_ARCHES\""
elif ! "$here/runs-32bit.sh"; then
    arches="x86_64"
    why="this kernel cannot run 32-bit programs (scripts/runs-32bit.sh: a tiny 32-bit program does not run)"
elif ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    arches="x86_64"
    why="32-bit Wine is not installed (the package wine32:i386 could not be installed; scripts/setup.sh said why)"
else
    arches="x86 x86_64"
fi
out=()
for arch in $arches; do
    case "$arch" in
        x86) preset=windows ;;
        x86_64) preset=windows64 ;;
        *) echo "windows-arches: OVX_WINDOWS_ARCHES: unknown architecture '$arch' (x86, x86_64)" >&2; exit 2 ;;
    esac
    if [ "${1:-}" = --presets ]; then out+=("$preset"); else out+=("$arch"); fi
done
if [ "${1:-}" = --why ]; then
    [[ " $arches " == *" x86 "* ]] || echo "$why"
else
    echo "${out[*]}"
fi
