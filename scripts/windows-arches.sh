#!/usr/bin/env bash
# Prints the Windows architectures this host can test, in order of preference:
# "x86 x86_64" where the kernel runs 32-bit programs, else "x86_64". Decided by
# trying the 32-bit Wine loader, not by guessing from the kernel's name.
# OVX_WINDOWS_ARCHES (for example "x86_64") forces the answer.
#
#   windows-arches.sh [--presets]    --presets: the build presets instead (windows, windows64)
set -eu
if [ -n "${OVX_WINDOWS_ARCHES:-}" ]; then
    arches=$OVX_WINDOWS_ARCHES
elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    arches="x86 x86_64"
else
    arches="x86_64"
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
echo "${out[*]}"
