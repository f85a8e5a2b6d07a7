// Any bytes as a bitmap file: decode, read every pixel, draw onto a 24-bit
// surface at a few positions. A failure must be a clean vl::Error.
#include <cstddef>
#include <cstdint>

#include "base/error.h"
#include "surface/bmp.h"
#include "surface/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vl::Surface target = vl::frameSurface(800, 600);
    vl::Surface image;
    try {
        vl::loadBitmapBytes(image, data, size);
    } catch (const vl::Error&) {
        return 0;
    }
    // Every pixel of an image up to 128 x 128 (and the edges beyond it);
    // reading all of a huge one would only slow the search down, and a corner
    // reaches every decoder path.
    uint32_t sum = 0;
    for (int32_t y = -1; y <= image.height && y < 128; ++y)
        for (int32_t x = -1; x <= image.width && x < 128; ++x) sum += vl::pixelAt(image, x, y);
    for (int32_t y = image.height - 3; y < image.height; ++y)
        for (int32_t x = image.width - 3; x <= image.width; ++x) sum += vl::pixelAt(image, x, y);
    vl::drawImage(target, 0, 0, image);
    vl::drawImage(target, -image.width / 2, 590, image);
    return int(sum & 0);
}
