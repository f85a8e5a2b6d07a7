#include <algorithm>

#include "surface/font.h"
#include "surface/surface.h"

namespace vl {

void textOut(Surface& s, int32_t x, int32_t y, std::string_view text) {
    const Canvas& cv = canvas(s);
    if (s.bitsPerPixel != 24 || isEmpty(s) || text.empty()) return;
    // An opaque brush fills the whole cell box behind the glyphs.
    if (cv.brushStyle == bsSolid) {
        const int64_t right = int64_t(x) + font::textWidth(text);
        fillRect(s, x, y, int32_t(std::min<int64_t>(right, INT32_MAX)),
                 int32_t(std::min<int64_t>(int64_t(y) + font::kCellHeight, INT32_MAX)));
    }
    const Colour c = resolveColour(cv.fontColor);
    const uint8_t b = uint8_t(c >> 16), g = uint8_t(c >> 8), r = uint8_t(c);
    int64_t penX = x;
    for (unsigned char ch : text) {
        const font::Glyph& gl = font::glyph(ch);
        for (int row = 0; row < font::kCellHeight; ++row) {
            const int64_t py = int64_t(y) + row;
            if (py < 0 || py >= s.height || gl.rows[row] == 0) continue;
            uint8_t* line = rowBytes(s, int32_t(py));
            for (int bit = 0; bit < 16; ++bit) {
                if (!(gl.rows[row] & (1u << bit))) continue;
                const int64_t px = penX + gl.left + bit;
                if (px < 0 || px >= s.width) continue;
                uint8_t* p = line + 3 * px;
                p[0] = b;
                p[1] = g;
                p[2] = r;
            }
        }
        penX += gl.advance;
        if (penX >= s.width) break;  // nothing further along the line is visible
    }
}

}  // namespace vl
