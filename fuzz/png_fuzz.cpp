// Any bytes after the PNG signature: decode, read every pixel of a small
// image, draw it onto a 24-bit surface. A failure must be a clean vl::Error,
// and no input may make the decoder allocate past its cap (libFuzzer's
// -malloc_limit_mb catches one that tries).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/error.h"
#include "surface/png.h"
#include "surface/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vl::Surface target = vl::frameSurface(800, 600);
    // The signature is fixed so that every input reaches the decoder; seeds
    // keep theirs, other inputs get it put in front.
    std::vector<uint8_t> file(vl::kPngSignature, vl::kPngSignature + 8);
    file.insert(file.end(), data + (vl::isPng(data, size) ? 8 : 0), data + size);
    vl::Surface image;
    try {
        image = vl::decodePng(file.data(), file.size());
    } catch (const vl::Error&) {
        return 0;
    }
    uint32_t sum = 0;
    for (int32_t y = 0; y < image.height && y < 64; ++y)
        for (int32_t x = 0; x < image.width && x < 64; ++x) sum += vl::pixelAt(image, x, y);
    vl::drawImage(target, -image.width / 2, 590, image);
    return int(sum & 0);
}
