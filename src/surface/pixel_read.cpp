#include "surface/surface.h"

namespace vl {
namespace {

// One channel of a 16- or 32-bit pixel, widened to 8 bits by repeating its
// top bits (a 5-bit 31 reads 255, not 248), or cut to its top 8 bits when the
// mask is wider. A mask's span runs from its lowest to its highest set bit.
uint32_t channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    int bits = 0;
    while (shift + bits < 32 && (mask >> (shift + bits)) != 0) ++bits;
    const uint32_t value = (pixel & mask) >> shift;
    if (bits >= 8) return (value >> (bits - 8)) & 0xFF;
    uint32_t out = 0;
    for (int at = 8 - bits; at > -bits; at -= bits) out |= at >= 0 ? value << at : value >> -at;
    return out & 0xFF;
}

Colour throughMasks(const Surface& s, uint32_t pixel) {
    return channel(pixel, s.redMask) | (channel(pixel, s.greenMask) << 8) | (channel(pixel, s.blueMask) << 16);
}

}  // namespace

Colour pixelAt(const Surface& s, int32_t x, int32_t y) {
    if (isEmpty(s) || x < 0 || y < 0 || x >= s.width || y >= s.height) return kOutsideImage;
    const uint8_t* row = rowBytes(s, y);
    const size_t ux = size_t(x);
    switch (s.bitsPerPixel) {
        case 1: return s.palette[(row[ux >> 3] >> (7 - (ux & 7))) & 1];
        case 4: return s.palette[(ux & 1) ? row[ux >> 1] & 0x0F : row[ux >> 1] >> 4];
        case 8: return s.palette[row[ux]];
        case 16: return throughMasks(s, uint32_t(row[2 * ux]) | (uint32_t(row[2 * ux + 1]) << 8));
        case 24: {
            const uint8_t* p = row + 3 * ux;
            return makeColour(p[2], p[1], p[0]);
        }
        case 32: {
            const uint8_t* p = row + 4 * ux;
            return throughMasks(s, uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                                       (uint32_t(p[3]) << 24));
        }
        default: return kOutsideImage;
    }
}

}  // namespace vl
