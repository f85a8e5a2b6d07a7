#include <gtest/gtest.h>

#include <cstring>

#include "render/walls.h"
#include "support/render_scene.h"
#include "written_pixels.h"

namespace vl {
namespace {

using test::RenderScene;
using test::Texel;

uint64_t bitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

ColumnCast cast(const RenderScene& s, int32_t x) {
    return castColumn(s.camera, s.world.worldMap, s.settings.screenWidth, s.settings.screenHeight, x);
}

TEST(RenderWalls, CentreColumnOfTheExampleMap) {
    RenderScene s(2);
    EXPECT_EQ(cast(s, 511).cameraX, 0.99609375);
    const ColumnCast c = cast(s, 256);
    EXPECT_EQ(bitsOf(c.rayDirY), 0x3EB0C6F7A0B5ED8Du);
    EXPECT_EQ(c.wall, 2);
    EXPECT_EQ(c.side, 0);
    EXPECT_EQ(c.perpWallDist, 2.5);
    EXPECT_EQ(c.lineHeight, 153);
    EXPECT_EQ(c.drawStart, 115);
    EXPECT_EQ(c.drawEnd, 268);
    EXPECT_NEAR(c.wallX, 0.5000025, 1e-12);
    EXPECT_EQ(wallTexX(c, 64), 31);  // 32, mirrored: an x side seen towards +x

    const test::WrittenPixels written = test::renderNoting(s);
    for (int y = 0; y < 384; ++y) ASSERT_EQ(written.at(256, y), y >= 115 && y <= 267) << y;
    EXPECT_EQ(s.texelAt(256, 115), (Texel{2, 33}));  // texY -1: index -33
    EXPECT_EQ(s.texelAt(256, 116), (Texel{2, 31}));
    EXPECT_EQ(s.texelAt(256, 267), (Texel{2, 4063}));
    EXPECT_EQ(s.frame.zBuffer[256], 2.5);

    RenderScene flat(1);
    flat.frame.zBuffer.assign(512, 7.0);
    flat.render();
    for (int y = 0; y < 384; ++y)
        ASSERT_EQ(flat.pixel(256, y), y >= 115 && y <= 267 ? 0x00FF8040u : clWhite) << y;
    EXPECT_EQ(flat.frame.zBuffer, std::vector<double>(512, 7.0));
}

TEST(RenderWalls, TiesStepInYAndZeroDirectionsBecomeTiny) {
    RenderScene s(2);
    s.camera = Camera{2.5, 2.5, 1, 1, -0.66, 0.66};
    ColumnCast c = cast(s, 256);
    EXPECT_EQ(c.mapX, 6);
    EXPECT_EQ(c.mapY, 7);
    EXPECT_EQ(c.side, 1);
    EXPECT_EQ(c.perpWallDist, 4.5);
    EXPECT_EQ(c.lineHeight, 85);
    EXPECT_EQ(c.drawStart, 149);
    EXPECT_EQ(c.drawEnd, 234);
    s.setCell(3, 2, 3);  // the first step is a tie, so (2, 3) is entered
    s.setCell(2, 3, 4);
    EXPECT_EQ(cast(s, 256).wall, 4);

    // -0.0 counts as zero too; the ray then never crosses an x line.
    RenderScene z(1);
    z.world.flatColors[1] = 0x00FF8040;
    z.camera = Camera{2.5, 2.5, 0, 1, -0.66, 0};
    c = cast(z, 256);
    EXPECT_EQ(bitsOf(c.rayDirX), 0x3EB0C6F7A0B5ED8Du);
    EXPECT_EQ(c.mapX, 2);
    EXPECT_EQ(c.mapY, 7);
    EXPECT_EQ(c.side, 1);
    EXPECT_NEAR(c.wallX, 0.5000045, 1e-12);
    EXPECT_EQ(wallTexX(c, 64), 31);  // a y side seen towards +y is mirrored
    // Flat and textured, a y side is halved; the brush keeps the last column's colour.
    z.render();
    EXPECT_EQ(z.pixel(256, 192), 0x007F4020u);
    EXPECT_EQ(canvas(z.backBuffer).brushColor, cast(z, 511).side == 1 ? 0x007F4020u : 0x00FF8040u);
    z.settings.renderMode = 2;
    z.render();
    EXPECT_EQ(z.texelAt(256, c.drawStart + 1, true), (Texel{1, 31}));

    z.camera = Camera{2.5, 6.5, 0, -1, 0.66, 0};  // towards -y: not mirrored
    EXPECT_EQ(wallTexX(cast(z, 256), 64), 32);
}

TEST(RenderWalls, SliceHeightsAndClamps) {
    RenderScene s(2);
    for (auto [posX, lineHeight] : {std::pair{4.0, 384}, std::pair{4.5, 768}}) {
        s.camera.posX = posX;
        const ColumnCast c = cast(s, 256);
        EXPECT_EQ(c.lineHeight, lineHeight);
        EXPECT_EQ(c.drawStart, 0);
        EXPECT_EQ(c.drawEnd, 383);  // clamped to the last row, which stays undrawn
    }
    s.camera.posX = 1.15;
    s.settings.screenHeight = 385;
    ColumnCast c = cast(s, 256);
    EXPECT_EQ(c.lineHeight, 100);
    EXPECT_EQ(c.drawStart, 142);
    EXPECT_EQ(c.drawEnd, 242);

    // Farther than the view is high: no rows, but still a depth.
    s.camera.posX = 2.5;
    s.settings.screenHeight = 2;
    c = cast(s, 256);
    EXPECT_EQ(c.lineHeight, 0);
    EXPECT_EQ(c.drawStart, c.drawEnd);
    const test::WrittenPixels written = test::renderNoting(s);
    EXPECT_EQ(s.frame.zBuffer[256], 2.5);
    EXPECT_FALSE(written.at(256, 0) || written.at(256, 1));

    // Distance 0 (the camera on the wall's face): the infinite height
    // saturates into a full-height slice, in both modes.
    for (int mode : {1, 2}) {
        RenderScene on(mode);
        on.camera = Camera{6.0, 2.5, -1, 0, 0, 0.66};
        c = cast(on, 256);
        EXPECT_EQ(c.perpWallDist, 0.0);
        EXPECT_EQ(c.lineHeight, INT32_MAX);
        EXPECT_EQ(c.drawEnd, 383);
        on.render();
        EXPECT_NE(on.pixel(256, 0), clWhite);
        EXPECT_EQ(on.pixel(256, 383), clWhite);
    }
}

}  // namespace
}  // namespace vl
