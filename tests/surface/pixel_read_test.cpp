#include <gtest/gtest.h>

#include "surface/surface.h"

namespace vl {
namespace {

Surface makeSurface(int32_t width, int32_t height, int bitsPerPixel, bool topDown = false) {
    Surface s;
    s.width = width;
    s.height = height;
    s.bitsPerPixel = bitsPerPixel;
    s.topDown = topDown;
    s.pixels.assign(rowStride(width, bitsPerPixel) * size_t(height), 0);
    return s;
}

void put16(Surface& s, int32_t x, int32_t y, uint32_t v) {
    uint8_t* p = rowBytes(s, y) + 2 * x;
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void put32(Surface& s, int32_t x, int32_t y, uint32_t v) {
    uint8_t* p = rowBytes(s, y) + 4 * x;
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

TEST(PixelRead, OutsideTheImageOrEmptyGivesNoColour) {
    EXPECT_EQ(pixelAt(Surface{}, 0, 0), kOutsideImage);
    const Surface s = makeSurface(32, 32, 24);
    EXPECT_EQ(pixelAt(s, 63, 63), kOutsideImage);
    EXPECT_EQ(pixelAt(s, -1, 0), kOutsideImage);
    EXPECT_EQ(pixelAt(s, 0, -1), kOutsideImage);
    EXPECT_EQ(pixelAt(s, 32, 0), kOutsideImage);
    EXPECT_EQ(pixelAt(s, 0, 32), kOutsideImage);
    EXPECT_EQ(pixelAt(s, 31, 31), 0u);
    Surface sized = makeSurface(4, 4, 24);
    sized.pixels.clear();  // a size without storage reads as empty
    EXPECT_EQ(pixelAt(sized, 0, 0), kOutsideImage);
}

TEST(PixelRead, PaletteDepthsPackMostSignificantFirstAndRowsFromTheTop) {
    for (bool topDown : {false, true}) {
        Surface one = makeSurface(10, 2, 1, topDown);
        one.palette[0] = 0x000000FF;
        one.palette[1] = 0x00FF0000;
        rowBytes(one, 0)[0] = 0x80;  // pixel 0 of the top row
        rowBytes(one, 1)[1] = 0x40;  // pixel 9 of the bottom row
        EXPECT_EQ(pixelAt(one, 0, 0), 0x00FF0000u);
        EXPECT_EQ(pixelAt(one, 1, 0), 0x000000FFu);
        EXPECT_EQ(pixelAt(one, 9, 1), 0x00FF0000u);
        EXPECT_EQ(pixelAt(one, 0, 1), 0x000000FFu);

        Surface four = makeSurface(3, 2, 4, topDown);
        four.palette[0xA] = 0x000A0A0A;
        four.palette[0x5] = 0x00050505;
        rowBytes(four, 1)[0] = 0xA5;
        EXPECT_EQ(pixelAt(four, 0, 1), 0x000A0A0Au);
        EXPECT_EQ(pixelAt(four, 1, 1), 0x00050505u);
        EXPECT_EQ(pixelAt(four, 0, 0), 0u);

        // An index no colour-table entry was given for reads the unused entry, 0.
        Surface eight = makeSurface(2, 2, 8, topDown);
        eight.palette[7] = 0x00123456;
        rowBytes(eight, 0)[1] = 7;
        rowBytes(eight, 1)[0] = 250;
        EXPECT_EQ(pixelAt(eight, 1, 0), 0x00123456u);
        EXPECT_EQ(pixelAt(eight, 0, 1), 0u);
    }
}

TEST(PixelRead, DirectColourDepths) {
    Surface rgb = makeSurface(2, 2, 24);
    uint8_t* p = rowBytes(rgb, 1) + 3;  // blue, green, red
    p[0] = 0x11, p[1] = 0x22, p[2] = 0x33;
    EXPECT_EQ(pixelAt(rgb, 1, 1), 0x00112233u);

    // 5-5-5: each channel's top bits repeat into the low ones, so full is 255.
    Surface s555 = makeSurface(4, 1, 16);
    s555.redMask = 0x7C00, s555.greenMask = 0x03E0, s555.blueMask = 0x001F;
    put16(s555, 0, 0, 0x7FFF);
    put16(s555, 1, 0, 0x8000 | (1 << 10) | (16 << 5) | 31);  // top bit is no channel's
    EXPECT_EQ(pixelAt(s555, 0, 0), 0x00FFFFFFu);
    EXPECT_EQ(pixelAt(s555, 1, 0), makeColour(8, 132, 255));

    Surface s565 = makeSurface(2, 1, 16);
    s565.redMask = 0xF800, s565.greenMask = 0x07E0, s565.blueMask = 0x001F;
    put16(s565, 0, 0, (31 << 11) | (63 << 5) | 0);
    put16(s565, 1, 0, (0 << 11) | (1 << 5) | 2);
    EXPECT_EQ(pixelAt(s565, 0, 0), makeColour(255, 255, 0));
    EXPECT_EQ(pixelAt(s565, 1, 0), makeColour(0, 4, 16));

    // Plain 32 bits ignore the fourth byte.
    Surface s32 = makeSurface(1, 1, 32);
    s32.redMask = 0xFF0000, s32.greenMask = 0xFF00, s32.blueMask = 0xFF;
    put32(s32, 0, 0, 0xEE102030);
    EXPECT_EQ(pixelAt(s32, 0, 0), makeColour(0x10, 0x20, 0x30));

    // Wider than 8 bits: the top 8; a zero mask: 0; a 1-bit channel: 0 or 255.
    Surface wide = makeSurface(2, 1, 32);
    wide.redMask = 0xFFC00000, wide.greenMask = 0, wide.blueMask = 0x00000001;
    put32(wide, 0, 0, 0xABC00001);
    put32(wide, 1, 0, 0x003FFFFE);
    EXPECT_EQ(pixelAt(wide, 0, 0), makeColour(0xAB, 0, 0xFF));
    EXPECT_EQ(pixelAt(wide, 1, 0), 0u);
}

}  // namespace
}  // namespace vl
