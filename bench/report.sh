#!/usr/bin/env bash
# Joins the RESULT lines of the benchmarks (files given as arguments) into
# one table. A RESULT line is "RESULT <target>|<row>|<before ms>|<after ms>":
# before is the reference renderer (or "-" where there is none), after the
# library as built. Each target (native, win32, win64) gets a column group:
# before, after, their ratio, the goal and after / goal (at most 1.00 meets
# it). Rows, their labels and their goals are listed once below; a target or
# a row without results shows "-". Then presentation against what a host
# would spend itself, per target, from the same run: "plain copy 1920x1080"
# is a host's 1920 x 1080 frame of 32-bit pixels copied into its image and
# put into the window.
set -euo pipefail

# Column groups, left to right.
targets="native win32 win64"

# row as the benchmarks name it | label | goals in ms, target=ms
rows='
textured 512x384, 64 sprites|textured 512x384, 64 sprites|native=0.2 win32=0.25 win64=0.25
flat 512x384|flat 512x384|win32=0.02 win64=0.02
textured 800x600, 64 sprites|textured 800x600, 64 sprites|
vlDrawScreen 800x600|vlDrawScreen 800x600|
SetDIBitsToDevice 800x600|SetDIBitsToDevice 800x600, 32 bpp|
frame and present 800x600|800x600 frame + vlDrawScreen|
textured 512x384, no sprites|textured 512x384, no sprites|
textured 512x384, 1000 sprites|textured 512x384, 1000 sprites|
textured 512x384, 1000 clear sprites|textured 512x384, 1000 clear|
textured 512x384, 64 sprites, look|textured 512x384, 64 sprites, look|
sort and projection of 1000 sprites|sort, projection 1000 sprites|
'

cat "$@" | awk -F'|' -v targets="$targets" -v rows="$rows" '
{ sub(/^.*RESULT /, "RESULT ") }
/^RESULT / {
    split($1, head, " ")
    before[head[2], $2] = $3
    after[head[2], $2] = $4
}
function group(t, name, goals,    b, a, g, n, i, kv, cells) {
    g = ""
    n = split(goals, kv, " ")
    for (i = 1; i <= n; ++i) if (index(kv[i], t "=") == 1) g = substr(kv[i], length(t) + 2)
    if (!((t, name) in after)) return sprintf(" | %8s %8s %6s %6s %6s", "-", "-", "-", g == "" ? "-" : g, "-")
    b = before[t, name]; a = after[t, name]
    cells = sprintf(" | %8s %8.4f", b == "-" ? "-" : sprintf("%8.3f", b), a)
    cells = cells sprintf(" %6s", b == "-" || a <= 0 ? "-" : sprintf("%5.1fx", b / a))
    cells = cells sprintf(" %6s %6s", g == "" ? "-" : g, g == "" ? "-" : sprintf("%6.2f", a / g))
    return cells
}
END {
    nt = split(targets, ts, " ")
    line = sprintf("%-34s", "median ms")
    for (i = 1; i <= nt; ++i) line = line sprintf(" | %-38s", ts[i] (ts[i] == "native" ? "" : " DLL under wine"))
    print line
    line = sprintf("%-34s", "")
    for (i = 1; i <= nt; ++i) line = line sprintf(" | %8s %8s %6s %6s %6s", "before", "after", "ratio", "goal", "/goal")
    print line
    nr = split(rows, rs, "\n")
    for (r = 1; r <= nr; ++r) {
        if (rs[r] == "") continue
        split(rs[r], f, "|")
        line = sprintf("%-34s", f[2])
        for (i = 1; i <= nt; ++i) line = line group(ts[i], f[1], f[3])
        print line
    }
    print "before: the reference renderer (tests/render/reference); ratio: before / after; /goal: after / goal"
    print ""
    printf "%-44s %-7s %10s %10s %7s %6s\n", "presentation, same run (median ms)", "target", "library", "plain", "ratio", "goal"
    split("win32 win64 linux", ps, " ")
    for (i = 1; i <= 3; ++i) {
        t = ps[i]
        if (t == "linux") {
            pair(t, "vlDrawScreen into a window (shared memory)", "vlDrawScreen 800x600", "XShmPutImage 800x600", "1.3")
            pair(t, "vlDrawScreen into a window (XPutImage)", "vlDrawScreen 800x600, XPutImage", "XPutImage 800x600", "1.3")
            pair(t, "fit into 1920x1080 vs an unchanged image", "vlDrawScreen fit into 1920x1080", "put of an unchanged 1920x1080", "-")
        } else {
            pair(t, "vlDrawScreen into a window", "vlDrawScreen 800x600", "SetDIBitsToDevice 800x600", "1.3")
            if ((t, "frame and present 800x600") in after)
                printf "%-44s %-7s %10.4f %10s %7s %6s\n", "800x600 frame + vlDrawScreen", t, after[t, "frame and present 800x600"], "-", "-", "1.0 ms"
        }
        pair(t, "fit 800x600 into 1920x1080 (mode 2)", "vlDrawScreen fit into 1920x1080", "plain copy 1920x1080", "2")
        pair(t, "vlCopyBackBuffer BGRA, 1.92 MB", "vlCopyBackBuffer", "memcpy 1.92 MB", "1.2")
        pair(t, "vlCopyBackBuffer RGBA, 1.92 MB", "vlCopyBackBuffer RGBA", "memcpy 1.92 MB", "-")
    }
}
function pair(t, label, name, plain, goal) {
    if (!((t, name) in after) || !((t, plain) in after)) return
    printf "%-44s %-7s %10.4f %10.4f %6.2fx %6s\n", label, t, after[t, name], after[t, plain], after[t, name] / after[t, plain], goal == "-" ? "-" : "<= " goal "x"
}'
