#!/usr/bin/env bash
# Makes the release packages from the native and Windows builds (building what is
# missing) and checks them, into build/packages/:
#   ovx-extract_<version>_amd64.deb          ovx-extract and its manual page
#   OVXExtractor-<version>-win32.zip / -win64.zip   both programs and the README
# Install the Debian package with `dpkg -i build/packages/ovx-extract_*.deb`.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
out="$PWD/build/packages"
mkdir -p "$out"
rm -f "$out"/*.deb "$out"/*.zip
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ovx-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

for preset in native windows windows64; do
    echo "=== package: $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    rm -rf "build/$preset/packages"
    (cd "build/$preset" && cpack >/dev/null) || fail "cpack failed in build/$preset"
    cp "build/$preset"/packages/*.deb "build/$preset"/packages/*.zip "$out/" 2>/dev/null || true
done

# The Debian package: its files, and the program and manual page as installed.
deb=$(ls "$out"/ovx-extract_*_amd64.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sort | tr '\n' ' ')
[ "$files" = "./usr/bin/ovx-extract ./usr/share/man/man1/ovx-extract.1.gz " ] ||
    fail "$deb holds $files"
dpkg-deb -x "$deb" "$scratch/root"
"$scratch/root/usr/bin/ovx-extract" --help | grep -q '^Usage: ovx-extract' || fail "the packaged ovx-extract --help"
warnings=$(MANWIDTH=80 man --warnings -l "$scratch/root/usr/share/man/man1/ovx-extract.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page: $warnings"

# The Windows zips: both programs and the README under one top folder.
for zip in "$out"/OVXExtractor-*-win32.zip "$out"/OVXExtractor-*-win64.zip; do
    python3 - "$zip" <<'PYTHON' || fail "$zip"
import os, sys, zipfile
path = sys.argv[1]
top = os.path.basename(path)[:-len(".zip")]
names = sorted(zipfile.ZipFile(path).namelist())
expected = sorted(top + "/" + name for name in ("OVXExtractor.exe", "ovx-extract.exe", "README.md"))
if [n for n in names if not n.endswith("/")] != expected:
    sys.exit("holds %s, not %s" % (names, expected))
PYTHON
done
for arch in x86:win32 x86_64:win64; do
    unzip_dir="$scratch/${arch#*:}"
    python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
        "$out"/OVXExtractor-*-"${arch#*:}".zip "$unzip_dir"
    scripts/check-windows-exe.py "$unzip_dir"/*/OVXExtractor.exe "${arch%%:*}" >/dev/null ||
        fail "the ${arch#*:} zip's OVXExtractor.exe"
done
echo "package: checked $(cd "$out" && ls *.deb *.zip | tr '\n' ' ')in $out"
