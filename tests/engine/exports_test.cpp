// The exports as a host calls them, on the one global record: how each
// integer argument is converted, the drawing calls before vlInit, and indexes
// one past the end of their lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <cmath>
#include <vector>

#include "engine/engine.h"
#include "overlay/overlay.h"
#include "support/bmp_writer.h"
#include "support/drawing_calls.h"
#include "support/native_api.h"
#include "support/past_the_end.h"
#include "support/render_scene.h"
#include "velmora.h"

namespace {

using namespace vl;

// The record as the library is loaded: zeroed, vlInit not yet run.
EngineState& freshEngine() {
    EngineState& st = globalEngine();
    st = EngineState{};
    return st;
}

template <class List>
double entry(const List& list, size_t i) {
    return i < list.size() ? double(list[i]) : -1.0;
}

Surface filledImage(int32_t side, Colour c) {
    Surface s = frameSurface(side, side);
    setBrushColor(s, c);
    fillRect(s, 0, 0, side, side);
    return s;
}

// Left, top, right and bottom (inclusive) of the pixels that are not white,
// then the colour at the top-left of that box.
std::vector<double> inkBox(const Surface& s) {
    int32_t left = s.width, top = s.height, right = -1, bottom = -1;
    for (int32_t y = 0; y < s.height; ++y)
        for (int32_t x = 0; x < s.width; ++x)
            if (pixelAt(s, x, y) != clWhite)
                left = std::min(left, x), top = std::min(top, y), right = std::max(right, x),
                bottom = std::max(bottom, y);
    return {double(left), double(top), double(right), double(bottom), double(pixelAt(s, left, top))};
}

// Every integer argument of every export goes through the same rounding. Each
// value rounds up where truncation would round down, and the arguments of a
// call all land on different integers, so a truncated or swapped argument
// changes what the call is seen to do.
TEST(Exports, EveryIntegerArgumentIsRoundedToNearestTiesToEven) {
    EngineState& st = freshEngine();
    const std::string texture = (std::filesystem::temp_directory_path() / "velmora-exports-texture.bmp").string();
    test::BmpFields fields;
    fields.width = fields.height = 2;
    fields.pixels = test::packRows(2, 2, 24, [](int32_t x, int32_t y) { return makeColour(x, y, 9); });
    test::writeBmpFile(texture, fields);
    const Colour imageColours[3] = {0x00000011, 0x00002200, 0x00330000};
    for (Colour c : imageColours) st.world.overlayImages.push_back(filledImage(4, c));
    addSprite(st.world.sprites, 10, 10, 1);
    addSprite(st.world.sprites, 11, 11, 1);
    auto blank = [&] { std::fill(st.backBuffer.pixels.begin(), st.backBuffer.pixels.end(), uint8_t(0xFF)); };
    EngineState reference;  // the text drawn where the rounded arguments put it
    init(reference, 0);
    drawText(reference.backBuffer, 40, 60, "Hi");
    std::vector<double> textAt40x60 = inkBox(reference.backBuffer);
    textAt40x60.insert(textAt40x60.begin(), 0.0);
    textAt40x60.pop_back();  // the box's corner need not be ink

    const World& w = st.world;
    const Sprites& sp = st.world.sprites;
    struct Case {
        const char* call;
        std::function<double()> run;
        std::function<std::vector<double>()> seen;
        std::vector<double> expected;  // the call's result, then what it changed
    };
    const std::vector<Case> cases = {
        {"vlInit(5.5)", [] { return vlInit(5.5); }, [&] { return std::vector<double>{double(st.windowHandle)}; },
         {1, 6}},
        {"vlSetWindowSize(319.5, 199.5)", [] { return vlSetWindowSize(319.5, 199.5); },
         [&] { return std::vector<double>{double(st.settings.screenWidth), double(st.settings.screenHeight),
                                          double(st.frame.zBuffer.size())}; },
         {0, 320, 200, 320}},
        {"vlSetRenderMode(1.5)", [] { return vlSetRenderMode(1.5); },
         [&] { return std::vector<double>{double(st.settings.renderMode)}; }, {0, 2}},
        {"vlSetTextureSize(31.5, 63.5)", [] { return vlSetTextureSize(31.5, 63.5); },
         [&] { return std::vector<double>{double(st.settings.textureWidth), double(st.settings.textureHeight)}; },
         {0, 32, 64}},
        {"vlSetFloorCeilTexture(3.5, 6.9999)", [] { return vlSetFloorCeilTexture(3.5, 6.9999); },
         [&] { return std::vector<double>{double(st.settings.floorTexture), double(st.settings.ceilingTexture)}; },
         {0, 4, 7}},
        {"vlSetMapSize(5.5, 3.5)", [] { return vlSetMapSize(5.5, 3.5); },
         [&] { return std::vector<double>{double(w.worldMap.rowLength), double(w.worldMap.rowCount)}; }, {0, 6, 4}},
        {"vlLoadMap(1.5, \"12\")", [] { return double(std::strlen(vlLoadMap(1.5, "12"))); },
         [&] { return std::vector<double>{entry(w.worldMap.cells, 6), entry(w.worldMap.cells, 12),
                                          entry(w.worldMap.cells, 13)}; },
         {2, 0, 1, 2}},
        {"vlSetFlatWallColor(1.5, 9.5, 21.5, 32.75)", [] { return vlSetFlatWallColor(1.5, 9.5, 21.5, 32.75); },
         [&] { return std::vector<double>{double(w.flatColors.size()), entry(w.flatColors, 2)}; },
         {0, 3, double(makeColour(10, 22, 33))}},
        {"vlLoadTexture(1.5, file)", [&] { return vlLoadTexture(1.5, texture.c_str()); },
         [&] { return std::vector<double>{double(w.textures.size()), double(w.textures[1].size()),
                                          double(w.textures.back().size())}; },
         {0, 3, 0, 4096}},
        {"vlAddSprite(0.25, 0.5, 3.5)", [] { return vlAddSprite(0.25, 0.5, 3.5); },
         [&] { return std::vector<double>{entry(sp.spriteTexture, 2), entry(sp.spriteX, 2), entry(sp.spriteY, 2)}; },
         {2, 4, 0.25, 0.5}},
        {"vlSetSpritePos(0.9999, 7.25, 8.5)", [] { return vlSetSpritePos(0.9999, 7.25, 8.5); },
         [&] { return std::vector<double>{sp.spriteX[0], sp.spriteX[1], sp.spriteY[1], sp.spriteX[2]}; },
         {0, 10, 7.25, 8.5, 0.25}},
        {"vlDrawColor(9.5, 21.5, 32.75)", [] { return vlDrawColor(9.5, 21.5, 32.75); },
         [&] { return std::vector<double>{double(canvas(st.backBuffer).brushColor),
                                          double(canvas(st.backBuffer).fontColor)}; },
         {0, double(makeColour(10, 22, 33)), double(makeColour(10, 22, 33))}},
        {"vlDrawRectangle(1.5, 3.5, 5.5, 7.5)", [&] { blank(); return vlDrawRectangle(1.5, 3.5, 5.5, 7.5); },
         [&] { return inkBox(st.backBuffer); }, {0, 2, 4, 5, 7, double(makeColour(10, 22, 33))}},
        {"vlDrawText(39.5, 59.5, \"Hi\")", [&] { blank(); return vlDrawText(39.5, 59.5, "Hi"); },
         [&] { std::vector<double> box = inkBox(st.backBuffer); box.pop_back(); return box; }, textAt40x60},
        {"vlDrawSprite(1.5, 39.5, 59.5)", [&] { blank(); return vlDrawSprite(1.5, 39.5, 59.5); },
         [&] { return inkBox(st.backBuffer); }, {0, 40, 60, 43, 63, double(imageColours[2])}},
        {"vlSetFogColor(9.5, 21.5, 32.75)", [] { return vlSetFogColor(9.5, 21.5, 32.75); },
         [&] { return std::vector<double>{double(st.settings.fogColour)}; }, {0, double(makeColour(10, 22, 33))}},
        {"vlSetPitch(-40.5)", [] { return vlSetPitch(-40.5); },
         [&] { return std::vector<double>{double(st.settings.pitch)}; }, {0, -40}},
        {"vlLoadFloorMap(1.5, \"12\")", [] { return double(std::strlen(vlLoadFloorMap(1.5, "12"))); },
         [&] { return std::vector<double>{double(layerAt(w.floorMap, 2, 0)), double(layerAt(w.floorMap, 2, 1))}; },
         {2, 1, 2}},
        {"vlLoadCeilingMap(2.5, \"3\")", [] { return double(std::strlen(vlLoadCeilingMap(2.5, "3"))); },
         [&] { return std::vector<double>{double(layerAt(w.ceilingMap, 2, 0))}; }, {1, 3}},
        {"vlSetSpriteScale(0.9999, 0.5, 2, 0.25)", [] { return vlSetSpriteScale(0.9999, 0.5, 2, 0.25); },
         [&] { const SpriteScale k = spriteScaleOf(sp, 1); return std::vector<double>{k.width, k.height, k.lift}; },
         {0, 0.5, 2, 0.25}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        std::vector<double> got{c.run()};
        for (double v : c.seen()) got.push_back(v);
        EXPECT_EQ(got, c.expected);
    }
    EXPECT_STREQ(vlGetLastError(), "");
    std::filesystem::remove(texture);
}

// The look's settings work before vlInit and outlive it; out-of-range ones
// fail with their text and change nothing.
TEST(Exports, LookSettingsRefuseWhatIsOutOfRange) {
    EngineState& st = freshEngine();
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = HUGE_VAL;
    EXPECT_EQ(vlSetFog(2, 9), 0.0);
    EXPECT_EQ(vlSetPitch(10000.5), 0.0);  // rounds to the even 10000
    EXPECT_EQ(vlSetMapSize(3, 3), 0.0);
    EXPECT_STREQ(vlLoadFloorMap(0, "090"), "090");
    EXPECT_EQ(vlAddSprite(1, 1, 1), 0.0);
    struct Case {
        const char* call;
        std::function<double()> run;
        const char* error;
    };
    const Case refused[] = {
        {"vlSetFog(NaN, 1)", [&] { return vlSetFog(nan, 1); }, "ERangeError: Fog distance out of range"},
        {"vlSetFog(0, inf)", [&] { return vlSetFog(0, inf); }, "ERangeError: Fog distance out of range"},
        {"vlSetPitch(10001)", [] { return vlSetPitch(10001); }, "ERangeError: Pitch out of range"},
        {"vlSetPitch(-10001)", [] { return vlSetPitch(-10001); }, "ERangeError: Pitch out of range"},
        {"vlSetSpriteScale(0, 0, 1, 0)", [] { return vlSetSpriteScale(0, 0, 1, 0); },
         "ERangeError: Sprite scale out of range"},
        {"vlSetSpriteScale(0, 1, -1, 0)", [] { return vlSetSpriteScale(0, 1, -1, 0); },
         "ERangeError: Sprite scale out of range"},
        {"vlSetSpriteScale(7, 1, 1, NaN)", [&] { return vlSetSpriteScale(7, 1, 1, nan); },
         "ERangeError: Sprite scale out of range"},
        {"vlSetSpriteScale(0, inf, 1, 0)", [&] { return vlSetSpriteScale(0, inf, 1, 0); },
         "ERangeError: Sprite scale out of range"},
        {"vlSetSpriteScale(NaN, 0.5, 0.5, 0)", [&] { return vlSetSpriteScale(nan, 0.5, 0.5, 0); },
         "ERangeError: Sprite scale out of range"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.call);
        st.lastError.clear();
        EXPECT_EQ(c.run(), -1.0);
        EXPECT_STREQ(vlGetLastError(), c.error);
    }
    st.lastError.clear();
    EXPECT_EQ(vlSetSpriteScale(1, 0.5, 0.5, 0), 0.0);  // no sprite 1: ignored
    EXPECT_EQ(vlSetPitch(nan), 0.0);                    // NaN rounds to 0
    EXPECT_STREQ(vlLoadCeilingMap(1, "1x"), "");
    EXPECT_STREQ(vlGetLastError(), "EConvertError: 'x' is not a valid integer value");
    EXPECT_EQ(layerAt(st.world.ceilingMap, 1, 0), 1);  // the cell before it is kept
    EXPECT_EQ(vlSetPitch(-3), 0.0);
    vlInit(0);
    EXPECT_EQ(st.settings.fogStart, 2.0);
    EXPECT_EQ(st.settings.fogEnd, 9.0);
    EXPECT_EQ(st.settings.pitch, -3);
    EXPECT_EQ(spriteScaleOf(st.world.sprites, 0).height, 1.0);
    EXPECT_EQ(layerAt(st.world.floorMap, 0, 1), 9);
    vlSetMapSize(3, 3);  // sizes the layers with the map and clears them
    EXPECT_EQ(layerAt(st.world.floorMap, 0, 1), 0);
    EXPECT_EQ(layerAt(st.world.ceilingMap, 1, 0), 0);
}

// A pixel without a sprite is an answer, not a failure: no error text.
TEST(Exports, PickingNoSpriteSetsNoError) {
    EngineState& st = freshEngine();
    EXPECT_EQ(vlPickSprite(10, 10), -1.0);  // before vlInit
    vlInit(0);
    st.world = test::RenderScene(2).world;
    st.camera = Camera{5, 5, -1, 0, 0, 0.66};
    vlSetTextureSize(64, 64);
    vlSetRenderMode(2);
    vlAddSprite(3, 5, 3);
    vlRaycastingScreen();
    st.lastError = "EReadError: Stream read error";
    EXPECT_EQ(vlPickSprite(255.5, 192), 0.0);  // rounds to 256
    EXPECT_EQ(vlPickSprite(10, 10), -1.0);
    EXPECT_EQ(vlPickSprite(1e300, -HUGE_VAL), -1.0);
    EXPECT_STREQ(vlGetLastError(), "EReadError: Stream read error");
}

TEST(Exports, DrawingBeforeInitFailsForWantOfACanvas) {
    EngineState& st = freshEngine();
    const VelmoraApi api = test::nativeApi();
    for (const test::DrawingCall& c : test::kDrawingCalls) {
        SCOPED_TRACE(c.name);
        st.lastError.clear();
        EXPECT_EQ(c.call(api), -1.0);
        EXPECT_STREQ(api.vlGetLastError(), test::kNoCanvasError);
    }
    EXPECT_TRUE(isEmpty(st.backBuffer));
}

// Indexes one past the end of their lists reach nothing. A guard just past
// each list's end makes a stray read or write show in every build.
TEST(Exports, IndexesOnePastTheEndReachNothing) {
    EngineState& st = freshEngine();
    vlInit(0);
    vlAddSprite(1, 2, 3);
    vlAddSprite(4, 5, 6);
    {
        test::PastTheEnd<double> x(st.world.sprites.spriteX, -7), y(st.world.sprites.spriteY, -7);
        EXPECT_EQ(vlSetSpritePos(2, 9, 9), 0.0);
        EXPECT_EQ(x.value(), -7.0);
        EXPECT_EQ(y.value(), -7.0);
    }
    st.world.overlayImages = {filledImage(4, 0x00000011), filledImage(4, 0x00002200)};
    {
        test::PastTheEnd<Surface> image(st.world.overlayImages, filledImage(4, 0x00330000));
        EXPECT_EQ(vlDrawSprite(2, 10, 10), 0.0);
        EXPECT_EQ(pixelAt(st.backBuffer, 10, 10), clWhite);
    }

    // Textures one texel short of 64 x 64, for walls, floor, ceiling and a
    // sprite: the texel each would need last is the guard's.
    const test::RenderScene scene(2);
    st.world = scene.world;
    st.settings = scene.settings;
    st.settings.floorTexture = 3;
    st.settings.ceilingTexture = 4;
    st.camera = scene.camera;
    vlSetWindowSize(512, 384);
    vlAddSprite(4, 2.5, 2);
    const Colour guard = makeColour(0xFB, 0x0D, 0xF1);  // odd channels: no index texel, halved or not
    std::vector<Colour>* t = st.world.textures.data();
    for (int i = 1; i <= 4; ++i) t[i].resize(kTexelsPerTexture - 1);
    test::PastTheEnd<Colour> g1(t[1], guard), g2(t[2], guard), g3(t[3], guard), g4(t[4], guard);
    EXPECT_EQ(vlRaycastingScreen(), 0.0);
    EXPECT_EQ(test::decodeTexel(pixelAt(st.backBuffer, 256, 200), false).texture, 2) << "the frame was drawn";
    int guards = 0;
    for (int32_t y = 0; y < 384; ++y)
        for (int32_t x = 0; x < 512; ++x) {
            const Colour c = pixelAt(st.backBuffer, x, y);
            guards += c == guard || c == halve(guard);
        }
    EXPECT_EQ(guards, 0);
}

}  // namespace

namespace {

// The back buffer keeps a fourth byte per pixel, and 32-bit images bring
// fourth bytes of their own; no host may see it as anything but 255. After
// each operation, both copies give every pixel the colour pixelAt reads,
// with 255.
TEST(Exports, EveryOperationLeavesPixelsACopyShowsOpaque) {
    freshEngine();
    const VelmoraApi api = test::nativeApi();
    const std::string dir = std::filesystem::temp_directory_path().string();
    // Fourth bytes 0..255 in two 32-bit images: top-down (read as stored)
    // and bottom-up (read through its masks), and a 24-bit one.
    const auto withFourth = [](int32_t x, int32_t y) { return uint32_t((x * 16 + y) << 24 | (x * 7) << 16 | y * 9); };
    std::vector<std::string> images;
    for (int32_t height : {-16, 16, 24}) {
        test::BmpFields f;
        f.width = 16;
        f.height = height == 24 ? 16 : height;
        f.bitsPerPixel = height == 24 ? 24 : 32;
        f.pixels = test::packRows(16, f.height, f.bitsPerPixel, withFourth);
        images.push_back(dir + "/velmora-fourth-byte-" + std::to_string(images.size()) + ".bmp");
        test::writeBmpFile(images.back(), f);
    }
    const struct {
        const char* name;
        std::function<void()> call;
    } steps[] = {
        {"vlInit", [&] { api.vlInit(0); }},
        {"images", [&] {
             for (size_t i = 0; i < images.size(); ++i) {
                 api.vlLoadBitmap(images[i].c_str());
                 api.vlDrawSprite(double(i), 20.0 * double(i), 0);
             }
         }},
        {"rectangle", [&] { api.vlDrawColor(1, 2, 3), api.vlDrawRectangle(100, 100, 300, 200); }},
        {"text", [&] { api.vlDrawColor(200, 100, 50), api.vlDrawText(10, 300, "Opaque"); }},
        {"flat frame", [&] {
             api.vlSetMapSize(3, 3);
             for (int x = 0; x < 3; ++x) api.vlLoadMap(x, x == 1 ? "101" : "111");
             api.vlSetFlatWallColor(1, 30, 60, 90);
             api.vlSetPlayerPos(1.5, 1.5);
             api.vlRaycastingScreen();
         }},
        {"textured frame", [&] {
             api.vlLoadTexture(1, images[0].c_str());
             api.vlSetRenderMode(2);
             api.vlSetFloorCeilTexture(1, 1);
             api.vlRaycastingScreen();
         }},
        {"second vlInit", [&] { api.vlInit(0); }},
    };
    std::vector<uint8_t> bgra(1920000 + 4, 0xEE), rgba(bgra.size(), 0xEE);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.call();
        ASSERT_EQ(api.vlCopyBackBuffer(bgra.data(), 1), 1920000.0);
        ASSERT_EQ(api.vlCopyBackBuffer(rgba.data(), 0), 1920000.0);
        const Surface& back = globalEngine().backBuffer;
        for (int32_t y = 0; y < 600; ++y)
            for (int32_t x = 0; x < 800; ++x) {
                const Colour c = pixelAt(back, x, y);
                const uint8_t* b = &bgra[size_t(y * 800 + x) * 4];
                const uint8_t* r = &rgba[size_t(y * 800 + x) * 4];
                const uint8_t red = c & 0xFF, green = c >> 8 & 0xFF, blue = c >> 16 & 0xFF;
                ASSERT_TRUE(b[0] == blue && b[1] == green && b[2] == red && b[3] == 255 && r[0] == red &&
                            r[1] == green && r[2] == blue && r[3] == 255)
                    << "pixel " << x << ", " << y;
            }
        EXPECT_EQ(bgra.back(), 0xEE);
        EXPECT_EQ(rgba.back(), 0xEE);
    }
    for (const std::string& path : images) std::filesystem::remove(path);
}

}  // namespace
