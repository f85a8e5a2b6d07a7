#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "render/walls.h"
#include "support/render_scene.h"
#include "written_pixels.h"

namespace vl {
namespace {

using test::renderNoting;
using test::RenderScene;
using test::Texel;
using test::WrittenPixels;

bool allZero(const std::vector<Colour>& v) {
    return std::all_of(v.begin(), v.end(), [](Colour c) { return c == 0; });
}

TEST(RenderFrame, CompositionWritesBlueGreenRedAndConsumesTheColours) {
    RenderScene s(2);
    s.world.textures[2].assign(kTexelsPerTexture, makeColour(64, 128, 255));
    s.world.textures[1].assign(kTexelsPerTexture, 0);
    s.frame.zBuffer.clear();  // a host that never sized it
    const WrittenPixels written = renderNoting(s);
    const uint8_t* p = rowBytes(s.backBuffer, 200) + 3 * 256;
    EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{255, 128, 64}));
    EXPECT_EQ(s.pixel(0, 200), 0u);  // a staged 0 is written: the flag decides
    EXPECT_TRUE(allZero(s.frame.colorBuffer));
    EXPECT_TRUE(written.at(256, 200));
    ASSERT_EQ(s.frame.zBuffer.size(), 512u);
    EXPECT_EQ(s.frame.zBuffer[256], 2.5);
}

TEST(RenderFrame, OtherModesChangeNothingButFlatWalls) {
    for (int32_t mode : {0, 1, 3}) {
        RenderScene s(mode);
        s.settings.floorTexture = 3;
        s.addSprite(4, 2.5, 3);
        s.frame.drawnFlags.assign(kStagingEntries, 1);
        s.frame.zBuffer.clear();
        const std::vector<uint8_t> before = s.backBuffer.pixels;
        s.render();
        // Frames write straight into the back buffer: the flags are left alone.
        EXPECT_TRUE(
            std::all_of(s.frame.drawnFlags.begin(), s.frame.drawnFlags.end(), [](int32_t f) { return f == 1; }));
        EXPECT_TRUE(s.frame.zBuffer.empty());
        EXPECT_TRUE(allZero(s.frame.colorBuffer));
        EXPECT_EQ(s.world.sprites.spriteDistance[0], 0.0);
        EXPECT_EQ(s.backBuffer.pixels == before, mode != 1) << mode;  // flat: walls only
        EXPECT_EQ(s.pixel(256, 300), clWhite);
    }
}

TEST(RenderFrame, SmallViewStaysInItsRectangle) {
    RenderScene s(2);
    s.settings.screenWidth = 320;
    s.settings.screenHeight = 200;
    s.settings.floorTexture = 3;
    s.settings.ceilingTexture = 4;
    s.addSprite(4, 2.5, 3);
    const WrittenPixels written = renderNoting(s);
    int changed = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const bool inside = x < 320 && y < 200;
            changed += inside && s.pixel(x, y) != clWhite;
            ASSERT_TRUE(inside || (s.pixel(x, y) == clWhite && !written.at(x, y))) << x << "," << y;
        }
    EXPECT_GT(changed, 320 * 190);
}

TEST(RenderFrame, RaysLeavingTheGridDrawNothing) {
    RenderScene s(2);
    s.settings.floorTexture = 3;
    for (int y = 0; y < 8; ++y) s.setCell(7, y, 0);  // open the far border
    s.setCell(5, 2, 0);
    s.addSprite(6.5, 2.5, 3);
    const WrittenPixels written = renderNoting(s);
    EXPECT_EQ(s.frame.zBuffer[256], HUGE_VAL);
    for (int y = 0; y < 384; ++y) ASSERT_EQ(written.at(256, y), y >= 144 && y < 240) << y;  // the sprite only

    RenderScene empty(2), hollow(2), far(2);
    setMapSize(empty.world.worldMap, 0, 0);
    hollow.world.worldMap.cells.resize(10);  // fewer cells than its sizes claim
    far.camera.posX = -3;                    // the first step already leaves the grid
    for (RenderScene* r : {&empty, &hollow, &far}) {
        EXPECT_EQ(renderNoting(*r).count(), 0);
        EXPECT_EQ(r->frame.zBuffer, std::vector<double>(512, HUGE_VAL));
    }

    // South of the map through an opened border cell, with a short direction:
    // the nearest floor points have negative y, so their indexes fall before
    // the texture's start and are skipped.
    RenderScene off(2);
    off.settings.floorTexture = 3;
    off.setCell(2, 0, 0);
    off.camera = Camera{2.5, -0.5, 0, 0.1, -0.066, 0};
    const WrittenPixels offWritten = renderNoting(off);
    EXPECT_EQ(castColumn(off.camera, off.world.worldMap, 512, 384, 256).drawEnd, 194);
    EXPECT_TRUE(offWritten.at(256, 200));
    EXPECT_FALSE(offWritten.at(256, 383));
}

TEST(RenderFrame, MissingColoursAndTexturesSkipTheirPixels) {
    RenderScene flat(1);
    flat.world.flatColors.resize(2);  // no colour for kind 2
    flat.render();
    EXPECT_EQ(flat.pixel(256, 200), clWhite);

    RenderScene s(2);
    s.world.textures[2].clear();
    s.settings.floorTexture = 3;
    s.settings.ceilingTexture = 9;  // beyond the table
    s.addSprite(4, 2.5, 9);
    s.addSprite(4, 2.6, 0);  // the reserved, empty entry
    const WrittenPixels written = renderNoting(s);
    for (int y = 0; y < 269; ++y) ASSERT_FALSE(written.at(256, y)) << y;
    EXPECT_EQ(s.frame.zBuffer[256], 2.5);
    EXPECT_EQ(s.texelAt(256, 300, true).texture, 3);

    RenderScene shortTex(2);  // rows whose index passes its end stay unstaged
    shortTex.world.textures[2].resize(100);
    const WrittenPixels shortWritten = renderNoting(shortTex);
    EXPECT_EQ(shortTex.texelAt(256, 116), (Texel{2, 31}));
    EXPECT_FALSE(shortWritten.at(256, 267));

    for (auto [w, h] : {std::pair{0, 64}, std::pair{64, 0}, std::pair{-5, 64}, std::pair{128, 64}}) {
        RenderScene bad(2);
        bad.settings.textureWidth = w;
        bad.settings.textureHeight = h;
        bad.settings.floorTexture = 3;
        bad.addSprite(4, 2.5, 3);
        EXPECT_EQ(renderNoting(bad).count(), 0) << w << "x" << h;
        EXPECT_EQ(bad.frame.zBuffer[256], 2.5);
        EXPECT_EQ(bad.world.sprites.spriteDistance[0], 2.25);
    }
}

TEST(RenderFrame, HostileCamerasSpritesAndSizesStayInside) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Camera cameras[] = {{nan, 2.5, 1, 0, 0, 0.66},        {2.5, 2.5, nan, nan, nan, nan},
                              {2.5, 2.5, 1, 0, 1, 0},           {1e300, -1e300, 1, 0, 0, 0.66},
                              {2.5, 2.5, 1e300, 1e-300, 0, 0.66}, {2.5, 2.5, HUGE_VAL, 0, 0, -HUGE_VAL}};
    for (const Camera& cam : cameras)
        for (int mode : {1, 2}) {
            RenderScene s(mode);
            s.settings.floorTexture = 3;
            s.settings.ceilingTexture = 4;
            s.camera = cam;
            for (double x : {4.0, nan, 1e300, 2.5, 2.5 + 1e-300}) s.addSprite(x, 2.5, 3);
            const WrittenPixels written = renderNoting(s);
            EXPECT_EQ(written.count(), written.countIn(512, 384));
        }

    RenderScene big(2);  // a view beyond the back buffer is cut to it
    big.settings.screenWidth = big.settings.screenHeight = 5000;
    big.render();
    EXPECT_EQ(big.frame.zBuffer.size(), 800u);
    for (auto [w, h] : {std::pair{0, 384}, std::pair{512, 0}, std::pair{INT32_MIN, -1}}) {
        RenderScene none(2);
        none.settings.screenWidth = w;
        none.settings.screenHeight = h;
        none.render();
        EXPECT_EQ(none.pixel(256, 200), clWhite);
    }
    RenderScene bare(2);  // buffers never made are made by the first frame
    bare.frame = FrameBuffers{};
    bare.render();
    EXPECT_EQ(bare.texelAt(256, 116), (Texel{2, 31}));
}

}  // namespace
}  // namespace vl
