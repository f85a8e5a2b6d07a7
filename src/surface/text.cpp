#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "surface/font.h"
#include "surface/surface.h"

namespace vl {

namespace {

// The weight every canvas font has: normal.
constexpr int32_t kNormalWeight = 400;
// No 800-pixel line shows more characters than this; longer host strings are
// cut before the system lays them out.
constexpr size_t kMaxSystemTextBytes = 2048;

// The font colour as a frame-layout pixel.
struct Paint {
    uint32_t pixel;
};

inline void put(Surface& s, int64_t x, int64_t y, Paint p) {
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return;
    std::memcpy(rowBytes(s, int32_t(y)) + 4 * x, &p.pixel, 4);
}

// An opaque brush fills the whole cell box behind the glyphs.
void fillCellBox(Surface& s, const Canvas& cv, int32_t x, int32_t y, int64_t width, int64_t height) {
    if (cv.brushStyle != bsSolid) return;
    fillRect(s, x, y, int32_t(std::min<int64_t>(x + width, INT32_MAX)),
             int32_t(std::min<int64_t>(y + height, INT32_MAX)));
}

void drawBuiltin(Surface& s, const Canvas& cv, int32_t x, int32_t y, std::string_view text, Paint p) {
    fillCellBox(s, cv, x, y, font::textWidth(text), font::kCellHeight);
    int64_t penX = x;
    for (unsigned char ch : text) {
        if (penX >= s.width) break;  // nothing further along the line is visible
        const font::Glyph& gl = font::glyph(ch);
        if (penX + gl.left + 16 > 0) {
            for (int row = 0; row < font::kCellHeight; ++row)
                for (int bit = 0; bit < 16; ++bit)
                    if (gl.rows[row] & (1u << bit)) put(s, penX + gl.left + bit, int64_t(y) + row, p);
        }
        penX += gl.advance;
    }
}

bool drawSystem(Surface& s, const Canvas& cv, int32_t x, int32_t y, std::string_view text, Paint p) {
    platform::TextMask mask;
    const std::string line(text.substr(0, kMaxSystemTextBytes));
    if (!platform::rasteriseText(cv.fontFace, cv.fontHeight, kNormalWeight, line, mask)) return false;
    fillCellBox(s, cv, x, y, mask.width, mask.height);
    for (int32_t row = 0; row < mask.height; ++row)
        for (int32_t col = 0; col < mask.width; ++col)
            if (mask.bits[size_t(row) * size_t(mask.width) + size_t(col)]) put(s, int64_t(x) + col, int64_t(y) + row, p);
    return true;
}

}  // namespace

void textOut(Surface& s, int32_t x, int32_t y, std::string_view text) {
    const Canvas& cv = canvas(s);
    if (!isFrameLayout(s) || isEmpty(s) || text.empty()) return;
    const Paint p{framePixel(resolveColour(cv.fontColor))};
#ifndef VL_BUILTIN_FONT
    // Glyph shapes come from the system where it has the canvas's face; the
    // pixels stay ours.
    if (drawSystem(s, cv, x, y, text, p)) return;
#endif
    drawBuiltin(s, cv, x, y, text, p);
}

}  // namespace vl
