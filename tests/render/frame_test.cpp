#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/walls.h"
#include "support/render_scene.h"

namespace vl {
namespace {

using test::RenderScene;
using test::Texel;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool allZero(const std::vector<Colour>& v) {
    for (Colour c : v)
        if (c) return false;
    return true;
}
int flagsSet(const RenderScene& s) {
    int n = 0;
    for (int32_t f : s.frame.drawnFlags) n += f;
    return n;
}

TEST(RenderFrame, CompositionWritesBlueGreenRedAndConsumesTheColours) {
    RenderScene s(2);
    s.world.textures[2].assign(kTexelsPerTexture, makeColour(64, 128, 255));
    s.world.textures[1].assign(kTexelsPerTexture, 0);
    s.render();
    const uint8_t* p = rowBytes(s.backBuffer, 200) + 3 * 256;
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 128);
    EXPECT_EQ(p[2], 64);
    // A staged 0 is written (black): the flag decides, not the colour.
    EXPECT_EQ(s.pixel(0, 200), 0u);
    EXPECT_TRUE(allZero(s.frame.colorBuffer));
    EXPECT_EQ(s.flag(256, 200), 1);

    // A second init zeroes colours but keeps the flags.
    s.frame.colorBuffer[5] = 7;
    initFrameBuffers(s.frame);
    EXPECT_TRUE(allZero(s.frame.colorBuffer));
    EXPECT_EQ(s.flag(256, 200), 1);
    EXPECT_EQ(s.frame.colorBuffer.size(), kStagingEntries);
}

TEST(RenderFrame, ModesOtherThanTexturedClearFlagsOnly) {
    for (int32_t mode : {0, 1, 3}) {
        RenderScene s(mode);
        s.settings.floorTexture = 3;
        s.addSprite(4, 2.5, 3);
        std::fill(s.frame.drawnFlags.begin(), s.frame.drawnFlags.end(), 1);
        s.frame.zBuffer.assign(512, 9.0);
        setBrushColor(s.backBuffer, 0x00336699);
        fillRect(s.backBuffer, 0, 0, 800, 600);
        const std::vector<uint8_t> before = s.backBuffer.pixels;
        s.render();
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x) ASSERT_EQ(s.flag(x, y), 0) << mode;
        EXPECT_EQ(s.flag(512, 0), 1);  // outside the view: untouched
        EXPECT_EQ(s.flag(0, 384), 1);
        EXPECT_EQ(s.frame.zBuffer, std::vector<double>(512, 9.0));
        EXPECT_TRUE(allZero(s.frame.colorBuffer));
        EXPECT_EQ(s.world.sprites.spriteDistance[0], 0.0);
        if (mode == 1) {
            EXPECT_EQ(s.pixel(256, 200), 0x00FF8040u);  // walls only
            EXPECT_EQ(s.pixel(256, 300), 0x00336699u);
        } else {
            EXPECT_EQ(s.backBuffer.pixels, before);
        }
    }
}

TEST(RenderFrame, SmallViewStaysInItsRectangle) {
    RenderScene s(2);
    s.settings.screenWidth = 320;
    s.settings.screenHeight = 200;
    s.settings.floorTexture = 3;
    s.settings.ceilingTexture = 4;
    s.addSprite(4, 2.5, 3);
    s.render();
    int changed = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const bool inside = x < 320 && y < 200;
            changed += inside && s.pixel(x, y) != clWhite;
            ASSERT_TRUE(inside || (s.pixel(x, y) == clWhite && s.flag(x, y) == 0)) << x << "," << y;
        }
    EXPECT_GT(changed, 320 * 190);
}

TEST(RenderFrame, DepthBufferGrowsForATexturedFrameOnly) {
    RenderScene flat(1);
    flat.frame.zBuffer.clear();
    flat.render();
    EXPECT_TRUE(flat.frame.zBuffer.empty());

    RenderScene s(2);
    s.frame.zBuffer.assign(3, 1.0);
    s.addSprite(4, 2.5, 3);
    s.render();
    ASSERT_EQ(s.frame.zBuffer.size(), 512u);
    EXPECT_EQ(s.frame.zBuffer[256], 2.5);
    EXPECT_EQ(s.texelAt(256, 192).texture, 3);
}

TEST(RenderFrame, RaysLeavingTheGridDrawNothing) {
    RenderScene s(2);
    s.settings.floorTexture = 3;
    s.settings.ceilingTexture = 4;
    for (int y = 0; y < 8; ++y) s.setCell(7, y, 0);  // open the far border
    s.setCell(5, 2, 0);
    s.addSprite(6.5, 2.5, 3);
    s.render();
    EXPECT_EQ(s.frame.zBuffer[256], HUGE_VAL);
    // The column shows only the sprite, which nothing hides.
    for (int y = 0; y < 384; ++y) {
        const bool sprite = y >= 144 && y < 240;
        ASSERT_EQ(s.flag(256, y), sprite) << y;
        ASSERT_TRUE(!sprite || s.texelAt(256, y).texture == 3) << y;
    }

    for (int mode : {1, 2}) {
        RenderScene empty(mode);
        setMapSize(empty.world.worldMap, 0, 0);
        empty.settings.floorTexture = 3;
        empty.render();
        EXPECT_EQ(flagsSet(empty), 0);
        for (int x = 0; x < 512; ++x) EXPECT_EQ(empty.pixel(x, 100), clWhite);
        EXPECT_EQ(empty.frame.zBuffer, std::vector<double>(512, mode == 2 ? HUGE_VAL : 0.0));
    }

    // Off the grid the first step already leaves it: nothing is seen.
    RenderScene far(2);
    far.camera = Camera{-3, 2.5, 1, 0, 0, 0.66};
    far.render();
    EXPECT_EQ(flagsSet(far), 0);

    // Just south of the map through an opened border cell, with a short
    // direction: the nearest floor points have negative y, whose indexes fall
    // before the texture's start and are skipped.
    RenderScene off(2);
    off.settings.floorTexture = 3;
    off.setCell(2, 0, 0);
    off.camera = Camera{2.5, -0.5, 0, 0.1, -0.066, 0};
    off.render();
    const ColumnCast c = castColumn(off.camera, off.world.worldMap, 512, 384, 256);
    ASSERT_TRUE(c.hit);
    EXPECT_EQ(c.mapY, 7);
    EXPECT_EQ(c.drawEnd, 194);
    EXPECT_EQ(off.flag(256, 200), 1);
    EXPECT_EQ(off.flag(256, 383), 0);
}

TEST(RenderFrame, MissingColoursAndTexturesSkipTheirPixels) {
    RenderScene flat(1);
    flat.world.flatColors.resize(2);  // no colour for kind 2
    flat.render();
    EXPECT_EQ(flat.pixel(256, 200), clWhite);
    EXPECT_EQ(flat.pixel(0, 192), halve(0x00102030));  // kind 1, seen on a y side

    RenderScene s(2);
    s.world.textures[2].clear();
    s.settings.ceilingTexture = 9;  // beyond the table
    s.settings.floorTexture = 3;
    s.addSprite(4, 2.5, 9);
    s.addSprite(4, 2.6, 0);  // the reserved, empty entry
    s.render();
    for (int y = 116; y < 268; ++y) ASSERT_EQ(s.flag(256, y), 0);
    EXPECT_EQ(s.frame.zBuffer[256], 2.5);
    EXPECT_EQ(s.texelAt(256, 300, true).texture, 3);
    EXPECT_EQ(s.flag(256, 84), 0);

    // A short texture: rows whose index reaches past its end stay unstaged.
    RenderScene shortTex(2);
    shortTex.world.textures[2].resize(100);
    shortTex.render();
    EXPECT_EQ(shortTex.texelAt(256, 115), (Texel{2, 33}));
    EXPECT_EQ(shortTex.texelAt(256, 116), (Texel{2, 31}));
    EXPECT_EQ(shortTex.flag(256, 267), 0);
}

TEST(RenderFrame, UnusableTextureSizesStageNothing) {
    for (auto size : {std::pair{0, 64}, std::pair{64, 0}, std::pair{-5, 64}, std::pair{128, 64}, std::pair{64, 65}}) {
        RenderScene s(2);
        s.settings.textureWidth = size.first;
        s.settings.textureHeight = size.second;
        s.settings.floorTexture = 3;
        s.settings.ceilingTexture = 4;
        s.addSprite(4, 2.5, 3);
        s.render();
        EXPECT_EQ(flagsSet(s), 0) << size.first << "x" << size.second;
        EXPECT_EQ(s.frame.zBuffer[256], 2.5);
        EXPECT_EQ(s.world.sprites.spriteDistance[0], 2.25);
    }
}

TEST(RenderFrame, HostileCamerasSpritesAndSizesStayInside) {
    const Camera cameras[] = {
        {kNaN, 2.5, 1, 0, 0, 0.66},     {2.5, 2.5, kNaN, kNaN, kNaN, kNaN},
        {2.5, 2.5, 1, 0, 1, 0},         {1e300, -1e300, 1, 0, 0, 0.66},
        {2.5, 2.5, 1e300, 1e-300, 0, 0.66}, {2.5, 2.5, HUGE_VAL, 0, 0, -HUGE_VAL},
        {3.0, 3.0, 1, 1, 0, 0},         {-1e9, 2.5, 1, 0, 0, 0.66}};
    for (const Camera& cam : cameras) {
        for (int mode : {1, 2}) {
            RenderScene s(mode);
            s.settings.floorTexture = 3;
            s.settings.ceilingTexture = 4;
            s.camera = cam;
            s.addSprite(4, 2.5, 3);
            s.addSprite(kNaN, 2.5, 3);
            s.addSprite(1e300, -1e300, 3);
            s.addSprite(2.5, 2.5, 3);  // on the camera: depth 0
            s.addSprite(2.5 + 1e-300, 2.5, 3);
            s.render();
            for (int y = 0; y < 600; ++y)
                for (int x = 0; x < 800; ++x) ASSERT_TRUE((x < 512 && y < 384) || s.flag(x, y) == 0);
        }
    }

    RenderScene big(2);
    big.settings.screenWidth = 5000;
    big.settings.screenHeight = 5000;
    big.settings.floorTexture = 3;
    big.addSprite(4, 2.5, 3);
    big.render();
    EXPECT_EQ(big.frame.zBuffer.size(), 800u);
    EXPECT_EQ(big.flag(799, 400), 1);

    for (auto size : {std::pair{0, 384}, std::pair{512, 0}, std::pair{-1, -1}, std::pair{INT32_MIN, 5}}) {
        RenderScene none(2);
        none.settings.screenWidth = size.first;
        none.settings.screenHeight = size.second;
        none.render();
        EXPECT_EQ(none.pixel(256, 200), clWhite);
    }

    // Buffers the caller never made are made on the first frame.
    RenderScene bare(2);
    bare.frame = FrameBuffers{};
    bare.render();
    EXPECT_EQ(bare.texelAt(256, 116), (Texel{2, 31}));
}

}  // namespace
}  // namespace vl
