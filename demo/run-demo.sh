#!/usr/bin/env bash
# `make demo`: with a display, opens the demo window for the user; without
# one, walks the sample world in both modes in a virtual display and writes
# a screenshot of each under build/demo/. VL_DEMO_TARGET=linux runs the Linux
# demo (make demo-linux) natively instead of the Windows one under wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# The 32-bit demo where this machine runs 32-bit programs, else the 64-bit one.
arch=win32
tools/runs-32bit.sh || arch=win64
export VL_WINE_ARCH=$arch
exe=build/$arch/demo/velmora_demo.exe
run=(tools/run-wine.sh wine)      # with the user's display
virtual=(tools/run-wine.sh wine)  # in a virtual one
prefix=
if [ "${VL_DEMO_TARGET:-}" = linux ]; then
    exe=build/linux/demo/velmora_demo
    run=()
    virtual=(tools/run-x11.sh)
    prefix=linux-
fi
# The tour's frame 690 looks a little up across the crypt: its marble floor and
# starry vault, pillars, a lamp, hanging lanterns, barrels, banners, doors,
# and fog beyond the far door.
frames="${DEMO_FRAMES:-690}"

if [ -n "${DISPLAY:-}" ] && [ -z "${VL_FORCE_XVFB:-}" ]; then
    echo "Velmora demo: arrows or WASD move and turn, Q/E step sideways,"
    echo "Page Up/Page Down look up and down, Home levels the view, F fog,"
    echo "1 flat, 2 textured, M minimap, Esc quits."
    exec ${run[@]+"${run[@]}"} "$exe" "$@"
fi

out=build/demo
mkdir -p "$out"
echo "No display: walking the sample world for $frames frames in a virtual display."
for mode in 1 2; do
    name=$prefix$([ "$mode" = 1 ] && echo flat || echo textured)
    log="$out/$name.txt"
    "${virtual[@]}" "$exe" --walk --frames "$frames" --mode "$mode" --screenshot "$out/$name.png" "$@" \
        >"$log" 2>&1 || { cat "$log"; exit 1; }
    render=$(sed -n 's/^vlRaycastingScreen: //p' "$log")
    present=$(sed -n 's/^vlDrawScreen: //p' "$log")
    printf '  %-9s %s\n' "$name:" "$root/$out/$name.png"
    printf '  %-9s vlRaycastingScreen %s, vlDrawScreen %s\n' "" "$render" "$present"
done
