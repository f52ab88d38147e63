#!/usr/bin/env bash
# Takes the README's screenshots of the real program under Wine on a virtual display:
# the main dialog in both modes and the progress window during and after a job and
# after one over names in several scripts, each cropped to its window, into
# docs/screenshots/. Builds the Windows program if needed:
# the 32-bit one where this host runs 32-bit Windows programs, else the 64-bit one,
# saying why (the windows-arches.sh rule); OVX_WINDOWS_BUILD names another build folder.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/docs/screenshots"

if [ "${1:-}" != "--on-display" ]; then
    "$root/scripts/setup.sh"
    presets=$("$root/scripts/windows-arches.sh" --presets)
    preset=${presets%% *}
    build="${OVX_WINDOWS_BUILD:-$root/build/$preset}"
    echo "screenshots: the $preset build, $build"
    [ "$preset" = windows ] || echo "screenshots: $("$root/scripts/windows-arches.sh" --why)"
    cmake --preset "$preset" -B "$build" >/dev/null
    cmake --build "$build" --target OVXExtractor ovx_screenshot_driver
    mkdir -p "$out"
    OVX_WINDOWS_BUILD="$build" exec "$root/scripts/with-display.sh" "$0" --on-display
fi

# with-display.sh has prepared the prefix, Wine's own fonts included, and set its
# environment (OVX_WINE, the loader).
build=$OVX_WINDOWS_BUILD

# The driver poses each view, prints "SHOT <name> <left> <top> <width> <height>" and
# waits for a line back once the picture is taken.
coproc DRIVER { "$OVX_WINE" "$build/tests/e2e/ovx_screenshot_driver.exe"; }
driver_pid=$DRIVER_PID
to_driver=${DRIVER[1]}
taken=0
while read -r word name x y w h <&"${DRIVER[0]}"; do
    h=${h%$'\r'}
    [ "$word" = SHOT ] || continue
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
    echo "screenshots: $out/$name.png (${w}x${h})"
    taken=$((taken + 1))
    echo done >&"$to_driver"
done
wait "$driver_pid"
[ "$taken" -eq 5 ] || { echo "screenshots: only $taken of 5 taken" >&2; exit 1; }
