#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/walls.h"
#include "support/render_scene.h"

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
    EXPECT_EQ(cast(s, 0).cameraX, -1.0);
    EXPECT_EQ(cast(s, 511).cameraX, 0.99609375);

    const ColumnCast c = cast(s, 256);
    EXPECT_EQ(c.cameraX, 0.0);
    EXPECT_EQ(bitsOf(c.rayDirY), 0x3EB0C6F7A0B5ED8Du);
    ASSERT_TRUE(c.hit);
    EXPECT_EQ(c.mapX, 5);
    EXPECT_EQ(c.mapY, 2);
    EXPECT_EQ(c.wall, 2);
    EXPECT_EQ(c.side, 0);
    EXPECT_EQ(c.perpWallDist, 2.5);
    EXPECT_EQ(c.lineHeight, 153);
    EXPECT_EQ(c.drawStart, 115);
    EXPECT_EQ(c.drawEnd, 268);
    EXPECT_NEAR(c.wallX, 0.5000025, 1e-12);
    EXPECT_EQ(wallTexX(c, 64), 31);  // 32, mirrored: an x side seen towards +x
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
    // The very first step is a tie: with walls at (3, 2) and (2, 3) the ray
    // must enter (2, 3), through a y grid line.
    s.setCell(3, 2, 3);
    s.setCell(2, 3, 4);
    c = cast(s, 256);
    EXPECT_EQ(c.wall, 4);
    EXPECT_EQ(c.side, 1);

    RenderScene z(2);
    z.camera = Camera{2.5, 2.5, 0, 1, -0.66, 0};
    c = cast(z, 256);
    EXPECT_EQ(bitsOf(c.rayDirX), 0x3EB0C6F7A0B5ED8Du);  // -0.0 counts as zero too
    EXPECT_EQ(c.stepX, 1);
    EXPECT_EQ(c.mapX, 2);
    EXPECT_EQ(c.mapY, 7);
    EXPECT_EQ(c.side, 1);
    EXPECT_NEAR(c.wallX, 0.5000045, 1e-12);
    EXPECT_EQ(wallTexX(c, 64), 31);  // a y side seen towards +y is mirrored
    z.camera = Camera{2.5, 6.5, 0, -1, 0.66, 0};  // towards -y: not mirrored
    c = cast(z, 256);
    EXPECT_EQ(c.mapY, 0);
    EXPECT_EQ(wallTexX(c, 64), 32);
}

TEST(RenderWalls, SliceHeightsAndClamps) {
    RenderScene s(2);
    s.camera.posX = 4.0;  // wall face at x = 5: distance 1
    ColumnCast c = cast(s, 256);
    EXPECT_EQ(c.lineHeight, 384);
    EXPECT_EQ(c.drawStart, 0);
    EXPECT_EQ(c.drawEnd, 383);  // clamped to the last row, which stays undrawn
    s.camera.posX = 4.5;
    c = cast(s, 256);
    EXPECT_EQ(c.lineHeight, 768);
    EXPECT_EQ(c.drawStart, 0);
    EXPECT_EQ(c.drawEnd, 383);

    s.camera.posX = 1.15;
    s.settings.screenHeight = 385;
    c = cast(s, 256);
    EXPECT_EQ(c.lineHeight, 100);
    EXPECT_EQ(c.drawStart, 142);
    EXPECT_EQ(c.drawEnd, 242);

    // A wall farther than the view is high: no rows, but still a depth.
    s.camera.posX = 2.5;
    s.settings.screenHeight = 2;
    c = cast(s, 256);
    EXPECT_EQ(c.lineHeight, 0);
    EXPECT_EQ(c.drawStart, 1);
    EXPECT_EQ(c.drawEnd, 1);
    s.frame.zBuffer.assign(512, -1.0);
    s.render();
    EXPECT_EQ(s.frame.zBuffer[256], 2.5);
    EXPECT_EQ(s.flag(256, 0) + s.flag(256, 1), 0);
}

TEST(RenderWalls, TexturedCentreColumn) {
    RenderScene s(2);
    s.render();
    for (int y = 0; y < 384; ++y) EXPECT_EQ(s.flag(256, y), y >= 115 && y <= 267) << y;
    // Row 115 has texY -1: index -33 reads texel 33.
    EXPECT_EQ(s.texelAt(256, 115), (Texel{2, 33}));
    EXPECT_EQ(s.texelAt(256, 116), (Texel{2, 31}));
    EXPECT_EQ(s.texelAt(256, 267), (Texel{2, 4063}));
    EXPECT_EQ(s.pixel(256, 114), clWhite);
    EXPECT_EQ(s.pixel(256, 268), clWhite);
    EXPECT_EQ(s.frame.zBuffer[256], 2.5);

    // Same wall seen on a y side comes out halved.
    RenderScene z(2);
    z.camera = Camera{2.5, 2.5, 0, 1, -0.66, 0};
    z.render();
    const ColumnCast c = cast(z, 256);
    const int row = c.drawStart + 1;  // texY 0 there
    EXPECT_EQ(z.texelAt(256, row, true), (Texel{1, 31}));
}

TEST(RenderWalls, FlatColumnsFillTheBackBuffer) {
    RenderScene s(1);
    s.frame.zBuffer.assign(512, 7.0);
    s.render();
    for (int y = 0; y < 384; ++y)
        EXPECT_EQ(s.pixel(256, y), y >= 115 && y <= 267 ? 0x00FF8040u : clWhite) << y;
    EXPECT_EQ(s.frame.zBuffer, std::vector<double>(512, 7.0));

    // Kind 1 on a y side is halved; the brush keeps the last column's colour.
    RenderScene z(1);
    z.world.flatColors[1] = 0x00FF8040;
    z.camera = Camera{2.5, 2.5, 0, 1, -0.66, 0};
    z.render();
    EXPECT_EQ(z.pixel(256, 192), 0x007F4020u);
    const ColumnCast last = cast(z, 511);
    EXPECT_EQ(canvas(z.backBuffer).brushColor, last.side == 1 ? 0x007F4020u : 0x00FF8040u);
}

TEST(RenderWalls, CameraOnAWallFaceDrawsFullHeight) {
    // Distance 0: an infinite slice height saturates into a full-height one.
    for (int mode : {1, 2}) {
        RenderScene s(mode);
        s.camera = Camera{6.0, 2.5, -1, 0, 0, 0.66};
        s.world.flatColors[2] = 0x00123456;
        const ColumnCast c = cast(s, 256);
        EXPECT_EQ(c.perpWallDist, 0.0);
        EXPECT_EQ(c.lineHeight, INT32_MAX);
        EXPECT_EQ(c.drawStart, 0);
        EXPECT_EQ(c.drawEnd, 383);
        s.render();
        if (mode == 1) {
            EXPECT_EQ(s.pixel(256, 0), 0x00123456u);
        } else {
            EXPECT_EQ(s.texelAt(256, 0).texture, 2);
        }
        EXPECT_EQ(s.pixel(256, 383), clWhite);
    }
}

}  // namespace
}  // namespace vl
