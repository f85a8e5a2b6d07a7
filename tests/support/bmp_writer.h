#pragma once
// Builds BMP files for tests, field by field, so a test can make any header
// form, depth or compression, and break whichever field it wants to.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vl::test {

struct BmpFields {
    int32_t width = 1;
    int32_t height = 1;          // negative: rows stored top-down
    uint16_t planes = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;    // 0 none, 1 RLE8, 2 RLE4, 3 bit fields, or anything
    // 12 writes a core header (16-bit width and height, 3-byte colour entries);
    // any other value an info header of that many bytes, zero past the fields
    // it knows.
    uint32_t headerSize = 40;
    // Colour-table entries as 0x00BBGGRR, written blue, green, red (, 0).
    std::vector<uint32_t> palette;
    // The colours-used field; by default the palette's size.
    std::optional<uint32_t> coloursUsed;
    uint32_t imageSize = 0;      // the image-size field
    // Red, green, blue masks: inside headers of 52 bytes or more (always), or
    // as 12 bytes after a 40-byte header when compression is 3.
    std::array<uint32_t, 3> masks{};
    // Bytes of gapByte between the colour table and the pixel data; the offset
    // field points past them unless pixelOffset overrides it.
    size_t gap = 0;
    uint8_t gapByte = 0xA5;
    std::optional<uint32_t> pixelOffset;
    // The pixel data exactly as stored: padded rows (see packRows) or
    // run-length codes.
    std::vector<uint8_t> pixels;
};

// The whole file.
std::vector<uint8_t> encodeBmp(const BmpFields& fields);

// Stored rows of a width x |height| image at 1, 4, 8, 16, 24 or 32 bits per
// pixel, padded to 4 bytes, bottom-up for a positive height and top-down for
// a negative one. value(x, y), y counted from the top, gives a colour-table
// index (up to 8 bits), the raw 16- or 32-bit value, or a 0x00BBGGRR colour
// (24 bits).
std::vector<uint8_t> packRows(int32_t width, int32_t height, int bitsPerPixel,
                              const std::function<uint32_t(int32_t x, int32_t y)>& value);

// Writes bytes to a file, replacing it; throws std::runtime_error on failure.
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
inline void writeBmpFile(const std::string& path, const BmpFields& fields) { writeFile(path, encodeBmp(fields)); }

// Reads a whole file; throws std::runtime_error on failure.
std::vector<uint8_t> readWholeFile(const std::string& path);

}  // namespace vl::test
