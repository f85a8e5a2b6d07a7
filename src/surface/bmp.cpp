#include "surface/bmp.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "base/error.h"
#include "platform/platform.h"
#include "surface/png.h"

namespace vl {
namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr size_t kPixelOffsetAt = 10;  // in the file header
// A file is read up to this size: the largest image we accept plus room for
// headers and a full colour table. Anything past it cannot be pixel data we use.
constexpr size_t kMaxFileBytes = kMaxPixelBytes + (size_t(64) << 10);

enum Compression : uint32_t { kNone = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

[[noreturn]] void readError() { fail("EReadError", "Stream read error"); }
[[noreturn]] void invalidGraphic() { fail("EInvalidGraphic", "Bitmap image is not valid"); }
// The text Windows gives for ERROR_NOT_ENOUGH_MEMORY, so both builds say the same.
[[noreturn]] void outOfMemory() {
    fail("EOSError",
         "System Error.  Code: 8.\r\nNot enough memory resources are available to process this command");
}

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Sequential reads over the file's bytes; reading past the end is a stream error.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos;

    size_t remaining() const { return size - pos; }
    const uint8_t* take(uint64_t n) {
        if (n > remaining()) readError();
        const uint8_t* p = data + pos;
        pos += size_t(n);
        return p;
    }
};

struct Header {
    uint32_t size = 0;
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top-down
    uint16_t planes = 0;
    uint16_t bitsPerPixel = 0;
    uint32_t compression = kNone;
    uint32_t imageSize = 0;
    uint32_t coloursUsed = 0;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue, from headers longer than 40 bytes
};

Header readHeader(Reader& in) {
    Header h;
    h.size = le32(in.take(4));
    if (h.size == kCoreHeaderBytes) {
        const uint8_t* p = in.take(kCoreHeaderBytes - 4);
        h.width = le16(p);
        h.height = le16(p + 2);
        h.planes = le16(p + 4);
        h.bitsPerPixel = le16(p + 6);
        return h;
    }
    // Shorter forms exist only as the 12-byte core header; anything else
    // below 40 bytes has no room for the fields we need.
    if (h.size < kInfoHeaderBytes) invalidGraphic();
    const uint8_t* p = in.take(uint64_t(h.size) - 4);  // p is header byte 4
    h.width = int32_t(le32(p));
    h.height = int32_t(le32(p + 4));
    h.planes = le16(p + 8);
    h.bitsPerPixel = le16(p + 10);
    h.compression = le32(p + 12);
    h.imageSize = le32(p + 16);
    h.coloursUsed = le32(p + 28);
    // The longer forms carry the bit-field masks at header bytes 40..51; a
    // header cut short of a mask leaves it 0.
    for (uint32_t i = 0; i < 3; ++i) {
        const uint32_t at = kInfoHeaderBytes + 4 * i;
        if (at + 4 <= h.size) h.masks[i] = le32(p + at - 4);
    }
    return h;
}

bool depthAllowed(uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool compressionAllowed(uint32_t compression, uint16_t bits) {
    switch (compression) {
        case kNone: return true;
        case kRle8: return bits == 8;
        case kRle4: return bits == 4;
        case kBitFields: return bits == 16 || bits == 32;
        default: return false;
    }
}

// Zeroed pixel storage, refused before allocating when it would pass the cap.
std::vector<uint8_t> allocatePixels(int32_t width, int32_t rows, int bitsPerPixel) {
    // The width alone is bounded first so the row stride cannot wrap a 32-bit
    // size_t before the storage size is checked.
    size_t bytes = 0;
    if (uint64_t(width) * uint64_t(bitsPerPixel) > uint64_t(kMaxPixelBytes) * 8 ||
        !pixelStorageSize(width, rows, bitsPerPixel, bytes))
        outOfMemory();
    try {
        return std::vector<uint8_t>(bytes, 0);
    } catch (const std::bad_alloc&) {
        outOfMemory();
    }
}

// The target of the run-length decoder: a 24-bit bottom-up image. Every write
// goes through put(), which drops positions outside the image; end-of-line and
// delta codes can move the position anywhere, so this is what keeps hostile
// data inside the pixel area.
struct RleTarget {
    uint8_t* pixels;
    size_t stride;
    int64_t width;
    int64_t height;

    void put(int64_t x, int64_t y, Colour c) {
        if (x < 0 || x >= width || y < 0 || y >= height) return;
        uint8_t* p = pixels + size_t(y) * stride + size_t(x) * 3;
        p[0] = uint8_t(c >> 16);
        p[1] = uint8_t(c >> 8);
        p[2] = uint8_t(c);
    }
};

// Decodes 8-bit (fourBit false) or 4-bit run-length data through the colour
// table. Runs past the row end are clipped; decoding stops at the end code,
// past the top row, or where the data run out. Positions the data never
// reach keep what the target was filled with.
void decodeRle(const uint8_t* src, size_t size, bool fourBit, const std::array<Colour, 256>& palette,
               RleTarget& out) {
    auto nibble = [](uint8_t byte, uint32_t k) { return (k & 1) ? uint8_t(byte & 0x0F) : uint8_t(byte >> 4); };
    size_t i = 0;
    int64_t x = 0, y = 0;
    while (size - i >= 2 && y < out.height) {
        const uint8_t count = src[i];
        const uint8_t code = src[i + 1];
        i += 2;
        if (count > 0) {  // encoded run: one index, or two alternating nibbles
            for (uint32_t k = 0; k < count; ++k)
                out.put(x + k, y, palette[fourBit ? nibble(code, k) : code]);
            x += count;
            continue;
        }
        if (code == 0) {  // end of line
            x = 0;
            ++y;
        } else if (code == 1) {  // end of image
            return;
        } else if (code == 2) {  // delta: right and up
            if (size - i < 2) return;
            x += src[i];
            y += src[i + 1];
            i += 2;
        } else {  // absolute run of `code` pixels, padded to a 16-bit boundary
            const size_t bytes = fourBit ? (size_t(code) + 1) / 2 : code;
            const size_t present = std::min(bytes, size - i);
            const uint32_t pixels = fourBit ? uint32_t(std::min<size_t>(code, present * 2)) : uint32_t(present);
            for (uint32_t k = 0; k < pixels; ++k)
                out.put(x + k, y, palette[fourBit ? nibble(src[i + k / 2], k) : src[i + k]]);
            if (present < bytes) return;
            x += code;
            i += std::min((bytes + 1) & ~size_t(1), size - i);
        }
    }
}

// The image's pixels in the file's own layout (uncompressed and bit fields).
std::vector<uint8_t> readPlainPixels(const Header& h, int32_t rows, const Reader& in) {
    std::vector<uint8_t> pixels = allocatePixels(h.width, rows, h.bitsPerPixel);
    const uint64_t wanted = h.imageSize ? h.imageSize : uint64_t(rowStride(h.width, h.bitsPerPixel)) * rows;
    // A short file loads; whatever its data do not cover stays 0.
    const size_t length = size_t(std::min<uint64_t>({wanted, in.remaining(), pixels.size()}));
    if (length) std::memcpy(pixels.data(), in.data + in.pos, length);
    return pixels;
}

std::vector<uint8_t> decodeRlePixels(const Header& h, int32_t rows, const Reader& in,
                                     const std::array<Colour, 256>& palette) {
    std::vector<uint8_t> pixels = allocatePixels(h.width, rows, 24);
    const size_t stride = rowStride(h.width, 24);
    // Pixels the data skip (deltas, early ends of line, a missing end code)
    // take colour-table entry 0, the usual background of such images.
    const Colour background = palette[0];
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t* p = pixels.data() + size_t(y) * stride;
        for (int32_t x = 0; x < h.width; ++x, p += 3) {
            p[0] = uint8_t(background >> 16);
            p[1] = uint8_t(background >> 8);
            p[2] = uint8_t(background);
        }
    }
    RleTarget target{pixels.data(), stride, h.width, rows};
    decodeRle(in.data + in.pos, in.remaining(), h.compression == kRle4, palette, target);
    return pixels;
}

// Gives s the image of `image` and keeps s's canvas; cannot throw.
void adoptImage(Surface& s, Surface&& image) {
    image.canvas = std::move(s.canvas);
    s = std::move(image);
}

}  // namespace

void loadBitmapBytes(Surface& s, const uint8_t* data, size_t size) {
    if (size == 0) {  // an empty file empties the surface
        adoptImage(s, Surface{});
        return;
    }
    if (isPng(data, size)) {
        adoptImage(s, decodePng(data, size));
        return;
    }
    Reader in{data, size, 0};
    const uint8_t* fileHeader = in.take(kFileHeaderBytes);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') invalidGraphic();
    const uint32_t pixelOffset = le32(fileHeader + kPixelOffsetAt);

    const Header h = readHeader(in);
    if (h.planes != 1) invalidGraphic();

    // Masks follow a 40-byte header only for 16- and 32-bit bit fields; the
    // longer forms carry them inside the header.
    uint32_t masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
    if (h.size == kInfoHeaderBytes && h.compression == kBitFields && (h.bitsPerPixel == 16 || h.bitsPerPixel == 32)) {
        const uint8_t* p = in.take(12);
        for (int i = 0; i < 3; ++i) masks[i] = le32(p + 4 * i);
    }

    // The colour table: colours-used entries, or by default 2, 16 or 256 at
    // 1, 4 or 8 bits and none at any other depth. The whole table must be in
    // the file; entries past 256 cannot be indexed by any pixel and are skipped.
    uint32_t entries = h.coloursUsed;
    if (entries == 0 && (h.bitsPerPixel == 1 || h.bitsPerPixel == 4 || h.bitsPerPixel == 8))
        entries = 1u << h.bitsPerPixel;
    const uint32_t entryBytes = h.size == kCoreHeaderBytes ? 3 : 4;
    const uint8_t* table = in.take(uint64_t(entries) * entryBytes);

    // The image's form is judged only once the masks and the table are read,
    // so a file that ends inside them is a read error whatever its header says.
    if (!depthAllowed(h.bitsPerPixel) || !compressionAllowed(h.compression, h.bitsPerPixel)) invalidGraphic();
    if (h.width <= 0 || h.height == 0) invalidGraphic();
    const bool runLength = h.compression == kRle8 || h.compression == kRle4;
    // Run-length images are bottom-up by definition; a top-down one is malformed.
    if (runLength && h.height < 0) invalidGraphic();
    const uint32_t absHeight = h.height < 0 ? 0u - uint32_t(h.height) : uint32_t(h.height);
    if (absHeight > uint32_t(INT32_MAX)) outOfMemory();  // -2^31 rows cannot be held
    const int32_t rows = int32_t(absHeight);

    Surface image;
    image.width = h.width;
    image.height = rows;
    if (h.compression == kBitFields) {
        image.redMask = masks[0], image.greenMask = masks[1], image.blueMask = masks[2];
    } else if (h.bitsPerPixel == 16) {
        image.redMask = 0x7C00, image.greenMask = 0x03E0, image.blueMask = 0x001F;
    } else if (h.bitsPerPixel == 32) {
        image.redMask = 0xFF0000, image.greenMask = 0xFF00, image.blueMask = 0xFF;
    }
    for (uint32_t e = 0; e < std::min<uint32_t>(entries, 256); ++e) {
        const uint8_t* t = table + size_t(e) * entryBytes;
        image.palette[e] = makeColour(t[2], t[1], t[0]);
    }

    // Pixel data start where the file header says when that lies past the
    // colour table and inside the file (longer headers may leave a gap before
    // them); otherwise right after the table.
    if (pixelOffset > in.pos && pixelOffset < size) in.pos = pixelOffset;

    if (runLength) {
        image.bitsPerPixel = 24;
        image.topDown = false;
        image.redMask = image.greenMask = image.blueMask = 0;
        image.pixels = decodeRlePixels(h, rows, in, image.palette);
    } else {
        image.bitsPerPixel = h.bitsPerPixel;
        image.topDown = h.height < 0;
        image.pixels = readPlainPixels(h, rows, in);
    }
    adoptImage(s, std::move(image));
}

void loadBitmapFile(Surface& s, const std::string& path) {
    std::vector<uint8_t> bytes;
    uint32_t code = 0;
    if (!platform::readFile(path, kMaxFileBytes, bytes, code))
        fail("EFOpenError", "Cannot open file \"" + platform::fullPath(path) + "\". " + platform::errorText(code));
    loadBitmapBytes(s, bytes.data(), bytes.size());
}

}  // namespace vl
