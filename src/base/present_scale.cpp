#include "base/present_scale.h"

#include <algorithm>
#include <cstring>

namespace vl {

namespace {

// The one place the source is read: `count` pixels of row y from column x
// on, in the destination's layout.
void readSourceRow(const PresentSource& s, int32_t y, int32_t x, int32_t count, uint8_t* dst, Layout32 layout) {
    copyFramePixels(s.bits + (size_t(y) * size_t(s.width) + size_t(x)) * 4, size_t(count), dst, layout);
}

}  // namespace

Placement placeArea(const PresentSource& s, int32_t clientWidth, int32_t clientHeight) {
    Placement p;
    const int64_t sw = s.right - s.left, sh = s.bottom - s.top;
    const int64_t cw = clientWidth, ch = clientHeight;
    if (cw <= 0 || ch <= 0 || sw <= 0 || sh <= 0) return p;
    if (s.mode == kPresentActual) {
        p.width = int32_t(std::min(sw, cw));
        p.height = int32_t(std::min(sh, ch));
        p.w = int32_t(sw);
        p.h = int32_t(sh);
        return p;
    }
    int64_t dw = cw, dh = ch;
    if (s.mode != kPresentStretch) {
        const int64_t k = s.mode == kPresentWhole ? std::min(cw / sw, ch / sh) : 0;
        if (k >= 1) {
            dw = k * sw;
            dh = k * sh;
        } else if (cw * sh >= ch * sw) {  // a window smaller than the area fits like mode 2
            dw = ch * sw / sh;
        } else {
            dh = cw * sh / sw;
        }
    }
    p.width = clientWidth;
    p.height = clientHeight;
    p.x = int32_t((cw - dw) / 2);
    p.y = int32_t((ch - dh) / 2);
    p.w = int32_t(dw);
    p.h = int32_t(dh);
    return p;
}

ScreenRect shownRect(const Placement& p) {
    return {p.x, p.y, std::max(0, std::min(p.w, p.width - p.x)), std::max(0, std::min(p.h, p.height - p.y))};
}

int barsOf(const Placement& p, ScreenRect bars[4]) {
    const ScreenRect r = shownRect(p);
    const ScreenRect all[4] = {{0, 0, p.width, r.y},
                         {0, r.y + r.h, p.width, p.height - r.y - r.h},
                         {0, r.y, r.x, r.h},
                         {r.x + r.w, r.y, p.width - r.x - r.w, r.h}};
    int n = 0;
    for (const ScreenRect& b : all)
        if (b.w > 0 && b.h > 0) bars[n++] = b;
    return n;
}

void fillBlack(uint8_t* dst, size_t stride, const ScreenRect& r) {
    const uint32_t black = 0xFF000000u;  // the same in both layouts
    for (int32_t y = r.y; y < r.y + r.h; ++y)
        for (int32_t x = r.x; x < r.x + r.w; ++x) std::memcpy(dst + size_t(y) * stride + size_t(x) * 4, &black, 4);
}

void drawArea(const PresentSource& s, const Placement& p, uint8_t* dst, size_t stride, Layout32 layout,
              ScaleCache& cache) {
    const int32_t sw = s.right - s.left, sh = s.bottom - s.top;
    const ScreenRect shown = shownRect(p);
    const bool sameWidth = p.w == sw;  // columns map 1:1
    if (!sameWidth && (cache.destWidth != p.w || cache.areaWidth != sw)) {
        // Destination column X samples the source at the centre of its
        // span, ((2X + 1) * SW) / (2 * DW), relative to the area's left.
        cache.columns.resize(size_t(p.w));
        for (int32_t X = 0; X < p.w; ++X)
            cache.columns[size_t(X)] = uint32_t((int64_t(2 * X + 1) * sw) / (2 * int64_t(p.w)));
        cache.destWidth = p.w;
        cache.areaWidth = sw;
    }
    // Sampled from a source row in the destination's layout: the back
    // buffer's own row for BGRA; RGBA converts the row into the cache first.
    const bool ownRow = layout == Layout32::BGRA;
    if (!sameWidth && !ownRow) cache.row.resize(size_t(sw));
    // Each source row is drawn once, into the first destination row that
    // shows it; the rows below that repeat it copy that one. Plain stores,
    // not streaming ones: the window server reads the frame right after,
    // from the shared cache when it is still there.
    int32_t last = -1;  // the source row the destination row above shows
    for (int32_t Y = 0; Y < shown.h; ++Y) {
        uint8_t* into = dst + size_t(Y) * stride;
        const int32_t sourceRow = s.top + int32_t((int64_t(2 * Y + 1) * sh) / (2 * int64_t(p.h)));
        if (sourceRow == last) {
            std::memcpy(into, into - stride, size_t(shown.w) * 4);
            continue;
        }
        last = sourceRow;
        if (sameWidth) {
            readSourceRow(s, sourceRow, s.left, shown.w, into, layout);
            continue;
        }
        const uint8_t* row = s.bits + (size_t(sourceRow) * size_t(s.width) + size_t(s.left)) * 4;
        if (!ownRow) {
            readSourceRow(s, sourceRow, s.left, sw, reinterpret_cast<uint8_t*>(cache.row.data()), layout);
            row = reinterpret_cast<const uint8_t*>(cache.row.data());
        }
        const uint32_t* map = cache.columns.data();
        for (int32_t X = 0; X < shown.w; ++X) std::memcpy(into + 4 * size_t(X), row + 4 * size_t(map[X]), 4);
    }
}

}  // namespace vl
