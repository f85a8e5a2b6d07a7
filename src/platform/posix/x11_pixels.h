#pragma once
// The frame in the pixel layout of an X11 image. Kept apart from the Xlib
// calls so that every layout a server may ask for can be tested without such
// a server.
#include <cstddef>
#include <cstdint>

namespace vl::platform {

// What an X image of a window's visual holds per pixel.
struct X11PixelLayout {
    uint32_t redMask = 0, greenMask = 0, blueMask = 0;
    int32_t bitsPerPixel = 32;  // 24 or 32
    bool msbFirst = false;      // the image's byte order
};

// Nearly every server today: 32 bits a pixel, blue in the low byte, low byte
// first, which is exactly the back buffer's own layout: the frame goes out
// as it is.
bool isBgra(const X11PixelLayout& layout);

// Any other layout: rows of BGRA pixels (srcStride bytes apart) rebuilt in
// it, rows stride bytes apart. Bits outside the three channel masks (alpha,
// padding) are set, so 32-bit windows show the frame opaque.
void packForX11(const uint8_t* bgra, size_t srcStride, int32_t width, int32_t rowCount, uint8_t* dst, size_t stride,
                const X11PixelLayout& layout);

}  // namespace vl::platform
