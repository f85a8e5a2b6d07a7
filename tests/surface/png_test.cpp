// PNG files against BMP files of the same image: every colour type and bit
// depth, tRNS, interlacing, the alpha rule, and the errors.
#include "surface/png.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "base/error.h"
#include "surface/bmp.h"
#include "support/bmp_writer.h"
#include "support/native_api.h"
#include "support/png_scene.h"
#include "support/png_writer.h"

namespace vl {
namespace {

using test::PngFields;
using Samples = std::array<uint16_t, 4>;

constexpr uint32_t kWidth = 13, kHeight = 11;  // odd: packed rows end mid-byte, Adam7 passes are ragged

Surface loadBytes(const std::vector<uint8_t>& bytes) {
    Surface s;
    loadBitmapBytes(s, bytes.data(), bytes.size());
    return s;
}

std::string errorOf(const std::vector<uint8_t>& bytes) {
    try {
        loadBytes(bytes);
    } catch (const Error& e) {
        return e.className + ": " + e.message;
    }
    return "no error";
}

struct Case {
    const char* name;
    uint8_t colourType;
    uint8_t bitDepth;
    bool tRNS;
    bool interlaced;
};

// Samples of many bit patterns, varying by pixel and channel.
uint16_t noise(uint32_t x, uint32_t y, int c, uint8_t depth) {
    const uint32_t h = (x * 73856093u) ^ (y * 19349663u) ^ (uint32_t(c + 1) * 83492791u);
    return uint16_t((h ^ (h >> 13)) & ((1u << depth) - 1));
}
// A sample in 8 bits: low depths scaled up to 0..255, 16 bits cut to their high byte.
int to8(uint16_t v, uint8_t depth) { return depth == 16 ? v >> 8 : v * (255 / ((1 << depth) - 1)); }

// A PNG of the case and the colour each of its pixels must load as. Alpha
// samples lie on both sides of 128; tRNS keys recur, and at 16 bits a near
// miss differs from the key only in a low byte.
struct Image {
    PngFields png;
    std::function<Colour(uint32_t x, uint32_t y)> expected;
};

Image makeImage(const Case& k) {
    const uint8_t d = k.bitDepth;
    const int channels = test::pngChannels(k.colourType);
    const uint16_t top = uint16_t((1u << d) - 1);
    const Samples alphas = d == 16 ? Samples{0x7FFF, 0x8000, 0, 0xFFFF} : Samples{127, 128, 0, 255};
    const Samples key = {uint16_t(top / 3), uint16_t(top / 2), uint16_t(top / 5), 0};
    Samples nearMiss = key;
    nearMiss[0] ^= 1, nearMiss[2] ^= 1;
    const bool keyed = k.tRNS && k.colourType != 3;

    Image im;
    PngFields& f = im.png;
    f.width = kWidth;
    f.height = kHeight;
    f.colourType = k.colourType;
    f.bitDepth = d;
    f.interlaced = k.interlaced;
    if (k.colourType == 3) {
        for (uint32_t i = 0; i <= top; ++i) f.palette.push_back({uint8_t(i * 37 + 5), uint8_t(255 - i * 11), uint8_t(i * 91)});
        if (k.tRNS) f.transparency.assign({127, 128, 0, 255, 64}), f.transparency.resize(std::min<size_t>(5, top + 1));
    } else if (keyed) {
        for (int c = 0; c < channels; ++c) {
            f.transparency.push_back(uint8_t(key[size_t(c)] >> 8));
            f.transparency.push_back(uint8_t(key[size_t(c)]));
        }
    }
    f.samples = [=](uint32_t x, uint32_t y) {
        Samples s{};
        for (int c = 0; c < channels; ++c) s[size_t(c)] = noise(x, y, c, d);
        if (k.colourType == 4 || k.colourType == 6) s[size_t(channels - 1)] = alphas[(x + y) % 4];
        if (keyed && (x + 2 * y) % 5 == 0) s = key;
        if (keyed && (x + 2 * y) % 5 == 1) s = nearMiss;
        return s;
    };
    im.expected = [=, png = f](uint32_t x, uint32_t y) {
        const Samples s = png.samples(x, y);
        int r = to8(s[0], d), g = r, b = r, a = 255;
        if (k.colourType == 2 || k.colourType == 6) g = to8(s[1], d), b = to8(s[2], d);
        if (k.colourType == 4 || k.colourType == 6) a = to8(s[size_t(channels - 1)], d);
        if (k.colourType == 3) {
            r = png.palette[s[0]][0], g = png.palette[s[0]][1], b = png.palette[s[0]][2];
            if (s[0] < png.transparency.size()) a = png.transparency[s[0]];
        }
        if (keyed && std::equal(s.begin(), s.begin() + channels, key.begin())) a = 0;
        return a < 128 ? Colour(0) : makeColour(r, g, b);
    };
    return im;
}

const Case kCases[] = {
    {"grey 1", 0, 1, false, false},        {"grey 2", 0, 2, false, false},
    {"grey 4", 0, 4, false, false},        {"grey 8", 0, 8, false, false},
    {"grey 16", 0, 16, false, false},      {"grey 2 tRNS", 0, 2, true, false},
    {"grey 8 tRNS", 0, 8, true, false},    {"grey 16 tRNS", 0, 16, true, false},
    {"grey+alpha 8", 4, 8, false, false},  {"grey+alpha 16", 4, 16, false, false},
    {"palette 1", 3, 1, false, false},     {"palette 2", 3, 2, false, false},
    {"palette 4", 3, 4, false, false},     {"palette 8", 3, 8, false, false},
    {"palette 1 tRNS", 3, 1, true, false}, {"palette 2 tRNS", 3, 2, true, false},
    {"palette 4 tRNS", 3, 4, true, false}, {"palette 8 tRNS", 3, 8, true, false},
    {"RGB 8", 2, 8, false, false},         {"RGB 16", 2, 16, false, false},
    {"RGB 8 tRNS", 2, 8, true, false},     {"RGB 16 tRNS", 2, 16, true, false},
    {"RGBA 8", 6, 8, false, false},        {"RGBA 16", 6, 16, false, false},
    {"interlaced grey 1", 0, 1, false, true}, {"interlaced palette 4 tRNS", 3, 4, true, true},
    {"interlaced RGB 16 tRNS", 2, 16, true, true}, {"interlaced RGBA 8", 6, 8, false, true},
};

// Where the PNG's loaded image differs from the BMP of the expected colours;
// empty when it does not.
std::string differenceFromBmp(const PngFields& f, const std::function<Colour(uint32_t, uint32_t)>& expected) {
    const Surface png = loadBytes(test::encodePng(f));
    test::BmpFields bmp;
    bmp.width = int32_t(f.width);
    bmp.height = int32_t(f.height);
    bmp.pixels = test::packRows(bmp.width, bmp.height, 24, [&](int32_t x, int32_t y) { return expected(x, y); });
    const Surface same = loadBytes(test::encodeBmp(bmp));
    if (png.width != same.width || png.height != same.height) return "another size";
    for (int32_t y = 0; y < same.height; ++y)
        for (int32_t x = 0; x < same.width; ++x)
            if (pixelAt(png, x, y) != pixelAt(same, x, y)) {
                std::ostringstream text;
                text << "first difference at (" << x << ", " << y << "): " << std::hex << pixelAt(png, x, y)
                     << " where the BMP has " << pixelAt(same, x, y);
                return text.str();
            }
    return png.pixels == same.pixels ? "" : "the stored rows differ";
}

TEST(PngLoad, EveryColourTypeAndDepthGivesTheBmpOfTheSameImage) {
    for (const Case& k : kCases) {
        const Image im = makeImage(k);
        EXPECT_EQ(differenceFromBmp(im.png, im.expected), "") << k.name;
    }
}

// Flat areas deflate to far less than the image: the decoder grows its
// buffers past the first guess (Adam7 passes add filter bytes to every row),
// and its allocation cap must leave room for that.
TEST(PngLoad, LargeInterlacedImagesWithSmallFilesLoad) {
    for (uint8_t depth : {8, 16}) {
        PngFields f;
        f.width = 400;
        f.height = 300;
        f.bitDepth = depth;
        f.interlaced = true;
        const int shift = depth - 8;
        f.samples = [shift](uint32_t x, uint32_t y) {
            const uint16_t v = uint16_t(((x / 40 + y / 30) % 2 ? 200 : 90) << shift);
            return Samples{v, uint16_t(v / 2), uint16_t(30 << shift), uint16_t(255 << shift)};
        };
        EXPECT_LT(test::encodePng(f).size(), size_t(f.width) * f.height * depth / 8) << "the file is not small";
        EXPECT_EQ(differenceFromBmp(f, [](uint32_t x, uint32_t y) {
                      const int v = (x / 40 + y / 30) % 2 ? 200 : 90;
                      return makeColour(v, v / 2, 30);
                  }),
                  "")
            << int(depth) << " bits";
    }
}

TEST(PngLoad, AlphaBelow128TurnsBlackAndFromThereOnKeepsTheColour) {
    PngFields f;
    f.width = 2;
    f.samples = [](uint32_t x, uint32_t) { return Samples{10, 20, 30, uint16_t(127 + x)}; };
    const Surface s = loadBytes(test::encodePng(f));
    EXPECT_EQ(pixelAt(s, 0, 0), 0u);
    EXPECT_EQ(pixelAt(s, 1, 0), makeColour(10, 20, 30));
}

TEST(PngLoad, FilesThatCannotBeDecodedSayWhy) {
    PngFields good;
    good.width = good.height = 4;
    good.colourType = 2;
    good.samples = [](uint32_t x, uint32_t y) { return Samples{uint16_t(x * 60), uint16_t(y * 60), 9, 0}; };
    auto with = [&good](auto change) {
        PngFields f = good;
        change(f);
        return test::encodePng(f);
    };
    std::vector<uint8_t> cut = test::encodePng(good);
    cut.resize(cut.size() - 24);
    PngFields tiny = good;
    tiny.width = tiny.height = 1;
    tiny.colourType = 0;
    std::vector<uint8_t> bomb = test::pngStart(tiny);
    // A megabyte of zeros for a 1 x 1 image: a few kilobytes that inflate
    // far past anything such an image needs.
    const std::vector<uint8_t> zeros(1 << 20, 0);
    for (const auto& chunk : {test::pngChunk("IDAT", test::zlibRunLength(zeros)), test::pngChunk("IEND", {})})
        bomb.insert(bomb.end(), chunk.begin(), chunk.end());
    // Headers alone: the size is refused before any image data is looked for.
    PngFields wide = good, huge = good;
    wide.width = (1u << 24) + 1;
    huge.width = huge.height = 12000;  // within stb's own limits
    std::vector<uint8_t> emptyIdatCut = test::pngStart(good);
    emptyIdatCut.insert(emptyIdatCut.end(), {0, 0, 0, 0, 'I', 'D', 'A', 'T'});  // and no CRC
    std::vector<uint8_t> notQuite = test::encodePng(good);
    notQuite[7] = 0;

    const std::string invalid = "EInvalidGraphic: PNG image is not valid: ";
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string error;
    } cases[] = {
        {"colour type 5", with([](PngFields& f) { f.colourType = 5; }), invalid + "bad ctype"},
        {"bit depth 3", with([](PngFields& f) { f.bitDepth = 3; }), invalid + "1/2/4/8/16-bit only"},
        {"palette without PLTE", with([](PngFields& f) { f.colourType = 3; }), invalid + "no PLTE"},
        {"no pixels", with([](PngFields& f) { f.width = 0; }), invalid + "0-pixel image"},
        {"a side past the cap", test::pngStart(wide), invalid + "too large"},
        {"more pixels than the cap", test::pngStart(huge), invalid + "too large"},
        {"cut inside the image data", cut, invalid + "outofdata"},
        {"ends after its header", test::pngStart(good), invalid + "unknown chunk or unexpected end of file"},
        {"inflates past what its size needs", bomb, invalid + "outofmem"},
        {"ends in an empty IDAT chunk", emptyIdatCut, invalid + "unknown chunk or unexpected end of file"},
        // Neither signature: the BMP reader's errors, as for any other file.
        {"seven bytes of the signature", notQuite, "EInvalidGraphic: Bitmap image is not valid"},
        {"a short file", std::vector<uint8_t>(notQuite.begin(), notQuite.begin() + 8), "EReadError: Stream read error"},
    };
    for (const auto& c : cases) EXPECT_EQ(errorOf(c.bytes), c.error) << c.name;
}

TEST(PngLoad, EmptyImageDataChunksBeforeTheDataChangeNothing) {
    PngFields f;
    f.width = 3;
    f.samples = [](uint32_t x, uint32_t) { return Samples{uint16_t(x * 50), 7, 9, 255}; };
    const std::vector<uint8_t> plain = test::encodePng(f);
    std::vector<uint8_t> padded = test::pngStart(f);
    for (int i = 0; i < 2; ++i) {
        const std::vector<uint8_t> empty = test::pngChunk("IDAT", {});
        padded.insert(padded.end(), empty.begin(), empty.end());
    }
    padded.insert(padded.end(), plain.begin() + long(test::pngStart(f).size()), plain.end());
    EXPECT_EQ(loadBytes(padded).pixels, loadBytes(plain).pixels);
}

TEST(PngLoad, TheSignatureDecidesNotTheFileName) {
    PngFields f;
    f.samples = [](uint32_t, uint32_t) { return Samples{1, 2, 3, 255}; };
    test::BmpFields b;
    b.pixels = test::packRows(1, 1, 24, [](int32_t, int32_t) { return makeColour(4, 5, 6); });
    const auto dir = std::filesystem::temp_directory_path();
    test::writeFile((dir / "velmora-png-named.bmp").string(), test::encodePng(f));
    test::writeBmpFile((dir / "velmora-bmp-named.png").string(), b);
    Surface s;
    loadBitmapFile(s, (dir / "velmora-png-named.bmp").string());
    EXPECT_EQ(pixelAt(s, 0, 0), makeColour(1, 2, 3));
    loadBitmapFile(s, (dir / "velmora-bmp-named.png").string());
    EXPECT_EQ(pixelAt(s, 0, 0), makeColour(4, 5, 6));
}

TEST(PngLoad, ThroughTheExportsASpriteTransparentByAlphaDrawsAsItsBmp) {
    const auto dir = std::filesystem::temp_directory_path() / "velmora-png-scene";
    std::filesystem::create_directories(dir);
    EXPECT_EQ(test::pngAgainstBmp(test::nativeApi(), 0, dir.string()), "");
}

}  // namespace
}  // namespace vl
