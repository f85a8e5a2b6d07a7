#include "platform/posix/x11_pixels.h"

namespace vl::platform {

namespace {

// An 8-bit channel value scaled to the width of its mask and moved into it.
uint32_t channelBits(uint32_t value, uint32_t mask) {
    if (mask == 0) return 0;
    const int shift = __builtin_ctz(mask);
    const uint64_t top = uint64_t(mask >> shift);  // all ones for a contiguous mask
    return uint32_t((uint64_t(value) * top + 127) / 255) << shift;
}

}  // namespace

bool isBgra(const X11PixelLayout& layout) {
    return layout.bitsPerPixel == 32 && !layout.msbFirst && layout.redMask == 0xFF0000 &&
           layout.greenMask == 0xFF00 && layout.blueMask == 0xFF;
}

void packForX11(const uint8_t* bgra, size_t srcStride, int32_t width, int32_t rowCount, uint8_t* dst, size_t stride,
                const X11PixelLayout& layout) {
    // Every pixel rebuilt from lookup tables.
    uint32_t red[256], green[256], blue[256];
    for (uint32_t v = 0; v < 256; ++v) {
        red[v] = channelBits(v, layout.redMask);
        green[v] = channelBits(v, layout.greenMask);
        blue[v] = channelBits(v, layout.blueMask);
    }
    const uint32_t rest = ~(layout.redMask | layout.greenMask | layout.blueMask);
    const int bytes = layout.bitsPerPixel / 8;
    for (int32_t row = 0; row < rowCount; ++row) {
        const uint8_t* s = bgra + size_t(row) * srcStride;
        uint8_t* d = dst + size_t(row) * stride;
        for (int32_t x = 0; x < width; ++x, s += 4, d += bytes) {
            const uint32_t pixel = rest | blue[s[0]] | green[s[1]] | red[s[2]];
            for (int k = 0; k < bytes; ++k) d[k] = uint8_t(pixel >> (8 * (layout.msbFirst ? bytes - 1 - k : k)));
        }
    }
}

}  // namespace vl::platform
