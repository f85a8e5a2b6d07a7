#include "surface/surface.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/error.h"
#include "surface/font.h"

namespace {

using namespace vl;

int countColour(const Surface& s, Colour c) {
    int n = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) n += pixelAt(s, x, y) == c;
    return n;
}

TEST(Surface, NewBackBufferIsWhiteWithTopRowFirstAndRows3200BytesApart) {
    Surface s = frameSurface(800, 600);
    EXPECT_EQ(s.width, 800);
    EXPECT_EQ(s.height, 600);
    EXPECT_EQ(countColour(s, clWhite), 800 * 600);
    EXPECT_EQ(scanLine(s, 1) - scanLine(s, 0), 3200) << "top-down storage, 4 bytes a pixel";
    EXPECT_EQ(scanLine(s, 0), s.pixels.data());
    scanLine(s, 0)[0] = 0x12;  // blue byte of the top-left pixel
    EXPECT_EQ(pixelAt(s, 0, 0), 0x0012FFFFu);
}

TEST(Surface, ScanLineOutsideTheImageIsAnError) {
    Surface s = frameSurface(800, 600);
    for (int row : {-1, 600}) {
        try {
            scanLine(s, row);
            FAIL() << "row " << row;
        } catch (const Error& e) {
            EXPECT_EQ(e.className, "EInvalidGraphicOperation");
            EXPECT_EQ(e.message, "Scan line index out of range");
        }
    }
}

TEST(Surface, ResizingKeepsOldPixelsTopLeftAndPaintsNewAreaWithTheBrush) {
    Surface s = frameSurface(4, 3);
    setBrushColor(s, 0x00112233);
    fillRect(s, 0, 0, 4, 3);
    setBrushColor(s, 0x00445566);  // the canvas exists now: new area takes the brush colour
    setHeight(s, 5);
    setWidth(s, 6);
    EXPECT_EQ(pixelAt(s, 3, 2), 0x00112233u);
    EXPECT_EQ(pixelAt(s, 4, 2), 0x00445566u);
    EXPECT_EQ(pixelAt(s, 0, 3), 0x00445566u);
    setWidth(s, 0);
    EXPECT_TRUE(isEmpty(s));
    EXPECT_TRUE(s.pixels.empty());
}

TEST(Surface, AbsurdSizesAreRefusedBeforeAllocating) {
    Surface s;
    setWidth(s, 1 << 20);
    EXPECT_THROW(setHeight(s, 1 << 20), Error);
    EXPECT_EQ(s.height, 0);
    EXPECT_THROW(setHeight(s, -5), Error);
    size_t bytes = 1;
    // A 4 GiB row: on a 32-bit build its stride would wrap to 0 in size_t.
    EXPECT_FALSE(pixelStorageSize(1 << 30, 1, 32, bytes));
    EXPECT_EQ(bytes, 0u);
    EXPECT_TRUE(pixelStorageSize(800, 600, 24, bytes));
    EXPECT_EQ(bytes, 800u * 600u * 3u);
    // Exactly the cap is accepted, in rows or in one row; a row or 4 bytes more is not.
    const int32_t capRows = int32_t(kMaxPixelBytes / 4096), capWidth = int32_t(kMaxPixelBytes);
    EXPECT_TRUE(pixelStorageSize(4096, capRows, 8, bytes));
    EXPECT_EQ(bytes, kMaxPixelBytes);
    EXPECT_FALSE(pixelStorageSize(4096, capRows + 1, 8, bytes));
    EXPECT_TRUE(pixelStorageSize(capWidth, 1, 8, bytes));
    EXPECT_FALSE(pixelStorageSize(capWidth + 4, 1, 8, bytes));
}

TEST(Canvas, BrushColourAndStyleAreCoupled) {
    Surface s = frameSurface(800, 600);
    EXPECT_EQ(canvas(s).fontHeight, -11) << "8 points at 96 dpi";
    EXPECT_EQ(canvas(s).fontColor, clWindowText);
    setBrushColor(s, 0x000000FF);
    setBrushStyle(s, bsClear);
    EXPECT_EQ(canvas(s).brushColor, clWhite);
    fillRect(s, 0, 0, 10, 10);
    EXPECT_EQ(countColour(s, clWhite), 800 * 600) << "a clear brush paints nothing";
    setBrushColor(s, 0x00FF0000);
    EXPECT_EQ(canvas(s).brushStyle, bsSolid);
    fillRect(s, 0, 0, 1, 1);
    EXPECT_EQ(pixelAt(s, 0, 0), 0x00FF0000u);
    setFontColor(s, 0x00123456);
    EXPECT_EQ(canvas(s).brushStyle, bsSolid) << "the font colour leaves the brush alone";
}

TEST(Canvas, FillExcludesRightAndBottomEdgesAndClips) {
    Surface s = frameSurface(800, 600);
    setBrushColor(s, 0x00804020);
    fillRect(s, 10, 20, 13, 22);
    EXPECT_EQ(countColour(s, 0x00804020), 6);
    EXPECT_EQ(pixelAt(s, 12, 21), 0x00804020u);
    EXPECT_EQ(pixelAt(s, 13, 21), clWhite);
    EXPECT_EQ(pixelAt(s, 12, 22), clWhite);
    const uint8_t* row = scanLine(s, 20);
    EXPECT_EQ(row[40], 0x80);  // blue, green, red bytes exactly, then 255
    EXPECT_EQ(row[41], 0x40);
    EXPECT_EQ(row[42], 0x20);
    EXPECT_EQ(row[43], 0xFF);

    setBrushColor(s, 0x00000001);
    fillRect(s, 790, 590, 900, 700);
    fillRect(s, INT32_MIN, INT32_MIN, -5, 3);  // wholly outside
    fillRect(s, 5, 5, 5, 20);                  // zero width
    fillRect(s, 30, 30, 20, 20);               // reversed
    EXPECT_EQ(countColour(s, 0x00000001), 100);
}

TEST(Canvas, DrawImageCopiesOpaquelyAndClipsToTheDestination) {
    Surface dst = frameSurface(800, 600);
    Surface src = frameSurface(50, 40);
    setBrushColor(src, 0x00000000);
    fillRect(src, 0, 0, 50, 40);
    setBrushColor(src, 0x0000FF00);
    fillRect(src, 19, 9, 20, 10);  // the pixel that lands on (799, 599)
    drawImage(dst, 780, 590, src);
    EXPECT_EQ(800 * 600 - countColour(dst, clWhite), 20 * 10);
    EXPECT_EQ(pixelAt(dst, 799, 599), 0x0000FF00u);
    EXPECT_EQ(pixelAt(dst, 780, 590), 0u) << "background pixels are copied too";

    Surface dst2 = frameSurface(800, 600);
    drawImage(dst2, -45, -35, src);  // only the source's bottom-right 5 x 5
    EXPECT_EQ(800 * 600 - countColour(dst2, clWhite), 25);
    drawImage(dst2, INT32_MAX, INT32_MAX, src);
    drawImage(dst2, 0, 0, Surface{});
    EXPECT_EQ(800 * 600 - countColour(dst2, clWhite), 25);
}

TEST(Canvas, PixelReadOutsideTheImageIsNotAColour) {
    Surface s;
    setWidth(s, 32);
    setHeight(s, 32);
    EXPECT_EQ(pixelAt(s, 63, 63), kOutsideImage);
    EXPECT_EQ(pixelAt(s, -1, 0), kOutsideImage);
    EXPECT_EQ(pixelAt(Surface{}, 0, 0), kOutsideImage);
}

TEST(Text, TransparentChangesOnlyGlyphPixelsOpaqueFillsTheCellBox) {
    Surface s = frameSurface(800, 600);
    setFontColor(s, 0x00000080);
    setBrushStyle(s, bsClear);
    textOut(s, 10, 10, "Hi");
    const int glyphPixels = countColour(s, 0x00000080);
    EXPECT_GT(glyphPixels, 5);
    EXPECT_EQ(glyphPixels + countColour(s, clWhite), 800 * 600) << "only glyph pixels change";

    Surface t = frameSurface(800, 600);
    setFontColor(t, 0x00000080);
    setBrushColor(t, 0x00FF0000);
    textOut(t, 10, 10, "Hi");
    const int box = font::textWidth("Hi") * font::kCellHeight;
    EXPECT_EQ(countColour(t, 0x00000080), glyphPixels);
    EXPECT_EQ(countColour(t, 0x00FF0000) + glyphPixels, box);

    // Clipped at a corner, at every offset of a glyph cell. Guard bytes after
    // the last stored row catch a write one row past the bottom edge (rows
    // before the top one are outside the buffer, where the sanitizers look).
    // One column past a side edge lands at the far end of a neighbouring row,
    // away from the corner. M inks every column it spans.
    for (bool bottomRight : {false, true}) {
        SCOPED_TRACE(bottomRight ? "bottom-right" : "top-left");
        Surface u = frameSurface(800, 600);
        const size_t end = u.pixels.size();
        u.pixels.resize(end + 3200 * font::kCellHeight, 0x5A);
        setFontColor(u, clWindowText);  // resolved through the platform: black here
        setBrushStyle(u, bsClear);
        for (int k = 0; k < font::kCellHeight; ++k)
            bottomRight ? textOut(u, 790 + k, 585 + k, "MM") : textOut(u, -k, -k, "MM");
        EXPECT_GT(countColour(u, 0), 0);
        EXPECT_EQ(countColour(u, 0) + countColour(u, clWhite), 800 * 600);
        int stray = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                stray += pixelAt(u, x, y) != clWhite && (bottomRight ? x < 790 || y < 585 : x >= 30 || y >= 30);
        EXPECT_EQ(stray, 0);
        EXPECT_EQ(size_t(std::count(u.pixels.begin() + ptrdiff_t(end), u.pixels.end(), 0x5A)), u.pixels.size() - end);
    }
}

}  // namespace
