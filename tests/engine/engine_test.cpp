#include "engine/engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "velmora.h"

namespace {

using namespace vl;

TEST(Engine, InitSetsDefaultsAndLeavesTexturesAndCameraAlone) {
    EngineState st;
    st.settings.textureWidth = 64;
    st.settings.floorTexture = 3;
    st.camera.posX = 1.25;
    st.camera.dirY = -1;
    EXPECT_EQ(init(st, 77), 1.0);
    EXPECT_EQ(st.windowHandle, 77);
    EXPECT_EQ(st.settings.renderMode, 1);
    EXPECT_EQ(st.settings.modeFlat, 1);
    EXPECT_EQ(st.settings.modeTextured, 2);
    EXPECT_EQ(st.settings.screenWidth, 512);
    EXPECT_EQ(st.settings.screenHeight, 384);
    EXPECT_EQ(st.camera.planeX, 0.0);
    EXPECT_EQ(st.camera.planeY, 0.66);
    EXPECT_EQ(st.settings.textureWidth, 64);
    EXPECT_EQ(st.settings.floorTexture, 3);
    EXPECT_EQ(st.camera.posX, 1.25);
    EXPECT_EQ(st.camera.dirY, -1.0);
    EXPECT_EQ(st.world.flatColors.size(), 1u);
    EXPECT_EQ(st.world.textures.size(), 1u);
    EXPECT_TRUE(st.frame.zBuffer.empty()) << "only the window size sizes the depth buffer";
    EXPECT_EQ(st.backBuffer.width, 800);
    EXPECT_EQ(st.backBuffer.height, 600);
    EXPECT_TRUE(isFrameLayout(st.backBuffer));
    EXPECT_EQ(pixelAt(st.backBuffer, 799, 599), clWhite);
}

TEST(Engine, SecondInitMakesNewSurfacesAndAppendsReservedEntries) {
    EngineState st;
    init(st, 1);
    setFlatWallColor(st.world, 1, 0xFF);
    setBrushColor(st.backBuffer, 0x00FF00);
    fillRect(st.backBuffer, 0, 0, 5, 5);
    st.settings.renderMode = 2;
    st.camera.planeX = 0.5;
    addSprite(st.world.sprites, 1, 2, 3);
    init(st, 2);
    EXPECT_EQ(st.windowHandle, 2);
    EXPECT_EQ(pixelAt(st.backBuffer, 0, 0), clWhite);
    EXPECT_EQ(canvas(st.backBuffer).brushColor, clWhite);
    EXPECT_EQ(st.settings.renderMode, 1);
    EXPECT_EQ(st.camera.planeX, 0.0);
    ASSERT_EQ(st.world.flatColors.size(), 3u);
    EXPECT_EQ(st.world.flatColors[1], 0xFFu) << "loaded entries keep their indexes";
    EXPECT_EQ(st.world.textures.size(), 2u);
    EXPECT_EQ(st.world.sprites.spriteCount, 1);
}

TEST(Engine, WindowSizeResizesOnlyTheDepthBufferAndClampsToTheBackBuffer) {
    EngineState st;
    init(st, 0);
    setWindowSize(st, 320, 200);
    EXPECT_EQ(st.settings.screenWidth, 320);
    EXPECT_EQ(st.settings.screenHeight, 200);
    ASSERT_EQ(st.frame.zBuffer.size(), 320u);
    st.frame.zBuffer[319] = 7.5;
    setWindowSize(st, 400, 200);
    EXPECT_EQ(st.frame.zBuffer[319], 7.5) << "entries kept up to the old length";
    EXPECT_EQ(st.frame.zBuffer[399], 0.0);
    setWindowSize(st, 5000, -3);
    EXPECT_EQ(st.settings.screenWidth, 800);
    EXPECT_EQ(st.settings.screenHeight, 0);
    EXPECT_EQ(st.frame.zBuffer.size(), 800u);
    EXPECT_EQ(st.backBuffer.width, 800);
}

// The exports on the global record: conversions, exact storage, results.
TEST(Exports, ConvertArgumentsStoreRealsExactlyAndReturnTheirResults) {
    EngineState& st = globalEngine();
    ASSERT_EQ(vlInit(3.5), 1.0);
    EXPECT_EQ(st.windowHandle, 4);
    EXPECT_EQ(vlSetPlayerPos(0.1, 0.2), 0.0);
    EXPECT_EQ(std::memcmp(&st.camera.posX, "\x9a\x99\x99\x99\x99\x99\xb9\x3f", 8), 0);  // 0.1 bit for bit
    EXPECT_EQ(st.camera.posY, 0.2);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    vlSetPlayerDir(-0.0, nan);
    EXPECT_TRUE(std::signbit(st.camera.dirX));
    EXPECT_TRUE(std::isnan(st.camera.dirY));
    vlSetPlane(1e-300, -1e300);
    EXPECT_EQ(st.camera.planeX, 1e-300);
    vlSetRenderMode(2.5);
    EXPECT_EQ(st.settings.renderMode, 2);
    vlSetTextureSize(63.5, 64.5);
    EXPECT_EQ(st.settings.textureWidth, 64);
    EXPECT_EQ(st.settings.textureHeight, 64);
    vlSetFloorCeilTexture(-2.5, 4294967298.0);
    EXPECT_EQ(st.settings.floorTexture, -2);
    EXPECT_EQ(st.settings.ceilingTexture, 2);
    EXPECT_EQ(vlFree(), 0.0);
    EXPECT_EQ(vlTest(), 0.0);
    st.windowHandle = 0;  // a headless host: nothing to present into
    EXPECT_EQ(vlDrawScreen(), 1.0);
}

TEST(Exports, FailuresReturnMinusOneAndLeaveTheirTextBehind) {
    EngineState& st = globalEngine();
    vlInit(0);
    vlSetMapSize(8, 8);
    EXPECT_STREQ(vlLoadMap(3, "10x1"), "");
    EXPECT_STREQ(vlGetLastError(), "EConvertError: 'x' is not a valid integer value");
    EXPECT_EQ(st.world.worldMap.cells[3 * 8 + 0], 1) << "cells before the bad character stay stored";
    EXPECT_STREQ(vlLoadMap(2, "1020"), "1020");
    EXPECT_STREQ(vlGetLastError(), "EConvertError: 'x' is not a valid integer value") << "success keeps the last error";
    EXPECT_EQ(vlSetMapSize(1e12, 8), -1.0);
    EXPECT_EQ(st.world.worldMap.rowLength, 8) << "a refused size changes nothing";
    EXPECT_EQ(std::string(vlGetLastError()).substr(0, 12), "ERangeError:");
}

TEST(Exports, PresentationSettingsHoldFromLoadAndRefuseWhatIsOutOfRange) {
    EngineState& st = globalEngine();
    st = EngineState{};  // as loaded
    auto settings = [&] {
        const PresentSettings& p = st.presentation;
        return std::vector<int32_t>{p.mode, p.left, p.top, p.right, p.bottom};
    };
    EXPECT_EQ(settings(), (std::vector<int32_t>{0, 0, 0, 800, 600}));
    EXPECT_EQ(vlSetWindow(7.5), 1.0) << "before vlInit too";
    EXPECT_EQ(st.windowHandle, 8);
    EXPECT_EQ(vlSetPresentation(2.5), 0.0);  // ties to even: 2
    EXPECT_EQ(vlSetPresentArea(0.4, 1.5, 799.5, 600.4), 0.0);
    vlInit(3);
    EXPECT_EQ(st.windowHandle, 3) << "vlInit takes its own handle";
    EXPECT_EQ(settings(), (std::vector<int32_t>{2, 0, 2, 800, 600})) << "vlInit leaves them alone";

    const double nan = std::nan(""), inf = HUGE_VAL;
    const struct {
        double mode;
    } badModes[] = {{-1}, {4}, {3.5}, {-0.6}, {1e10}, {4294967296.0 + 5}};
    for (const auto& b : badModes) {
        EXPECT_EQ(vlSetPresentation(b.mode), -1.0) << b.mode;
        EXPECT_STREQ(vlGetLastError(), "ERangeError: Presentation mode out of range");
    }
    const struct {
        double left, top, right, bottom;
    } badAreas[] = {{-1, 0, 800, 600}, {0, -1, 800, 600}, {0, 0, 801, 600}, {0, 0, 800, 601},
                    {10, 0, 10, 600},  {0, 10, 800, 10}, {20, 0, 10, 600}, {0, 0, 800.5, 600.6},
                    {0, 0, nan, 600}, {0, 0, inf, 600}};  // NaN and infinities round to 0
    for (const auto& b : badAreas) {
        EXPECT_EQ(vlSetPresentArea(b.left, b.top, b.right, b.bottom), -1.0) << b.left << " " << b.top << " " << b.right << " " << b.bottom;
        EXPECT_STREQ(vlGetLastError(), "ERangeError: Presentation area out of range");
    }
    EXPECT_EQ(settings(), (std::vector<int32_t>{2, 0, 2, 800, 600})) << "refusals change nothing";
}

}  // namespace
