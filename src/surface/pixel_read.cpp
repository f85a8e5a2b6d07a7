#include <cstring>

#include "surface/surface.h"

namespace vl {
namespace {

// One channel of a 16- or 32-bit pixel: where its mask sits and how wide it
// is, worked out once per row rather than once per pixel.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
};

Channel channelOf(uint32_t mask) {
    Channel c{mask, 0, 0};
    if (mask == 0) return c;
    while (!((mask >> c.shift) & 1)) ++c.shift;
    while (c.shift + c.bits < 32 && (mask >> (c.shift + c.bits)) != 0) ++c.bits;
    return c;
}

// Widened to 8 bits by repeating its top bits (a 5-bit 31 reads 255, not
// 248), or cut to its top 8 bits when the mask is wider. A mask's span runs
// from its lowest to its highest set bit.
uint32_t channelValue(const Channel& c, uint32_t pixel) {
    if (c.mask == 0) return 0;
    const uint32_t value = (pixel & c.mask) >> c.shift;
    if (c.bits >= 8) return (value >> (c.bits - 8)) & 0xFF;
    uint32_t out = 0;
    for (int at = 8 - c.bits; at > -c.bits; at -= c.bits) out |= at >= 0 ? value << at : value >> -at;
    return out & 0xFF;
}

struct Masks {
    Channel red, green, blue;
    explicit Masks(const Surface& s) : red(channelOf(s.redMask)), green(channelOf(s.greenMask)), blue(channelOf(s.blueMask)) {}
    Colour colour(uint32_t pixel) const {
        return channelValue(red, pixel) | (channelValue(green, pixel) << 8) | (channelValue(blue, pixel) << 16);
    }
};

inline void putPixel(uint8_t* out, Colour c) {
    const uint32_t pixel = framePixel(c);
    std::memcpy(out, &pixel, 4);
}

}  // namespace

void readRowFrame(const Surface& s, int32_t y, int32_t x0, int32_t count, uint8_t* out) {
    const uint8_t* row = rowBytes(s, y);
    if (isFrameLayout(s)) {
        // Loaded 32-bit images may hold anything in the fourth byte.
        const uint8_t* in = row + 4 * size_t(x0);
        for (int32_t i = 0; i < count; ++i, in += 4, out += 4) {
            uint32_t pixel;
            std::memcpy(&pixel, in, 4);
            pixel |= kFrameAlpha;
            std::memcpy(out, &pixel, 4);
        }
        return;
    }
    switch (s.bitsPerPixel) {
        case 24:
            for (const uint8_t *in = row + 3 * size_t(x0), *end = in + 3 * size_t(count); in < end; in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 0xFF;
            }
            return;
        case 16:
        case 32: {
            const Masks masks(s);
            for (int32_t i = 0; i < count; ++i, out += 4) {
                const size_t x = size_t(x0 + i);
                const uint32_t pixel = s.bitsPerPixel == 16
                    ? uint32_t(row[2 * x]) | (uint32_t(row[2 * x + 1]) << 8)
                    : uint32_t(row[4 * x]) | (uint32_t(row[4 * x + 1]) << 8) | (uint32_t(row[4 * x + 2]) << 16) |
                          (uint32_t(row[4 * x + 3]) << 24);
                putPixel(out, masks.colour(pixel));
            }
            return;
        }
        default:
            for (int32_t i = 0; i < count; ++i, out += 4) {
                const size_t x = size_t(x0 + i);
                const unsigned index = s.bitsPerPixel == 1   ? (row[x >> 3] >> (7 - (x & 7))) & 1
                                       : s.bitsPerPixel == 4 ? ((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4)
                                                             : row[x];
                putPixel(out, s.palette[index & 0xFF]);
            }
    }
}

Colour pixelAt(const Surface& s, int32_t x, int32_t y) {
    if (isEmpty(s) || !isValidDepth(s.bitsPerPixel) || x < 0 || y < 0 || x >= s.width || y >= s.height)
        return kOutsideImage;
    uint8_t bgra[4];
    readRowFrame(s, y, x, 1, bgra);
    return makeColour(bgra[2], bgra[1], bgra[0]);
}

}  // namespace vl
