#pragma once
// Builds PNG files for tests with our own encoder: any colour type, bit
// depth, palette, tRNS chunk and Adam7 interlacing, the image data deflated
// by a run-length coder of our own, so no compression library is involved.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vl::test {

struct PngFields {
    uint32_t width = 1;
    uint32_t height = 1;
    uint8_t bitDepth = 8;    // 1, 2, 4, 8 or 16 (or anything, to break it)
    uint8_t colourType = 6;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    bool interlaced = false;
    std::vector<std::array<uint8_t, 3>> palette;  // PLTE entries, red, green, blue
    // The tRNS chunk's body as written: alpha per palette entry, or one
    // (grey) or three (RGB) big-endian 16-bit sample values. Empty: no chunk.
    std::vector<uint8_t> transparency;
    // The samples of pixel (x, y), y from the top, in the file's channel
    // order at its bit depth (a palette index for colour type 3).
    std::function<std::array<uint16_t, 4>(uint32_t x, uint32_t y)> samples;
};

// The whole file: signature, IHDR, PLTE, tRNS, one IDAT, IEND.
std::vector<uint8_t> encodePng(const PngFields& fields);

// One chunk: length, type, body, CRC.
std::vector<uint8_t> pngChunk(const char type[4], const std::vector<uint8_t>& body);
// The 8-byte signature followed by an IHDR chunk.
std::vector<uint8_t> pngStart(const PngFields& fields);
// A zlib stream of the bytes: one fixed-code deflate block in which runs of
// a repeated byte are matches at distance 1.
std::vector<uint8_t> zlibRunLength(const std::vector<uint8_t>& data);
// Channels per pixel of a colour type (1 for palette indexes).
int pngChannels(uint8_t colourType);

}  // namespace vl::test
