#include "overlay/overlay.h"

#include <gtest/gtest.h>

#include "engine/engine.h"

namespace {

using namespace vl;

int changed(const Surface& s, Colour background = clWhite) {
    int n = 0;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) n += pixelAt(s, x, y) != background;
    return n;
}

TEST(Overlay, ColourRectangleAndTextFollowTheBrushStateTable) {
    EngineState st;
    init(st, 0);
    Surface& bb = st.backBuffer;
    drawColor(bb, makeColour(255, 0, 0));
    drawRectangle(bb, 0, 0, 10, 10);
    const uint8_t* row = scanLine(bb, 9);
    EXPECT_EQ(row[36], 0x00);  // pixel 9: blue, green, red, 255
    EXPECT_EQ(row[37], 0x00);
    EXPECT_EQ(row[38], 0xFF);
    EXPECT_EQ(row[39], 0xFF);
    EXPECT_EQ(changed(bb), 100);
    EXPECT_EQ(makeColour(256, -1, 0), 0x0000FF00u);

    drawText(bb, 10, 10, "A");
    EXPECT_EQ(canvas(bb).brushStyle, bsClear);
    EXPECT_EQ(canvas(bb).brushColor, clWhite);
    const int withText = changed(bb);
    EXPECT_GT(withText, 100);
    drawRectangle(bb, 100, 100, 200, 200);
    EXPECT_EQ(changed(bb), withText) << "after text the brush is clear: no rectangle";
    drawColor(bb, makeColour(0, 0, 255));
    drawRectangle(bb, 100, 100, 200, 200);
    EXPECT_EQ(pixelAt(bb, 150, 150), 0x00FF0000u);

    drawText(bb, 0, 0, "");  // nothing drawn, but the brush is still made clear
    EXPECT_EQ(canvas(bb).brushStyle, bsClear);
    drawRectangle(bb, 0, 0, 2, 1);
    EXPECT_EQ(pixelAt(bb, 0, 0), 0x000000FFu) << "unchanged red";
}

TEST(Overlay, TextBeforeAnyColourUsesTheWindowTextColour) {
    EngineState st;
    init(st, 0);
    drawText(st.backBuffer, 5, 5, "W");
    // Every changed pixel is the window-text colour (black on this platform).
    EXPECT_GT(changed(st.backBuffer), 0);
    EXPECT_EQ(changed(st.backBuffer), 800 * 600 - changed(st.backBuffer, 0));
}

TEST(Overlay, ImagesAreCopiedOpaquelyClippedAndEmptyOrMissingOnesDrawNothing) {
    EngineState st;
    init(st, 0);
    Surface img = frameSurface(64, 64);
    setBrushColor(img, 0x00000000);
    fillRect(img, 0, 0, 64, 64);
    setBrushColor(img, 0x00ABCDEF);
    fillRect(img, 32, 32, 64, 64);  // bottom-right quarter
    st.world.overlayImages.push_back(img);
    st.world.overlayImages.emplace_back();  // a failed load
    drawOverlayImage(st.backBuffer, st.world, 0, -32, -32);
    EXPECT_EQ(changed(st.backBuffer), 32 * 32);
    EXPECT_EQ(pixelAt(st.backBuffer, 0, 0), 0x00ABCDEFu);
    EXPECT_EQ(pixelAt(st.backBuffer, 31, 31), 0x00ABCDEFu);
    drawOverlayImage(st.backBuffer, st.world, 1, 100, 100);
    drawOverlayImage(st.backBuffer, st.world, 2, 100, 100);
    drawOverlayImage(st.backBuffer, st.world, -1, 100, 100);
    EXPECT_EQ(changed(st.backBuffer), 32 * 32);
}

}  // namespace
