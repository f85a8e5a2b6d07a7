#include "surface/png.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/error.h"

namespace {

// The widest or tallest PNG we read: no side longer than a 24-bit row the
// pixel cap can hold, and never more than stb's own default.
constexpr unsigned kPngMaxSide = unsigned(std::min<size_t>(vl::kMaxPixelBytes / 3, size_t(1) << 24));

// Every allocation of the decoder goes through these. The cap is set for each
// decode from the image the header claims, so neither a header nor a deflate
// stream that never ends can make it allocate more than such an image needs.
thread_local size_t t_allocationCap = 0;
void* pngMalloc(size_t n) { return n <= t_allocationCap ? std::malloc(n) : nullptr; }
void* pngRealloc(void* p, size_t n) { return n <= t_allocationCap ? std::realloc(p, n) : nullptr; }

}  // namespace

// Only the PNG decoder, reading from memory, compiled here and nowhere else.
#define STB_IMAGE_STATIC
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_SIMD
#define STBI_MAX_DIMENSIONS kPngMaxSide
#define STBI_MALLOC(n) pngMalloc(n)
#define STBI_REALLOC(p, n) pngRealloc(p, n)
#define STBI_FREE(p) std::free(p)
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace vl {
namespace {

[[noreturn]] void invalidPng(const char* reason) {
    // A critical chunk stb does not know is named in its reason by its four
    // bytes, which may be anything (zeros when the file ends early).
    std::string text = reason && std::strlen(reason) >= 4 ? reason : "unknown chunk or unexpected end of file";
    for (char& c : text)
        if (c < ' ' || c > '~') c = '?';
    fail("EInvalidGraphic", "PNG image is not valid: " + text);
}

uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// stb copies each IDAT chunk into a buffer it allocates at the first chunk
// with data; an empty one before that is a copy to a null pointer, which is
// undefined even at length 0. Such chunks carry nothing, so the decoder gets
// the file without them. Returns an empty vector when there are none.
std::vector<uint8_t> withoutLeadingEmptyIdat(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out;
    size_t from = 0;  // start of the bytes not yet copied
    for (size_t at = 8; size - at >= 8;) {  // a whole chunk header: stb reads a missing body or CRC as zeros
        const uint32_t length = be32(data + at);
        const bool idat = std::memcmp(data + at + 4, "IDAT", 4) == 0;
        if (idat && length > 0) break;
        const size_t end = uint64_t(size - at - 8) < uint64_t(length) + 4 ? size : at + 8 + size_t(length) + 4;
        if (idat) {
            out.insert(out.end(), data + from, data + at);
            from = end;
        }
        at = end;
    }
    if (from > 0) out.insert(out.end(), data + from, data + size);
    return out;
}

struct FreeImage {
    void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

}  // namespace

bool isPng(const uint8_t* data, size_t size) { return size >= 8 && std::memcmp(data, kPngSignature, 8) == 0; }

Surface decodePng(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> cleaned = withoutLeadingEmptyIdat(data, size);
    if (!cleaned.empty()) data = cleaned.data(), size = cleaned.size();
    if (size > size_t(INT32_MAX)) invalidPng("too large");
    int width = 0, height = 0, channels = 0;
    t_allocationCap = 0;  // reading the header needs no memory
    if (!stbi_info_from_memory(data, int(size), &width, &height, &channels)) {
        // The header scan's own reason is lost to a generic one; a load, which
        // stops at the same fault before allocating, gives it.
        stbi_image_free(stbi_load_from_memory(data, int(size), &width, &height, &channels, 4));
        invalidPng(stbi_failure_reason());
    }
    Surface image;
    size_t bytes = 0;
    if (!pixelStorageSize(width, height, 24, bytes)) invalidPng("too large");

    // The largest block a valid file of this header needs: its compressed
    // data, or its inflated rows, or the decoded image at up to 4 channels of
    // 16 bits. Buffers grow by doubling from a first guess, and interlaced
    // rows inflate to a little more than that guess, hence twice each.
    const uint64_t sample = stbi_is_16_bit_from_memory(data, int(size)) ? 2 : 1;
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    const uint64_t cap = 2 * std::max<uint64_t>(uint64_t(size) + 32768, (uint64_t(height) + pixels * 4) * sample);
    t_allocationCap = size_t(std::min<uint64_t>(cap, SIZE_MAX));
    std::unique_ptr<stbi_uc, FreeImage> rgba(stbi_load_from_memory(data, int(size), &width, &height, &channels, 4));
    t_allocationCap = 0;
    if (!rgba) invalidPng(stbi_failure_reason());

    image.width = width;
    image.height = height;
    image.pixels.assign(bytes, 0);
    const stbi_uc* in = rgba.get();
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = rowBytes(image, y);
        for (int32_t x = 0; x < width; ++x, in += 4, out += 3) {
            const bool opaque = in[3] >= 128;
            out[0] = opaque ? in[2] : 0;
            out[1] = opaque ? in[1] : 0;
            out[2] = opaque ? in[0] : 0;
        }
    }
    return image;
}

}  // namespace vl
