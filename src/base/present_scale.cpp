#include "base/present_scale.h"

#include <algorithm>
#include <cstring>

namespace vl {

namespace {

constexpr uint32_t kBlack = 0xFF000000u;  // the same in both layouts

inline void put32(uint8_t* d, uint32_t v) { std::memcpy(d, &v, 4); }

void fillBlack(uint8_t* d, int32_t count) {
    for (int32_t i = 0; i < count; ++i) put32(d + 4 * size_t(i), kBlack);
}

// The one place the source is read: `count` pixels of row y from column x
// on, in 32 bits. While the back buffer is 24-bit this converts; `scratch`
// says the result is read straight back, where the conversion's streaming
// stores would only send it the long way through memory.
void readSourceRow(const PresentSource& s, int32_t y, int32_t x, int32_t count, uint8_t* dst, Layout32 layout,
                   bool scratch) {
    const size_t stride = (size_t(s.width) * 3 + 3) & ~size_t(3);
    const uint8_t* row = s.bits24 + size_t(s.height - 1 - y) * stride + size_t(x) * 3;  // stored bottom-up
    if (scratch)
        convertRowsTo32Using(ConvertPath::Sse2, row, count, 1, 0, 1, dst, size_t(count) * 4, layout);
    else
        convertRowsTo32(row, count, 1, 0, 1, dst, size_t(count) * 4, layout);
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

void drawPlaced(const PresentSource& s, const Placement& p, uint8_t* dst, size_t stride, Layout32 layout,
                ScaleCache& cache) {
    const int32_t sw = s.right - s.left, sh = s.bottom - s.top;
    // The part of the destination rectangle inside the image.
    const int32_t right = std::min(p.x + p.w, p.width), bottom = std::min(p.y + p.h, p.height);
    const int32_t columns = std::max(0, right - p.x);
    const bool sameWidth = p.w == sw;  // columns map 1:1: rows convert straight into place
    if (!sameWidth && (cache.destWidth != p.w || cache.areaWidth != sw)) {
        // Destination column X samples the source at the centre of its
        // span, ((2X + 1) * SW) / (2 * DW), relative to the area's left.
        cache.columns.resize(size_t(p.w));
        for (int32_t X = 0; X < p.w; ++X)
            cache.columns[size_t(X)] = uint32_t((int64_t(2 * X + 1) * sw) / (2 * int64_t(p.w)));
        cache.destWidth = p.w;
        cache.areaWidth = sw;
    }
    if (!sameWidth) cache.row.resize(size_t(sw));
    const uint8_t* previous = nullptr;  // the last row drawn from the source, and its source row
    int32_t previousSource = -1;
    for (int32_t Y = 0; Y < p.height; ++Y) {
        uint8_t* d = dst + size_t(Y) * stride;
        if (Y < p.y || Y >= bottom) {
            fillBlack(d, p.width);
            continue;
        }
        fillBlack(d, p.x);
        fillBlack(d + 4 * size_t(right), p.width - right);
        uint8_t* into = d + 4 * size_t(p.x);
        const int32_t sourceRow = s.top + int32_t((int64_t(2 * (Y - p.y) + 1) * sh) / (2 * int64_t(p.h)));
        if (sourceRow == previousSource) {
            // Enlarged rows repeat: the finished row is copied, not sampled again.
            std::memcpy(into, previous, size_t(columns) * 4);
            continue;
        }
        if (sameWidth) {
            readSourceRow(s, sourceRow, s.left, columns, into, layout, false);
        } else {
            uint32_t* row = cache.row.data();
            readSourceRow(s, sourceRow, s.left, sw, reinterpret_cast<uint8_t*>(row), layout, true);
            const uint32_t* map = cache.columns.data();
            for (int32_t X = 0; X < columns; ++X) put32(into + 4 * size_t(X), row[map[X]]);
        }
        previous = into;
        previousSource = sourceRow;
    }
}

}  // namespace vl
