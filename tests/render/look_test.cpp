// Fog, pitch, floor and ceiling maps and sprite scales: worked numbers at
// their edges, and whole frames with them against the reference renderer.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "render/reference/frame.h"
#include "render/reference/sprites.h"
#include "render/reference/walls.h"
#include "render/sprites.h"
#include "render/walls.h"
#include "support/render_scene.h"
#include "written_pixels.h"

namespace vl {
namespace {

using test::RenderScene;

TEST(RenderLook, FogWeightsAtTheirEdges) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double start, end, d;
        int32_t w;
    };
    const Case cases[] = {
        {0, 0, 5, 0},          {3, 3, 5, 0},            {4, 3, 9, 0},  // off while end <= start
        {2, 10, 1, 0},         {2, 10, 2, 0},           {2, 10, 2 + 8.0 / 256, 1},
        {2, 10, 2 + 7.99 / 256, 0}, {2, 10, 10 - 8.0 / 256, 255}, {2, 10, 10, 256},
        {2, 10, 1e9, 256},     {2, 10, HUGE_VAL, 256},  {2, 10, nan, 0},
    };
    RenderSettings view;
    for (const Case& c : cases) {
        view.fogStart = c.start;
        view.fogEnd = c.end;
        EXPECT_EQ(fogWeight(view, c.d), c.w) << c.start << " " << c.end << " " << c.d;
        EXPECT_EQ(reference::fogWeightOf(view, c.d), c.w) << c.start << " " << c.end << " " << c.d;
    }
    // Every channel: w 0 keeps it, 256 gives the fog's, rounding to nearest.
    const Colour c = 0x00FF4000, f = 0x0000C0FF;
    for (int32_t w : {0, 1, 128, 255, 256})
        EXPECT_EQ(fogBlend(c, f, w), reference::fogged(c, f, w)) << w;
    EXPECT_EQ(fogBlend(c, f, 0), c);
    EXPECT_EQ(fogBlend(c, f, 256), f);
    EXPECT_EQ(fogBlend(0x000000FF, 0, 128), 0x00000080u);  // (255 * 128 + 128) >> 8
}

// The worked column 256 (perpWallDist 2.5): lineHeight 153 on 384 rows,
// rows 115 to 267, and on 385 rows lineHeight 154, rows 115 to 268.
TEST(RenderLook, PitchMovesTheSliceAndItsTextureRows) {
    struct Case {
        int32_t screenHeight, pitch, drawStart, drawEnd, drawEndUnclamped;
    };
    const Case cases[] = {
        {384, 0, 115, 268, 268},     {384, 1, 116, 269, 269},    {384, -1, 114, 267, 267},
        {384, 115, 230, 383, 383},   {384, 116, 231, 383, 384},  {384, -115, 0, 153, 153},
        {384, -300, 0, -32, -32},    {384, 300, 415, 383, 568},  {385, 0, 115, 269, 269},
        {385, -1, 114, 268, 268},    {385, 10000, 10115, 384, 10269},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.screenHeight) + " rows, pitch " + std::to_string(c.pitch));
        RenderScene s(2);
        s.settings.screenHeight = c.screenHeight;
        s.settings.pitch = c.pitch;
        const ColumnCast cast = castColumn(s.camera, s.world.worldMap, 512, c.screenHeight, 256, c.pitch);
        EXPECT_EQ(cast.drawStart, c.drawStart);
        EXPECT_EQ(cast.drawEnd, c.drawEnd);
        EXPECT_EQ(cast.drawEndUnclamped, c.drawEndUnclamped);
        const test::WrittenPixels written = test::renderNoting(s);
        for (int32_t y = 0; y < c.screenHeight; ++y)
            ASSERT_EQ(written.at(256, y), y >= c.drawStart && y < c.drawEnd) << y;
        // Screen row y shows the texture row that y - pitch shows unpitched.
        if (c.screenHeight == 384 && c.drawStart < c.drawEnd && c.drawStart > 0) {
            EXPECT_EQ(s.texelAt(256, c.drawStart), (test::Texel{2, 33}));  // texY -1: index -33
        }
    }
}

// Camera at (5, 5) looking along -x, a sprite at (3, 5): depth 2, unscaled
// 192 x 192 on columns 160 to 351 and rows 96 to 287.
TEST(RenderLook, SpriteScalesStandAndHang) {
    struct Case {
        const char* what;
        SpriteScale scale;
        int32_t pitch;
        double height, width;
        int32_t vMoveScreen, drawStartY, drawEndY, drawStartX, drawEndX;
    };
    const Case cases[] = {
        {"as before", {1, 1, 0}, 0, 192, 192, 0, 96, 288, 160, 352},
        {"half size on the floor", {0.5, 0.5, 0}, 0, 96, 96, 48, 192, 288, 208, 304},
        {"hanging from the ceiling", {0.5, 0.25, 0.75}, 0, 48, 96, -72, 96, 144, 208, 304},
        {"wide, looking up", {2, 1, 0}, 40, 192, 384, 0, 136, 328, 64, 448},
        {"odd height", {1, 101.0 / 192, 0}, 0, 101, 192, 46, 188, 288, 160, 352},
    };
    const Camera camera{5, 5, -1, 0, 0, 0.66};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SpriteProjection p = projectSprite(camera, 512, 384, 3, 5, c.scale, c.pitch);
        EXPECT_EQ(p.spriteHeight, c.height);
        EXPECT_EQ(p.spriteWidth, c.width);
        EXPECT_EQ(p.vMoveScreen, c.vMoveScreen);
        EXPECT_EQ(p.drawStartY, c.drawStartY);
        EXPECT_EQ(p.drawEndY, c.drawEndY);
        EXPECT_EQ(p.drawStartX, c.drawStartX);
        EXPECT_EQ(p.drawEndX, c.drawEndX);
        const reference::SpriteProjection r = reference::projectSprite(camera, 512, 384, 3, 5, c.scale, c.pitch);
        EXPECT_EQ(r.drawStartY, c.drawStartY);
        EXPECT_EQ(r.drawEndY, c.drawEndY);
    }
}

// Whole frames of the example map with a floor of its own in some cells, a
// ceiling in others, sprites of several sizes, fog and pitch, through both
// renderers. Cells (3, 2) and (4, 2) lie under column 256's floor rows.
TEST(RenderLook, FramesWithEveryLookMatchTheReference) {
    struct Case {
        int32_t pitch, screenHeight;
        double fogStart, fogEnd;
        bool maps, scaled;
        int32_t floorTexture;
    };
    const Case cases[] = {
        {0, 384, 0, 0, true, false, 3},     {0, 384, 1, 6, false, false, 3},  {40, 384, 0, 0, false, false, 3},
        {-40, 385, 0, 0, true, true, 3},    {40, 384, 2, 5, true, true, 0},   {191, 384, 0.5, 9, true, true, 3},
        {-192, 384, 0, 3, true, false, 3},  {600, 384, 0, 0, true, true, 3},  {-10000, 385, 0, 0, true, true, 3},
        {10000, 384, 0, 2, true, true, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("pitch " + std::to_string(c.pitch) + ", " + std::to_string(c.screenHeight) + " rows, fog " +
                     std::to_string(c.fogEnd) + (c.maps ? ", maps" : "") + (c.scaled ? ", scaled" : ""));
        RenderScene s(2);
        setMapSize(s.world, 8, 8);
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 8; ++j) s.setCell(i, j, (i == 0 || j == 0 || i == 7 || j == 7) ? 1 : 0);
        s.setCell(5, 2, 2);
        s.settings.screenHeight = c.screenHeight;
        s.settings.pitch = c.pitch;
        s.settings.fogStart = c.fogStart;
        s.settings.fogEnd = c.fogEnd;
        s.settings.fogColour = 0x00406080;
        s.settings.floorTexture = c.floorTexture;
        s.settings.ceilingTexture = 4;
        if (c.maps) {
            loadLayerRow(s.world.floorMap, 3, "00100");
            loadLayerRow(s.world.floorMap, 4, "0020");
            loadLayerRow(s.world.ceilingMap, 2, "0030");
            loadLayerRow(s.world.ceilingMap, 4, "00900");  // no texture 9: those pixels are skipped
        }
        s.camera = Camera{1.5, 2.5, 1, 0, 0, 0.66};
        s.addSprite(3.5, 3.5, 3);
        s.addSprite(4.5, 2.5, 1);
        s.addSprite(3.5, 1.5, 2);
        if (c.scaled) {
            setSpriteScale(s.world.sprites, 0, 0.5, 0.5, 0);
            setSpriteScale(s.world.sprites, 1, 0.3, 0.25, 0.75);
            setSpriteScale(s.world.sprites, 2, 2, 0.01, 0.2);
        }
        RenderScene slow = s;
        s.render();
        reference::renderFrame(slow.settings, slow.camera, slow.world, slow.frame, slow.backBuffer);
        for (int32_t y = 0; y < c.screenHeight; ++y)
            for (int32_t x = 0; x < 512; ++x) ASSERT_EQ(s.pixel(x, y), slow.pixel(x, y)) << x << "," << y;
    }
}

}  // namespace
}  // namespace vl
