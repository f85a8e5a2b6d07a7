#include <gtest/gtest.h>

#include <cmath>

#include "render/floor_ceiling.h"
#include "support/render_scene.h"
#include "written_pixels.h"

namespace vl {
namespace {

using test::RenderScene;
using test::Texel;

TEST(RenderFloor, TexelCoordinatesRoundThenWrap) {
    int32_t tx = -1, ty = -1;
    ASSERT_TRUE(floorTexCoord(2.25, 64, tx));
    ASSERT_TRUE(floorTexCoord(3.75, 64, ty));
    EXPECT_EQ(tx, 16);
    EXPECT_EQ(ty, 48);
    EXPECT_EQ(64 * ty + tx, 3088);
    // Rounded ties to even, not truncated.
    floorTexCoord(1.0078125, 64, tx);
    EXPECT_EQ(tx, 0);
    floorTexCoord(1.0234375, 64, tx);
    EXPECT_EQ(tx, 2);
    floorTexCoord(3.999, 64, tx);
    EXPECT_EQ(tx, 0);
    // The remainder keeps the sign of a negative point.
    floorTexCoord(-0.25, 64, tx);
    EXPECT_EQ(tx, -16);
    // Beyond 64-bit integers there is no coordinate.
    EXPECT_FALSE(floorTexCoord(std::nan(""), 64, tx));
    EXPECT_FALSE(floorTexCoord(1e300, 64, tx));
    EXPECT_FALSE(floorTexCoord(-HUGE_VAL, 64, tx));
}

TEST(RenderFloor, WorkedColumnAndItsMirroredCeiling) {
    RenderScene s(2);
    s.settings.floorTexture = 3;
    s.settings.ceilingTexture = 4;
    const test::WrittenPixels written = test::renderNoting(s);
    EXPECT_EQ(s.texelAt(256, 269, true), (Texel{3, 2048}));
    EXPECT_EQ(s.texelAt(256, 300, true), (Texel{3, 2066}));
    EXPECT_EQ(s.texelAt(256, 383, true), (Texel{3, 2080}));
    EXPECT_EQ(s.texelAt(256, 84), (Texel{4, 2066}));
    EXPECT_EQ(s.texelAt(256, 1), (Texel{4, 2080}));
    // 384 + 153 is odd: the last ceiling row is the wall's first row.
    EXPECT_EQ(s.texelAt(256, 115), (Texel{4, 2048}));
    EXPECT_EQ(s.texelAt(256, 116), (Texel{2, 31}));
    EXPECT_FALSE(written.at(256, 268));  // drawEnd itself is never a floor row
    EXPECT_FALSE(written.at(256, 0));
    EXPECT_EQ(s.pixel(256, 0), clWhite);
}

TEST(RenderFloor, RowRangesAroundEvenAndOddSlices) {
    RenderScene s(2);
    s.settings.floorTexture = 3;
    s.settings.ceilingTexture = 4;
    s.camera.posX = 1.16;  // distance 3.84: lineHeight 100, rows 142 to 241
    const test::WrittenPixels written = test::renderNoting(s);
    for (int y = 0; y < 384; ++y) {
        const bool expected = y != 0 && y != 242;
        EXPECT_EQ(written.at(256, y), expected) << y;
        if (!expected) continue;
        const int texture = y <= 141 ? 4 : y <= 241 ? 2 : 3;
        EXPECT_EQ(s.texelAt(256, y, texture == 3).texture, texture) << y;
    }

    s.camera.posX = 5 - 384.0 / 101;  // lineHeight 101, rows 141 to 241
    const ColumnCast c = castColumn(s.camera, s.world.worldMap, 512, 384, 256);
    ASSERT_EQ(c.lineHeight, 101);
    ASSERT_EQ(c.drawStart, 141);
    ASSERT_EQ(c.drawEnd, 242);
    EXPECT_FALSE(test::renderNoting(s).at(256, 242));
    EXPECT_EQ(s.texelAt(256, 141).texture, 4);
    EXPECT_EQ(s.texelAt(256, 142).texture, 2);

    // A slice down to the clamped bottom row leaves no room for either.
    s.camera.posX = 4.0;
    EXPECT_FALSE(test::renderNoting(s).at(256, 383));
    EXPECT_EQ(s.texelAt(256, 0).texture, 2);
}

TEST(RenderFloor, HalvedOnTheFloorOnlyAndAbsentWithoutTextures) {
    RenderScene s(2);
    s.world.textures[3].assign(kTexelsPerTexture, makeColour(64, 128, 255));
    s.settings.floorTexture = 3;
    s.settings.ceilingTexture = 3;
    s.render();
    EXPECT_EQ(s.pixel(256, 300), makeColour(32, 64, 127));
    EXPECT_EQ(s.pixel(256, 84), makeColour(64, 128, 255));

    // No floor or ceiling texture: those areas keep what the back buffer had.
    RenderScene n(2);
    setBrushColor(n.backBuffer, 0x000000FF);
    fillRect(n.backBuffer, 0, 0, 800, 600);
    const test::WrittenPixels written = test::renderNoting(n);
    EXPECT_EQ(n.pixel(256, 300), 0x000000FFu);
    EXPECT_EQ(n.pixel(256, 84), 0x000000FFu);
    EXPECT_FALSE(written.at(256, 300) || written.at(256, 84));
}

}  // namespace
}  // namespace vl
