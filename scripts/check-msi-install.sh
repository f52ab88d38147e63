#!/usr/bin/env bash
# Installs an OVXExtractor installer under Wine, checks what it put in place, starts the
# installed program, removes it and checks that nothing is left:
#
#   check-msi-install.sh BUILD MSI
#
# BUILD is the Windows build folder of the installer's architecture (its Wine
# architecture, and its ovx_start_check.exe, which waits for the program's main dialog).
# Every run uses a new prefix, BUILD/msi-check/wineprefix, on a private display: an
# installer built again with the same version gets a new product code, and a prefix
# that still held an earlier build would then list two entries. The prefix is deleted
# after a run that passed and kept for a look after one that failed.
#
# Under Wine msiexec's exit status keeps only the low 8 bits of its code (1603, a fatal
# error, reads 67), and the Start-menu shortcut of a per-machine package goes into the
# user's Start menu; both are taken as they are.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
fail() { echo "check-msi-install: $*" >&2; exit 1; }

if [ "${1:-}" != --on-display ]; then
    [ $# -eq 2 ] || fail "usage: check-msi-install.sh BUILD MSI"
    build=$(cd "$1" && pwd) msi=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
    [ -f "$build/wine-env.sh" ] || fail "$build is not a configured Windows build"
    arch=$(. "$build/wine-env.sh" && echo "$OVX_WINE_ARCH")
    check="$build/msi-check"
    rm -rf "$check"
    mkdir -p "$check"
    # with-display.sh takes its Wine environment from a build folder: this one's names
    # the new prefix.
    cat >"$check/wine-env.sh" <<EOF
OVX_WINE_ARCH=$arch
WINEPREFIX="$check/wineprefix"
. "$root/scripts/wine-env.sh"
EOF
    started=$SECONDS
    OVX_WINDOWS_BUILD="$check" "$root/scripts/with-display.sh" "$0" --on-display "$build" "$msi"
    rm -rf "$check"
    echo "check-msi-install: $((SECONDS - started)) s in all, the new prefix included"
    exit 0
fi

build=$2 msi=$3
check="$build/msi-check"
drive_c="$WINEPREFIX/drive_c"
folder="$drive_c/Program Files/OVXExtractor"
win_folder='C:\Program Files\OVXExtractor'
version=$(basename "$msi" | sed -n 's/^OVXExtractor-\(.*\)-win[0-9]*\.msi$/\1/p')
wine() { "$OVX_WINE" "$@"; }
# The registry keys of the product: its installed-programs entry and Windows Installer's
# record of it, as `reg query` prints them (a key's line, then its values).
registered() {
    local key
    for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' 'HKLM\Software\Classes\Installer\Products'; do
        wine reg query "$key" /s 2>/dev/null | tr -d '\r' |
            awk -v RS= '/\n +(DisplayName|ProductName) +REG_SZ +OVXExtractor(\n|$)/ { print; print "" }'
    done
}
value() { sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; } # <name>: the data of that value in registered's output
msiexec() { # <what> <option>: msiexec <option> on the installer, silently, with a log
    local what=$1 started=$SECONDS status=0
    wine msiexec "$2" "Z:${msi//\//\\}" /qn /l "Z:${check//\//\\}\\$what.log" || status=$?
    [ "$status" -eq 0 ] || { tail -n 20 "$check/$what.log" >&2 2>/dev/null || true
        fail "msiexec $2 $(basename "$msi") failed: status $status (the low 8 bits of msiexec's code); log in $check/$what.log"; }
    times+=("$what $((SECONDS - started)) s")
}
times=()
# Every file and folder of the prefix but temporary files, and Windows Installer's own
# folder, which Wine makes on first use and Windows always has (not what it holds).
files() { find "$drive_c" -path "$drive_c/users/*/Temp" -prune -o ! -path "$drive_c/windows/Installer" -print | sort; }

files >"$check/files-before"
msiexec install /i
# The two programs, as built, and nothing else.
installed=$(cd "$folder" 2>/dev/null && ls -A | tr '\n' ' ') || fail "nothing in $folder"
[ "$installed" = "OVXExtractor.exe ovx-extract.exe " ] || fail "$folder holds $installed"
for program in OVXExtractor.exe ovx-extract.exe; do
    cmp -s "$build/msi/$program" "$folder/$program" || fail "the installed $program is not the one built"
done
# One shortcut, to the installed program (an advertised one would name no path).
shortcuts=$(find "$drive_c/users" "$drive_c/ProgramData" -path '*/Start Menu/Programs/*' -iname '*.lnk' 2>/dev/null)
[ "$(echo "$shortcuts" | grep -c .)" = 1 ] && [ "$(basename "$shortcuts")" = OVXExtractor.lnk ] ||
    fail "Start-menu shortcuts: ${shortcuts:-none}"
grep -aqF "$win_folder\\OVXExtractor.exe" "$shortcuts" || fail "$shortcuts does not lead to $win_folder\\OVXExtractor.exe"
# One entry in the installed programs, with the version and the icon.
entry=$(registered)
[ "$(echo "$entry" | value DisplayName)" = OVXExtractor ] || fail "not one installed-programs entry: $entry"
[ "$(echo "$entry" | value DisplayVersion)" = "$version" ] || fail "the entry's version is not $version: $entry"
icon=$(echo "$entry" | value ProductIcon)
[ -n "$icon" ] && [ -f "$(wine winepath -u "$icon" 2>/dev/null | tr -d '\r')" ] || fail "the entry's icon '$icon' is missing"

# The installed programs run: the window shows its main dialog, the console program its version.
started=$SECONDS
wine "$build/tests/e2e/ovx_start_check.exe" "$win_folder\\OVXExtractor.exe" || fail "the installed OVXExtractor.exe"
[ "$(wine "$folder/ovx-extract.exe" --version | tr -d '\r')" = "ovx-extract $version" ] || fail "the installed ovx-extract.exe --version"
times+=("start $((SECONDS - started)) s")

msiexec uninstall /x
left=$(files | comm -13 "$check/files-before" -; registered)
[ -z "$left" ] || fail "left after removal: $left"
echo "check-msi-install: $(basename "$msi") installed, started and removed under Wine ($OVX_WINE_ARCH; $(IFS=,; echo "${times[*]}" | sed 's/,/, /g'))"
