#include "surface/bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>

#include "base/error.h"
#include "platform/platform.h"
#include "support/bmp_writer.h"

namespace vl {
namespace {

using test::BmpFields;
using test::encodeBmp;
using test::packRows;

const std::string kSamples = std::string(VL_TEST_DATA_DIR) + "/bmp-samples/";

Surface loadBytes(const std::vector<uint8_t>& bytes) {
    Surface s;
    loadBitmapBytes(s, bytes.data(), bytes.size());
    return s;
}
Surface load(const BmpFields& fields) { return loadBytes(encodeBmp(fields)); }

std::vector<uint32_t> rampPalette(uint32_t n) {
    std::vector<uint32_t> p;
    for (uint32_t i = 0; i < n; ++i) p.push_back(makeColour(int32_t(i * 7 + 1), int32_t(255 - i), int32_t(i * 3)));
    return p;
}

int channelDiff(Colour a, Colour b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
        worst = std::max(worst, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return worst;
}

// Expected colour of a pixel for the depth-coverage test, from the raw value.
Colour expectedColour(int bits, const std::vector<uint32_t>& palette, uint32_t v) {
    auto widen5 = [](uint32_t c) { return (c << 3) | (c >> 2); };
    switch (bits) {
        case 16: return makeColour(widen5((v >> 10) & 31), widen5((v >> 5) & 31), widen5(v & 31));
        case 24: return v;
        case 32: return makeColour((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
        default: return palette[v];
    }
}

TEST(BmpLoad, UncompressedDepthsKeepFileLayoutInBothRowOrders) {
    const int32_t width = 13, rows = 5;  // odd width: every depth pads its rows
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE("bits " + std::to_string(bits) + (topDown ? " top-down" : " bottom-up"));
            BmpFields fields;
            fields.width = width;
            fields.height = topDown ? -rows : rows;
            fields.bitsPerPixel = uint16_t(bits);
            if (bits <= 8) fields.palette = rampPalette(1u << bits);
            auto value = [bits](int32_t x, int32_t y) -> uint32_t {
                const uint32_t n = uint32_t(x * 3 + y * 5);
                switch (bits) {
                    case 16: return 0x8000 | (n * 2113u % 0x8000);  // top bit belongs to no channel
                    case 24: return makeColour(x * 19, y * 50, x + y);
                    case 32: return 0xAB000000 | (uint32_t(x * 19) << 16) | (uint32_t(y * 50) << 8) | uint32_t(x + y);
                    default: return n % (1u << bits);
                }
            };
            fields.pixels = packRows(width, fields.height, bits, value);
            const Surface s = load(fields);
            EXPECT_EQ(s.width, width);
            EXPECT_EQ(s.height, rows);
            EXPECT_EQ(s.bitsPerPixel, bits);
            EXPECT_EQ(s.topDown, topDown);
            EXPECT_EQ(s.pixels, fields.pixels);
            for (int32_t y = 0; y < rows; ++y)
                for (int32_t x = 0; x < width; ++x)
                    ASSERT_EQ(pixelAt(s, x, y), expectedColour(bits, fields.palette, value(x, y))) << x << "," << y;
        }
    }
}

TEST(BmpLoad, HeaderFormsAndBitFields) {
    // Core header: 16-bit dimensions, 3-byte colour entries.
    BmpFields core;
    core.headerSize = 12;
    core.width = 3, core.height = 2, core.bitsPerPixel = 8;
    core.palette = rampPalette(256);
    core.pixels = packRows(3, 2, 8, [](int32_t x, int32_t y) { return uint32_t(250 + x + 3 * y) % 256; });
    Surface s = load(core);
    EXPECT_EQ(s.width, 3);
    EXPECT_EQ(s.height, 2);
    EXPECT_EQ(s.palette[255], core.palette[255]);
    EXPECT_EQ(pixelAt(s, 2, 1), core.palette[255]);
    EXPECT_EQ(pixelAt(s, 0, 0), core.palette[250]);

    auto rgb565 = [](int32_t x, int32_t y) { return uint32_t((31 - x) << 11 | (y * 9) << 5 | x); };
    for (uint32_t headerSize : {40u, 52u, 56u, 108u, 124u}) {
        SCOPED_TRACE("header " + std::to_string(headerSize));
        BmpFields bf;
        bf.headerSize = headerSize;
        bf.width = 4, bf.height = 7, bf.bitsPerPixel = 16, bf.compression = 3;
        bf.masks = {0xF800, 0x07E0, 0x001F};
        bf.pixels = packRows(4, 7, 16, rgb565);
        s = load(bf);
        EXPECT_EQ(s.redMask, 0xF800u);
        EXPECT_EQ(s.greenMask, 0x07E0u);
        EXPECT_EQ(s.blueMask, 0x001Fu);
        EXPECT_EQ(pixelAt(s, 0, 0), makeColour(255, 0, 0));
        EXPECT_EQ(pixelAt(s, 3, 6), makeColour((28 << 3) | (28 >> 2), (54 << 2) | (54 >> 4), (3 << 3) | 0));

        // Without bit fields the header's masks are not used: 5-5-5.
        bf.compression = 0;
        s = load(bf);
        EXPECT_EQ(s.redMask, 0x7C00u);
        EXPECT_EQ(s.greenMask, 0x03E0u);

        // An 8-bit image behind the same header with a short colour table.
        BmpFields pal;
        pal.headerSize = headerSize;
        pal.width = 2, pal.height = 2, pal.bitsPerPixel = 8;
        pal.palette = {0x00000011, 0x00002200, 0x00330000};
        pal.pixels = packRows(2, 2, 8, [](int32_t x, int32_t y) { return uint32_t(x + y); });
        s = load(pal);
        EXPECT_EQ(pixelAt(s, 1, 1), 0x00330000u);
        EXPECT_EQ(pixelAt(s, 1, 0), 0x00002200u);
    }

    // 32-bit bit fields with the channels in an unusual order.
    BmpFields b32;
    b32.width = 2, b32.height = 1, b32.bitsPerPixel = 32, b32.compression = 3;
    b32.masks = {0xFF000000, 0x00000FF0, 0x00FF0000};
    b32.pixels = packRows(2, 1, 32, [](int32_t x, int32_t) { return x ? 0x12345670u : 0xFF00000Fu; });
    s = load(b32);
    EXPECT_EQ(pixelAt(s, 0, 0), makeColour(0xFF, 0, 0));
    EXPECT_EQ(pixelAt(s, 1, 0), makeColour(0x12, 0x67, 0x34));
}

// A 24-bit reading of an 8-bit palette image, for the run-length tests.
std::vector<uint32_t> rlePalette() {
    std::vector<uint32_t> p(16);
    for (uint32_t i = 0; i < 16; ++i) p[i] = makeColour(int32_t(i * 16), int32_t(i), int32_t(200 - i));
    return p;
}

// rows[yFromBottom] is a string of hex digits, one colour-table index a pixel.
void expectIndexes(const Surface& s, const std::vector<uint32_t>& palette, const std::vector<std::string>& rows) {
    ASSERT_EQ(s.bitsPerPixel, 24);
    ASSERT_FALSE(s.topDown);
    ASSERT_EQ(size_t(s.height), rows.size());
    for (size_t yb = 0; yb < rows.size(); ++yb)
        for (int32_t x = 0; x < s.width; ++x) {
            const uint32_t index = uint32_t(std::stoi(rows[yb].substr(x, 1), nullptr, 16));
            EXPECT_EQ(pixelAt(s, x, s.height - 1 - int32_t(yb)), palette[index]) << "x " << x << " row " << yb;
        }
}

BmpFields rleFile(int32_t width, int32_t height, int bits, std::vector<uint8_t> codes) {
    BmpFields fields;
    fields.width = width, fields.height = height, fields.bitsPerPixel = uint16_t(bits);
    fields.compression = bits == 8 ? 1 : 2;
    fields.palette = rlePalette();
    fields.pixels = std::move(codes);
    return fields;
}

TEST(BmpLoad, RunLengthDecodesRunsAbsoluteDeltasAndEndCodes) {
    const std::vector<uint32_t> pal = rlePalette();
    // Skipped pixels (delta, early end of line, image end) take entry 0.
    Surface s = load(rleFile(6, 4, 8,
                             {3, 1, 0, 3, 2, 3, 4, 0, 0, 0,  // run, absolute (padded), end of line
                              2, 5, 0, 2, 1, 1,              // run, delta right 1 up 1
                              1, 6, 0, 0,                    // run, end of line
                              0, 1}));                       // end of image
    expectIndexes(s, pal, {"111234", "550000", "000600", "000000"});

    s = load(rleFile(7, 3, 4,
                     {5, 0x12, 0, 0,                        // 1 2 1 2 1
                      0, 3, 0x34, 0x50,                     // absolute 3, no pad
                      0, 5, 0x67, 0x89, 0xA0, 0,            // absolute 5, one pad byte; 'A' is past the row
                      0, 0, 0, 2, 3, 0, 1, 0xF0, 0, 1}));   // delta right 3, single F, end
    expectIndexes(s, pal, {"1212100", "3456789", "000F000"});
}

TEST(BmpLoad, MalformedRunLengthStaysInsideTheImage) {
    const std::vector<uint32_t> pal = rlePalette();
    // A run past the row end is clipped, not wrapped. Rows of 4 pixels have
    // no padding, so the next row's first pixel is the very next byte.
    expectIndexes(load(rleFile(5, 2, 8, {255, 1, 0, 0, 2, 2, 0, 1})), pal, {"11111", "22000"});
    expectIndexes(load(rleFile(5, 2, 4, {255, 0x12, 0, 0, 2, 0x33})), pal, {"12121", "33000"});
    expectIndexes(load(rleFile(4, 2, 8, {255, 1, 0, 1})), pal, {"1111", "0000"});
    expectIndexes(load(rleFile(4, 2, 4, {255, 0x12, 0, 1})), pal, {"1212", "0000"});
    // A delta past the top, or far to the right, stops or drops the writes.
    expectIndexes(load(rleFile(3, 2, 8, {1, 3, 0, 2, 255, 255, 5, 4})), pal, {"300", "000"});
    std::vector<uint8_t> far;
    for (int i = 0; i < 5000; ++i) far.insert(far.end(), {0, 2, 255, 0});
    far.insert(far.end(), {9, 9, 0, 0, 1, 7});
    expectIndexes(load(rleFile(3, 2, 8, far)), pal, {"000", "700"});
    // A missing end code, a dangling byte, an absolute run cut short.
    expectIndexes(load(rleFile(3, 2, 8, {2, 4})), pal, {"440", "000"});
    expectIndexes(load(rleFile(3, 2, 8, {2, 4, 0})), pal, {"440", "000"});
    expectIndexes(load(rleFile(4, 1, 8, {0, 40, 5, 6})), pal, {"5600"});
    expectIndexes(load(rleFile(4, 1, 4, {0, 40, 0x56, 0x70})), pal, {"5670"});
    expectIndexes(load(rleFile(4, 1, 8, {0, 2, 3})), pal, {"0000"});
    // Indexes past the colour table read unused entries as 0.
    Surface s = load(rleFile(2, 1, 8, {2, 200, 0, 1}));
    EXPECT_EQ(pixelAt(s, 1, 0), 0u);

    // Run-length rows are bottom-up by definition.
    try {
        load(rleFile(2, -2, 8, {2, 1, 0, 1}));
        ADD_FAILURE() << "top-down run-length image loaded";
    } catch (const Error& e) {
        EXPECT_EQ(e.className, "EInvalidGraphic");
    }
}

TEST(BmpLoad, ColourTableSizes) {
    // Colours used 0 at 8 bits reads a full 1024-byte table; the offset field is
    // 0 so the pixels' place depends on the table's size alone.
    BmpFields full;
    full.width = 2, full.height = 1, full.bitsPerPixel = 8;
    full.palette = rampPalette(256);
    full.coloursUsed = 0;
    full.pixelOffset = 0;
    full.pixels = {255, 1, 0, 0};
    Surface s = load(full);
    EXPECT_EQ(pixelAt(s, 0, 0), full.palette[255]);
    EXPECT_EQ(pixelAt(s, 1, 0), full.palette[1]);

    // A 24-bit image has no table by default.
    BmpFields rgb;
    rgb.width = 1, rgb.height = 1, rgb.pixelOffset = 0;
    rgb.pixels = {0x30, 0x20, 0x10, 0};
    EXPECT_EQ(pixelAt(load(rgb), 0, 0), 0x00302010u);

    // More than 256 entries: the first 256 are kept, the rest skipped.
    BmpFields big = full;
    big.palette = rampPalette(300);
    big.coloursUsed = 300;
    s = load(big);
    EXPECT_EQ(pixelAt(s, 0, 0), big.palette[255]);
    EXPECT_EQ(pixelAt(s, 1, 0), big.palette[1]);

    // A core header's table defaults to 2^bits entries of 3 bytes.
    BmpFields core;
    core.headerSize = 12;
    core.width = 9, core.height = 1, core.bitsPerPixel = 1;
    core.palette = {0x00010203, 0x00A0B0C0};
    core.pixelOffset = 0;
    core.pixels = {0x80, 0x80, 0, 0};
    s = load(core);
    EXPECT_EQ(pixelAt(s, 0, 0), 0x00A0B0C0u);
    EXPECT_EQ(pixelAt(s, 1, 0), 0x00010203u);
    EXPECT_EQ(pixelAt(s, 8, 0), 0x00A0B0C0u);

    // An index past a short table reads an unused entry.
    BmpFields shortTable;
    shortTable.width = 1, shortTable.height = 1, shortTable.bitsPerPixel = 8;
    shortTable.palette = {0x00FFFFFF, 0x00808080};
    shortTable.pixels = {200, 0, 0, 0};
    EXPECT_EQ(pixelAt(load(shortTable), 0, 0), 0u);
}

TEST(BmpLoad, PixelDataOffset) {
    BmpFields fields;
    fields.width = 2, fields.height = 1, fields.bitsPerPixel = 8;
    fields.palette = rampPalette(256);
    fields.gap = 6;
    fields.pixels = {3, 4, 0, 0};
    // Honoured when it lies past the colour table.
    Surface s = load(fields);
    EXPECT_EQ(pixelAt(s, 0, 0), fields.palette[3]);
    EXPECT_EQ(pixelAt(s, 1, 0), fields.palette[4]);
    // Not usable (absent, inside the table, past the file): the pixels follow the table.
    for (uint32_t offset : {0u, 60u, 100000u}) {
        fields.pixelOffset = offset;
        s = load(fields);
        EXPECT_EQ(pixelAt(s, 0, 0), fields.palette[fields.gapByte]) << offset;
    }
}

// Files that end, or point their pixel data, exactly at a boundary. Each
// image is 2 x 1; the two colours are what its pixels read.
TEST(BmpLoad, DataEndingExactlyAtABoundary) {
    const std::vector<uint32_t> ramp = rampPalette(256);
    auto image = [](int bits, uint32_t compression, std::vector<uint32_t> palette, std::vector<uint8_t> pixels) {
        BmpFields f;
        f.width = 2, f.bitsPerPixel = uint16_t(bits), f.compression = compression;
        f.masks = {0xF800, 0x07E0, 0x001F};
        f.palette = std::move(palette);
        f.pixels = std::move(pixels);
        return f;
    };
    auto withOffset = [](BmpFields f, int64_t fromEnd) {
        f.pixelOffset = uint32_t(int64_t(encodeBmp(f).size()) + fromEnd);
        return f;
    };
    const struct {
        const char* name;
        BmpFields fields;
        Colour left, right;
    } cases[] = {
        {"no pixel data after the colour table", image(8, 0, ramp, {}), ramp[0], ramp[0]},
        {"no pixel data after the header", image(24, 0, {}, {}), 0, 0},
        {"no pixel data after the masks", image(16, 3, {}, {}), 0, 0},
        {"no run-length data after the colour table", image(8, 1, rlePalette(), {}), rlePalette()[0],
         rlePalette()[0]},
        {"pixel offset at the end of the file", withOffset(image(8, 0, ramp, {3, 4, 0, 0}), 0), ramp[3], ramp[4]},
        {"pixel offset at the last byte", withOffset(image(8, 0, ramp, {3, 4, 0, 5}), -1), ramp[5], ramp[0]},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Surface s = load(c.fields);
        EXPECT_EQ(pixelAt(s, 0, 0), c.left);
        EXPECT_EQ(pixelAt(s, 1, 0), c.right);
    }
}

TEST(BmpLoad, EmptyAndShortFiles) {
    Surface s = load([] {
        BmpFields fields;
        fields.width = 2, fields.height = 2;
        fields.pixels = packRows(2, 2, 24, [](int32_t, int32_t) { return 0x00102030u; });
        return fields;
    }());
    s.canvas.brushColor = 0x00ABCDEF;
    loadBitmapBytes(s, nullptr, 0);
    EXPECT_EQ(s.width, 0);
    EXPECT_EQ(s.height, 0);
    EXPECT_TRUE(s.pixels.empty());
    EXPECT_TRUE(isEmpty(s));
    EXPECT_EQ(s.canvas.brushColor, 0x00ABCDEFu);  // the canvas stays
    EXPECT_EQ(pixelAt(s, 0, 0), kOutsideImage);

    // Data for the bottom row only: the rest reads 0. The image-size field
    // claims more than the file and the image hold.
    BmpFields part;
    part.width = 3, part.height = 2;
    part.imageSize = 0x7F000000;
    part.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0};
    s = load(part);
    EXPECT_EQ(s.pixels.size(), 24u);
    EXPECT_EQ(pixelAt(s, 0, 1), 0x00010203u);
    EXPECT_EQ(pixelAt(s, 2, 1), 0x00070809u);
    EXPECT_EQ(pixelAt(s, 0, 0), 0u);
    // A small image-size field limits the data taken.
    part.imageSize = 4;
    s = load(part);
    EXPECT_EQ(pixelAt(s, 1, 1), 0x00040000u);
}

// Every failure raises its class and message and leaves the surface as it was.
TEST(BmpLoad, ErrorsLeaveTheSurfaceUnchanged) {
    BmpFields good;
    good.width = 3, good.height = 2, good.bitsPerPixel = 8;
    good.palette = rampPalette(256);
    good.pixels = packRows(3, 2, 8, [](int32_t x, int32_t y) { return uint32_t(x * 10 + y); });
    const std::vector<uint8_t> valid = encodeBmp(good);

    auto variant = [&](auto change) {
        BmpFields fields = good;
        change(fields);
        return encodeBmp(fields);
    };
    auto cut = [](std::vector<uint8_t> bytes, size_t size) {
        bytes.resize(size);
        return bytes;
    };
    auto patch32 = [](std::vector<uint8_t> bytes, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(v >> (8 * i));
        return bytes;
    };
    const std::string oom =
        "System Error.  Code: 8.\r\nNot enough memory resources are available to process this command";
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        const char* cls;
        std::string message;
    };
    const std::string readErr = "Stream read error", invalid = "Bitmap image is not valid";
    std::vector<Case> cases = {
        {"10 bytes", cut(valid, 10), "EReadError", readErr},
        {"no header size", cut(valid, 16), "EReadError", readErr},
        {"inside info header", cut(valid, 30), "EReadError", readErr},
        {"inside colour table", cut(valid, 54 + 1000), "EReadError", readErr},
        {"not BM", [&] { auto b = valid; b[1] = 'A'; return b; }(), "EInvalidGraphic", invalid},
        {"planes 2", variant([](BmpFields& s) { s.planes = 2; }), "EInvalidGraphic", invalid},
        {"header 20", variant([](BmpFields& s) { s.headerSize = 20; }), "EInvalidGraphic", invalid},
        {"header huge", patch32(valid, 14, 0xFFFFFFF0), "EReadError", readErr},
        // No default colour table at a depth other than 1, 4 or 8: none is read.
        {"bits 2, no colours used", variant([](BmpFields& s) { s.bitsPerPixel = 2, s.palette.clear(); }),
         "EInvalidGraphic", invalid},
        {"colours used huge", variant([](BmpFields& s) { s.coloursUsed = 0xFFFFFFFF; }), "EReadError", readErr},
        {"masks cut", cut(variant([](BmpFields& s) {
                              s.bitsPerPixel = 16, s.compression = 3, s.palette.clear();
                          }), 60), "EReadError", readErr},
        {"width 0, masks cut", cut(variant([](BmpFields& s) {
                                       s.bitsPerPixel = 16, s.compression = 3, s.palette.clear(), s.width = 0;
                                   }), 60), "EReadError", readErr},
        {"huge", variant([](BmpFields& s) { s.width = 3000000, s.height = 2000000, s.bitsPerPixel = 24, s.palette.clear(); }),
         "EOSError", oom},
        {"wide 32-bit row", variant([](BmpFields& s) { s.width = 0x40000000, s.height = 1, s.bitsPerPixel = 32, s.palette.clear(); }),
         "EOSError", oom},
        {"just over the cap", variant([](BmpFields& s) { s.width = 16384, s.height = 16385, s.bitsPerPixel = 8; }),
         "EOSError", oom},
        {"huge run-length", variant([](BmpFields& s) { s.width = 60000, s.height = 60000, s.compression = 1; }),
         "EOSError", oom},
    };
    // Faults of the header's form are judged after the colour table is read:
    // the same file cut inside its table fails to read instead.
    const struct {
        const char* name;
        void (*change)(BmpFields&);
        const char* cls;
        std::string message;
    } headerFaults[] = {
        {"bits 2", [](BmpFields& s) { s.bitsPerPixel = 2; }, "EInvalidGraphic", invalid},
        {"bits 0", [](BmpFields& s) { s.bitsPerPixel = 0; }, "EInvalidGraphic", invalid},
        {"compression 4", [](BmpFields& s) { s.compression = 4; }, "EInvalidGraphic", invalid},
        {"bit fields at 8", [](BmpFields& s) { s.compression = 3; }, "EInvalidGraphic", invalid},
        {"rle4 at 8", [](BmpFields& s) { s.compression = 2; }, "EInvalidGraphic", invalid},
        {"rle8 at 4", [](BmpFields& s) { s.bitsPerPixel = 4, s.compression = 1; }, "EInvalidGraphic", invalid},
        {"width 0", [](BmpFields& s) { s.width = 0; }, "EInvalidGraphic", invalid},
        {"width -3", [](BmpFields& s) { s.width = -3; }, "EInvalidGraphic", invalid},
        {"height 0", [](BmpFields& s) { s.height = 0; }, "EInvalidGraphic", invalid},
        {"top-down rle8", [](BmpFields& s) { s.height = -2, s.compression = 1; }, "EInvalidGraphic", invalid},
        {"lowest height", [](BmpFields& s) { s.height = INT32_MIN; }, "EOSError", oom},
    };
    for (const auto& f : headerFaults) {
        cases.push_back({f.name, variant(f.change), f.cls, f.message});
        cases.push_back({std::string(f.name) + ", colour table cut", cut(variant(f.change), 54 + 1000), "EReadError",
                         readErr});
    }

    Surface s = loadBytes(valid);
    s.canvas.brushColor = 0x00010203;
    const Surface before = s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            loadBitmapBytes(s, c.bytes.data(), c.bytes.size());
            ADD_FAILURE() << "loaded";
        } catch (const Error& e) {
            EXPECT_EQ(e.className, c.cls);
            EXPECT_EQ(e.message, c.message);
        }
        EXPECT_EQ(s.width, before.width);
        EXPECT_EQ(s.height, before.height);
        EXPECT_EQ(s.bitsPerPixel, before.bitsPerPixel);
        EXPECT_EQ(s.pixels, before.pixels);
        EXPECT_EQ(s.palette, before.palette);
        EXPECT_EQ(s.canvas.brushColor, before.canvas.brushColor);
    }
    // A new surface stays empty.
    Surface fresh;
    EXPECT_THROW(loadBitmapBytes(fresh, valid.data(), 10), Error);
    EXPECT_TRUE(isEmpty(fresh));
}

TEST(BmpLoad, FromFile) {
    const std::string dir = ::testing::TempDir();
    BmpFields fields;
    fields.width = 2, fields.height = 2;
    fields.pixels = packRows(2, 2, 24, [](int32_t x, int32_t y) { return makeColour(x, y, 7); });
    const std::string path = dir + "/vl_bmp_from_file.bmp";
    test::writeBmpFile(path, fields);
    Surface s;
    loadBitmapFile(s, path);
    EXPECT_EQ(pixelAt(s, 1, 0), makeColour(1, 0, 7));
    EXPECT_EQ(pixelAt(s, 0, 1), makeColour(0, 1, 7));
    std::remove(path.c_str());

    const std::string missing = "no-such-dir/missing.bmp";
    try {
        loadBitmapFile(s, missing);
        ADD_FAILURE() << "missing file loaded";
    } catch (const Error& e) {
        EXPECT_EQ(e.className, "EFOpenError");
        const std::string full = platform::fullPath(missing);
        EXPECT_TRUE(std::filesystem::path(full).is_absolute()) << full;
        EXPECT_EQ(e.message.rfind("Cannot open file \"" + full + "\". ", 0), 0u) << e.message;
        EXPECT_GT(e.message.size(), full.size() + 20);  // the platform's text follows
    }
    EXPECT_EQ(pixelAt(s, 1, 0), makeColour(1, 0, 7));
}

Surface loadSample(const std::string& name) {
    Surface s;
    loadBitmapFile(s, kSamples + name);
    return s;
}

struct Diff {
    int worst = 0;
    double mean = 0;
};
// Largest and mean channel difference of two equally sized images.
Diff compare(const Surface& a, const Surface& b) {
    Diff d;
    long total = 0;
    for (int32_t y = 0; y < a.height; ++y)
        for (int32_t x = 0; x < a.width; ++x) {
            const int diff = channelDiff(pixelAt(a, x, y), pixelAt(b, x, y));
            d.worst = std::max(d.worst, diff);
            total += diff;
        }
    d.mean = double(total) / (double(a.width) * a.height);
    return d;
}

TEST(BmpSamples, GoodFilesShowTheSamePicture) {
    const Surface reference = loadSample("g/rgb24.bmp");
    ASSERT_EQ(reference.width, 127);
    ASSERT_EQ(reference.height, 64);
    // Largest and mean channel difference from the 24-bit picture: exact
    // copies, 5- and 6-bit channels, and the dithered 252-colour palette forms
    // (whose mean differs by about 21; a flipped or misread image by far more).
    struct Tolerance {
        int worst;
        double mean;
    };
    const Tolerance exact{0, 0}, fiveBit{7, 2.5}, dithered{64, 24};
    const std::map<std::string, Tolerance> sameAsRgb24 = {
        {"rgb24pal.bmp", exact}, {"rgb32.bmp", exact}, {"rgb32bf.bmp", exact}, {"rgb32bfdef.bmp", exact},
        {"rgb16.bmp", fiveBit}, {"rgb16bfdef.bmp", fiveBit}, {"rgb16-565.bmp", fiveBit},
        {"rgb16-565pal.bmp", fiveBit}, {"pal8.bmp", dithered}, {"pal8-0.bmp", dithered},
        {"pal8os2.bmp", dithered}, {"pal8rle.bmp", dithered}, {"pal8topdown.bmp", dithered},
        {"pal8v4.bmp", dithered}, {"pal8v5.bmp", dithered},
    };
    for (const auto& [name, tolerance] : sameAsRgb24) {
        SCOPED_TRACE(name);
        const Surface s = loadSample("g/" + name);
        ASSERT_EQ(s.width, 127);
        ASSERT_EQ(s.height, 64);
        const Diff d = compare(s, reference);
        EXPECT_LE(d.worst, tolerance.worst);
        EXPECT_LE(d.mean, tolerance.mean);
    }
    // A flipped picture is far off, so the tolerances above still catch row order.
    Surface flipped = loadSample("g/pal8.bmp");
    flipped.topDown = !flipped.topDown;
    EXPECT_GT(compare(flipped, reference).mean, dithered.mean * 1.5);

    // Forms of one palette image agree exactly.
    const Surface pal8 = loadSample("g/pal8.bmp");
    for (const char* name : {"pal8-0.bmp", "pal8os2.bmp", "pal8rle.bmp", "pal8topdown.bmp", "pal8v4.bmp", "pal8v5.bmp"})
        EXPECT_EQ(compare(loadSample(std::string("g/") + name), pal8).worst, 0) << name;
    EXPECT_EQ(compare(loadSample("g/pal4rle.bmp"), loadSample("g/pal4.bmp")).worst, 0);

    // The rest load with their own sizes.
    const std::map<std::string, std::pair<int32_t, int32_t>> sizes = {
        {"pal1.bmp", {127, 64}}, {"pal1bg.bmp", {127, 64}}, {"pal1wb.bmp", {127, 64}},
        {"pal4.bmp", {127, 64}}, {"pal4gs.bmp", {127, 64}}, {"pal8gs.bmp", {127, 64}},
        {"pal8nonsquare.bmp", {127, 32}}, {"pal8w124.bmp", {124, 61}}, {"pal8w125.bmp", {125, 62}},
        {"pal8w126.bmp", {126, 63}}, {"pal4rle.bmp", {127, 64}},
    };
    for (const auto& [name, size] : sizes) {
        const Surface s = loadSample("g/" + name);
        EXPECT_EQ(s.width, size.first) << name;
        EXPECT_EQ(s.height, size.second) << name;
    }
    EXPECT_EQ(sameAsRgb24.size() + sizes.size() + 1, size_t(std::distance(
        std::filesystem::directory_iterator(kSamples + "g"), std::filesystem::directory_iterator())));
}

TEST(BmpSamples, BadFilesLoadOrFailCleanly) {
    // Files we reject, and how; every other one loads with what it holds.
    const std::map<std::string, std::string> rejected = {
        {"badbitcount.bmp", "EInvalidGraphic"}, {"badpalettesize.bmp", "EReadError"},
        {"badplanes.bmp", "EInvalidGraphic"},   {"badwidth.bmp", "EInvalidGraphic"},
        {"reallybig.bmp", "EOSError"},          {"rletopdown.bmp", "EInvalidGraphic"},
    };
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSamples + "b")) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ++files;
        std::string cls;
        Surface s;
        try {
            loadBitmapFile(s, entry.path().string());
            for (int32_t y = 0; y < s.height; ++y)
                for (int32_t x = 0; x < s.width; ++x) ASSERT_NE(pixelAt(s, x, y), kOutsideImage);
        } catch (const Error& e) {
            cls = e.className;
            EXPECT_TRUE(isEmpty(s));
        }
        const auto it = rejected.find(name);
        EXPECT_EQ(cls, it == rejected.end() ? "" : it->second);
    }
    EXPECT_EQ(files, 20);
}

}  // namespace
}  // namespace vl
