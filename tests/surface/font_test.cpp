#include "surface/font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vl::font {
namespace {

// Bounding box of a glyph's pixels in pen-relative columns and cell rows.
struct Ink {
    int pixels = 0;
    int minCol = 99, maxCol = -99, minRow = 99, maxRow = -99;
};

Ink inkOf(const Glyph& g) {
    Ink ink;
    for (int r = 0; r < kCellHeight; ++r)
        for (int c = 0; c < 16; ++c)
            if (g.rows[r] >> c & 1u) {
                ++ink.pixels;
                ink.minCol = std::min(ink.minCol, g.left + c);
                ink.maxCol = std::max(ink.maxCol, g.left + c);
                ink.minRow = std::min(ink.minRow, r);
                ink.maxRow = std::max(ink.maxRow, r);
            }
    return ink;
}

bool sameGlyph(const Glyph& a, const Glyph& b) {
    if (a.left != b.left || a.advance != b.advance) return false;
    for (int r = 0; r < kCellHeight; ++r)
        if (a.rows[r] != b.rows[r]) return false;
    return true;
}

bool isUndefined(int byte) {
    return byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F ||
           byte == 0x90 || byte == 0x9D;
}

constexpr int kBaselineRow = kAscent - 1;  // lowest row of a capital

TEST(Font, MetricsHoldAnEightPointFace) {
    EXPECT_GE(kCellHeight, 11);
    EXPECT_GT(kAscent, kCellHeight / 2);
    EXPECT_LT(kAscent, kCellHeight);
    Ink h = inkOf(glyph('H'));
    EXPECT_EQ(h.maxRow, kBaselineRow);
    EXPECT_GE(h.maxRow - h.minRow + 1, 7);  // a capital of an 11-pixel face
}

TEST(Font, EveryPrintableByteHasInkInsideItsCell) {
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        if (isUndefined(byte) || byte == 0x20 || byte == 0xA0) continue;
        SCOPED_TRACE(byte);
        const Glyph& g = glyph(static_cast<unsigned char>(byte));
        Ink ink = inkOf(g);
        EXPECT_GT(ink.pixels, 0);
        EXPECT_GT(g.advance, 0);
        EXPECT_FALSE(sameGlyph(g, glyph(0)));
        // Overhang stays small on both sides, so a text box of the summed
        // advances loses at most a pixel or two at its ends.
        EXPECT_GE(ink.minCol, -2);
        EXPECT_LE(ink.maxCol, g.advance + 1);
    }
    // Accented capitals keep their accents inside the cell.
    Ink aRing = inkOf(glyph(0xC5));
    EXPECT_EQ(aRing.maxRow, kBaselineRow);
    EXPECT_GT(aRing.maxRow - aRing.minRow, inkOf(glyph('A')).maxRow - inkOf(glyph('A')).minRow);
}

TEST(Font, SpacesAreBlankAndMeasureAlike) {
    EXPECT_EQ(inkOf(glyph(' ')).pixels, 0);
    EXPECT_EQ(inkOf(glyph(0xA0)).pixels, 0);
    EXPECT_GT(glyph(' ').advance, 0);
    EXPECT_EQ(glyph(0xA0).advance, glyph(' ').advance);
}

TEST(Font, BytesWithoutGlyphGiveAHollowCapitalBox) {
    for (int byte = 0; byte <= 0xFF; ++byte) {
        if (!isUndefined(byte)) continue;
        EXPECT_TRUE(sameGlyph(glyph(static_cast<unsigned char>(byte)), glyph(0))) << byte;
    }

    const Glyph& box = glyph(0x01);
    Ink ink = inkOf(box);
    Ink cap = inkOf(glyph('H'));
    EXPECT_EQ(ink.minRow, cap.minRow);
    EXPECT_EQ(ink.maxRow, cap.maxRow);
    EXPECT_GE(ink.maxCol - ink.minCol, 2);
    EXPECT_GT(box.advance, ink.maxCol);
    // Border all round, nothing inside.
    int width = ink.maxCol - ink.minCol + 1;
    int height = ink.maxRow - ink.minRow + 1;
    EXPECT_EQ(ink.pixels, 2 * width + 2 * (height - 2));
}

TEST(Font, TextWidthSumsAdvances) {
    EXPECT_EQ(textWidth(""), 0);
    int hello = glyph('H').advance + glyph('e').advance + 2 * glyph('l').advance + glyph('o').advance;
    EXPECT_EQ(textWidth("Hello"), hello);
    // Control bytes are measured as the box they draw, zero bytes included.
    EXPECT_EQ(textWidth(std::string("a\0\tb", 4)),
              glyph('a').advance + 2 * glyph(0).advance + glyph('b').advance);
    EXPECT_EQ(textWidth(std::string(1000, 'W')), 1000 * glyph('W').advance);
}

TEST(Font, ShapesAreUprightAndUnmirrored) {
    // Vertical stroke: one column, several rows.
    for (unsigned char c : {'l', '|'}) {
        Ink ink = inkOf(glyph(c));
        EXPECT_EQ(ink.minCol, ink.maxCol) << c;
        EXPECT_EQ(ink.pixels, ink.maxRow - ink.minRow + 1) << c;
        EXPECT_GE(ink.pixels, 8) << c;
    }
    // Horizontal stroke between baseline and x-height.
    Ink dash = inkOf(glyph('-'));
    EXPECT_EQ(dash.minRow, dash.maxRow);
    EXPECT_GE(dash.pixels, 2);
    EXPECT_LT(dash.minRow, kBaselineRow);
    EXPECT_GT(dash.minRow, inkOf(glyph('H')).minRow);
    // '.' sits on the baseline, descenders go below it, ascenders rise above x-height.
    EXPECT_EQ(inkOf(glyph('.')).maxRow, kBaselineRow);
    EXPECT_GT(inkOf(glyph('p')).maxRow, kBaselineRow);
    EXPECT_LT(inkOf(glyph('d')).minRow, inkOf(glyph('x')).minRow);
    // 'L': stem on the left, foot running right along the bottom row.
    const Glyph& l = glyph('L');
    Ink ink = inkOf(l);
    int stemBit = ink.minCol - l.left;
    for (int r = ink.minRow; r <= ink.maxRow; ++r) EXPECT_TRUE(l.rows[r] >> stemBit & 1u) << r;
    EXPECT_EQ(l.rows[ink.minRow], 1u << stemBit);
    EXPECT_GE(ink.maxCol - ink.minCol, 3);
}

}  // namespace
}  // namespace vl::font
