#pragma once
// The back buffer in the pixel layout of an X11 image. Kept apart from the
// Xlib calls so that every layout a server may ask for can be tested without
// such a server.
#include <cstddef>
#include <cstdint>

namespace vl::platform {

// What an X image of a window's visual holds per pixel.
struct X11PixelLayout {
    uint32_t redMask = 0, greenMask = 0, blueMask = 0;
    int32_t bitsPerPixel = 32;  // 24 or 32
    bool msbFirst = false;      // the image's byte order
};

// Writes the top rowCount rows of a 24-bit bottom-up image (rows padded to 4
// bytes) into dst, rows top-down and stride bytes apart. Bits outside the
// three channel masks (alpha, padding) are set, so 32-bit windows show the
// frame opaque.
void packForX11(const uint8_t* bits24, int32_t width, int32_t height, int32_t rowCount, uint8_t* dst,
                size_t stride, const X11PixelLayout& layout);

}  // namespace vl::platform
