#!/usr/bin/env bash
# Makes the release packages from the native and Windows builds (building what is
# missing) and checks them, into build/packages/:
#   ovx-extract_<version>_amd64.deb                 ovx-extract, its manual page and bash completion
#   OVXExtractor-<version>-win32.zip / -win64.zip   both programs and the README
#   OVXExtractor-<version>-win32.msi / -win64.msi   installers of both programs (wixl)
# Install the Debian package with `dpkg -i build/packages/ovx-extract_*.deb`.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
out="$PWD/build/packages"
mkdir -p "$out"
rm -f "$out"/*.deb "$out"/*.zip "$out"/*.msi
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ovx-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package: $*" >&2; exit 1; }

for preset in native windows windows64; do
    echo "=== package: $preset ==="
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    rm -rf "build/$preset/packages"
    (cd "build/$preset" && cpack >/dev/null) || fail "cpack failed in build/$preset"
    [ "$preset" = native ] || cmake --build --preset "$preset" --target ovx_msi >/dev/null ||
        fail "the installer (target ovx_msi) failed in build/$preset"
    cp "build/$preset"/packages/*.deb "build/$preset"/packages/*.zip "build/$preset"/packages/*.msi "$out/" 2>/dev/null || true
done

# The Debian package: its files, and the program and manual page as installed.
deb=$(ls "$out"/ovx-extract_*_amd64.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $NF}' | grep -v '/$' | sort | tr '\n' ' ')
[ "$files" = "./usr/bin/ovx-extract ./usr/share/bash-completion/completions/ovx-extract ./usr/share/man/man1/ovx-extract.1.gz " ] ||
    fail "$deb holds $files"
dpkg-deb -x "$deb" "$scratch/root"
"$scratch/root/usr/bin/ovx-extract" --help | grep -q '^Usage: ovx-extract' || fail "the packaged ovx-extract --help"
warnings=$(MANWIDTH=80 man --warnings -l "$scratch/root/usr/share/man/man1/ovx-extract.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page: $warnings"

# The packaged bash completion, found where bash-completion looks for it and used in a
# fresh bash: every option --help lists and no other, a partial option, --threads
# values, an .ovx file or a folder for SOURCE, the same after it (another SOURCE or
# DESTINATION), nothing after the one SOURCE of --stdout.
mkdir -p "$scratch/cwd/in/sub" "$scratch/cwd/out"
touch "$scratch/cwd/a.ovx" "$scratch/cwd/notes.txt"
help_options=$("$scratch/root/usr/bin/ovx-extract" --help |
    awk '/^  -/ { split($0, f, /  +/); n = split(f[2], o, /, /); for (i = 1; i <= n; i++) { split(o[i], w, " "); print w[1] } }' |
    sort | tr '\n' ' ')
completed=$(cd "$scratch/cwd" && XDG_DATA_DIRS="$scratch/root/usr/share" bash --norc --noprofile -c '
    . /usr/share/bash-completion/bash_completion
    __load_completion ovx-extract || { echo "not found"; exit; }
    choices() { # the words of a command line, the last one being completed: the choices, sorted
        COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMP_LINE="$*" COMP_POINT=${#COMP_LINE} COMPREPLY=()
        _ovx_extract ovx-extract "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "; echo "|"
    }
    choices ovx-extract -
    choices ovx-extract --pass
    choices ovx-extract --threads ""
    choices ovx-extract -q ""
    choices ovx-extract a.ovx ""
    choices ovx-extract -c a.ovx ""')
expected="$help_options|
--password-file |
$(seq 1 "$(getconf _NPROCESSORS_ONLN)" | sort | tr '\n' ' ')|
a.ovx in out |
a.ovx in out |
 |"
[ "$completed" = "$expected" ] || fail "the bash completion gives
$completed
instead of
$expected"

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

# The installers: the tables of both, and for each build this host runs an install, a
# start of the installed program and a removal under Wine.
runs=" $(scripts/windows-arches.sh) "
for arch in x86:windows:win32 x86_64:windows64:win64; do
    IFS=: read -r cpu preset suffix <<<"$arch"
    msi=$(ls "$out"/OVXExtractor-*-"$suffix".msi)
    version=${msi##*/OVXExtractor-}
    scripts/check-msi.py "$msi" "$cpu" "${version%-*.msi}" || fail "the $suffix installer's tables"
    if [[ "$runs" == *" $cpu "* ]]; then
        scripts/check-msi-install.sh "build/$preset" "$msi" || fail "the $suffix installer under Wine"
    else
        echo "package: ${msi##*/} checked without installing it, because $(scripts/windows-arches.sh --why)"
    fi
done
echo "package: checked $(cd "$out" && ls *.deb *.zip *.msi | tr '\n' ' ')in $out"
