#!/usr/bin/env bash
# Installs what building and testing need on Debian 12, and nothing that is already there.
# Silent, and no apt call at all, when every required package is present and the optional
# one is present or does not apply to this host.
#
# Package mirrors are not always consistent (an index mid-sync, i386 packages lagging the
# amd64 ones), so only a required package that cannot be installed fails set-up: a failed
# `apt-get update` is retried, then a warning (apt uses the lists it has), and 32-bit Wine
# is optional. OVX_SETUP_DONE=1 skips everything (the test command sets it for the scripts
# it calls after its own set-up).
set -eu
[ -n "${OVX_SETUP_DONE:-}" ] && exit 0
here="$(cd "$(dirname "$0")" && pwd)"

required=(
    cmake ninja-build g++ python3 pkgconf                  # the build and its scripts
    googletest libgtest-dev                                # the tests
    clang libclang-rt-14-dev                               # the fuzz targets (libFuzzer, sanitizers)
    libssl-dev zlib1g-dev libgcrypt20-dev libdeflate-dev   # the benchmark's references
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64 mingw-w64-tools  # the Windows builds
    wine wine64 fonts-wine                                 # running the 64-bit Windows builds
    xvfb xauth x11-utils imagemagick                       # a virtual display, screenshots
    dpkg-dev man-db bash-completion                        # the Debian package and its check
    wixl msitools                                          # the Windows installers and their check
    locales                                                # the ja_JP sources of the code page 932 test's locale
)
# Running the 32-bit Windows builds; only where this kernel runs 32-bit programs, and
# set-up goes on without it when the mirror cannot give it.
optional=(wine32:i386)

have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# apt's first error line from a log, or its last line when it printed none.
first_error() { grep -m1 '^E:' "$1" || tail -n1 "$1"; }

need=()
for p in "${required[@]}"; do have "$p" || need+=("$p"); done
want=()
runs32=0
"$here/runs-32bit.sh" && runs32=1
if [ "$runs32" = 1 ]; then
    for p in "${optional[@]}"; do have "$p" || want+=("$p"); done
fi
[ ${#need[@]} -eq 0 ] && [ ${#want[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages ($(echo ${need[*]} ${want[*]})); run as root or install them" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp "${TMPDIR:-/tmp}/ovx-setup.XXXXXX")
trap 'rm -f "$log"' EXIT

if [ ${#want[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi

echo "setup: installing $(echo ${need[*]} ${want[*]})"
updated=0
for attempt in 1 2 3; do
    if apt-get update -qq >"$log" 2>&1; then updated=1; break; fi
    [ "$attempt" -lt 3 ] && sleep 5
done
if [ "$updated" = 0 ]; then
    echo "setup: warning: apt-get update failed 3 times ($(first_error "$log")); installing from the package lists apt has" >&2
fi

if [ ${#need[@]} -gt 0 ] && ! apt-get install -y -qq --no-install-recommends "${need[@]}" >"$log" 2>&1; then
    # Name the packages apt cannot install (a dry run each), or all of them when every
    # one alone would go (a download that failed, say).
    failed=()
    for p in "${need[@]}"; do
        apt-get install -s -qq --no-install-recommends "$p" >/dev/null 2>&1 || failed+=("$p")
    done
    [ ${#failed[@]} -gt 0 ] || failed=("${need[@]}")
    echo "setup: could not install the required package(s) ${failed[*]}: $(first_error "$log")" >&2
    exit 1
fi
if [ ${#want[@]} -gt 0 ] && ! apt-get install -y -qq --no-install-recommends "${want[@]}" >"$log" 2>&1; then
    echo "setup: could not install the optional package(s) ${want[*]} ($(first_error "$log")); the 32-bit Windows tests will be skipped" >&2
fi
exit 0
