#!/usr/bin/env bash
# Joins the RESULT lines of the native and the DLL benchmark (files given as
# arguments) into one table: each frame's median time before (the reference
# renderer) and after, natively and as the 32-bit DLL under wine, with the
# ratios and the targets. "1000 sprites add" is the 1000-sprite frame less
# the frame without sprites: drawn, or clear (a texture all transparent, so
# what remains is the sort, the projection and the column tests).
set -euo pipefail
cat "$@" | awk -F'|' '
{ if (sub(/^.*RESULT /, "RESULT ")) $0 = $0 }
/^RESULT / {
    split($1, head, " "); build = head[2]
    before[build, $2] = $3; after[build, $2] = $4; seen[$2] = 1
}
function cell(b, name,    r) {
    if (!((b, name) in before)) return sprintf("%9s %9s %7s", "-", "-", "-")
    r = after[b, name] > 0 ? before[b, name] / after[b, name] : 0
    return sprintf("%9.3f %9.3f %6.1fx", before[b, name], after[b, name], r)
}
function line(frame, scene, name, target) {
    printf "%-26s %-22s | %s | %s | %s\n", frame, scene, cell("native", name), cell("dll", name), target
}
END {
    split("native dll", bs, " ")
    for (i in bs) {
        b = bs[i]
        none = "textured 512x384, no sprites"
        if (!((b, none) in before)) continue
        split("1000 sprites|1000 clear sprites", kinds, "|")
        for (k in kinds) {
            name = "textured 512x384, " kinds[k]
            if (!((b, name) in before)) continue
            before[b, kinds[k] " add"] = before[b, name] - before[b, none]
            after[b, kinds[k] " add"] = after[b, name] - after[b, none]
        }
    }
    printf "%-26s %-22s | %-27s | %-27s | %s\n", "", "", "native (ms)", "32-bit DLL under wine (ms)", ""
    printf "%-26s %-22s | %9s %9s %7s | %9s %9s %7s | %s\n", "frame", "scene", "before", "after", "ratio", "before", "after", "ratio", "target native / DLL"
    line("textured 512x384", "24x24, 64 sprites", "textured 512x384, 64 sprites", "< 0.5 / < 1.2")
    line("textured 800x600", "24x24, 64 sprites", "textured 800x600, 64 sprites", "< 1.2 / < 3")
    line("flat 512x384", "24x24", "flat 512x384", "< 0.05 / < 0.1")
    line("textured 512x384", "24x24, no sprites", "textured 512x384, no sprites", "")
    line("textured 512x384", "24x24, 1000 sprites", "textured 512x384, 1000 sprites", "")
    line("textured 512x384", "24x24, 1000 clear", "textured 512x384, 1000 clear sprites", "")
    line("1000 sprites add", "spread, drawn", "1000 sprites add", "")
    line("1000 sprites add", "spread, clear", "1000 clear sprites add", "< 0.1 / < 0.3")
    line("1000 sprites add", "sort and projection", "sort and projection of 1000 sprites", "< 0.1")
    line("vlDrawScreen", "800x600", "vlDrawScreen 800x600", "report")
}'
