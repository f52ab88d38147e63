#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and nothing that is already there.
set -eu

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(cmake ninja-build g++ clang libclang-rt-14-dev python3 googletest libgtest-dev libssl-dev zlib1g-dev
        libgcrypt20-dev libdeflate-dev pkgconf
        g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 mingw-w64-tools
        wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils imagemagick dpkg-dev man-db
        locales) # the ja_JP sources the Windows builds make their code page 932 test locale from
for p in "${packages[@]}"; do have "$p" || need+=("$p"); done

[ ${#need[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages (${need[*]}); run as root or install them" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}"
