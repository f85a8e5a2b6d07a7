// The golden frames through Velmora.dll, presented into a real window and
// read back: the 32-bit build must show exactly the native build's pixels.
#include <gtest/gtest.h>

#include "host.h"
#include "support/golden_frames.h"
#include "support/png_scene.h"

namespace {

TEST(DllGoldenFrames, TheDllShowsTheStoredFramesInAWindow) {
    // A copy under its own name loads as a separate module: a fresh engine,
    // untouched by the other tests in this process.
    VelmoraApi api;
    HMODULE module = loadFreshCopy("VelmoraGolden.dll", api);
    ASSERT_NE(module, nullptr);

    const std::string dir = tempPath("velmora-golden-dll");
    CreateDirectoryA(dir.c_str(), nullptr);
    vl::golden::writeAssets(dir);
    HWND window = testWindow();
    ASSERT_EQ(api.vlInit(double(uintptr_t(window))), 1.0);
    vl::golden::setupWorld(api, dir);
    ASSERT_STREQ(api.vlGetLastError(), "");

    const auto expected = vl::golden::loadGolden(vl::golden::goldenPath());
    const auto& names = vl::golden::frameNames();
    ASSERT_EQ(expected.size(), names.size()) << "golden checksums missing: run the native tests first";
    for (size_t i = 0; i < names.size(); ++i) {
        vl::golden::renderFrame(api, i);
        ASSERT_EQ(api.vlDrawScreen(), 1.0);
        const std::vector<uint32_t> px = readWindow(window);
        if (vl::golden::checksum(px) != expected.at(names[i])) {
            const std::string file = "golden-dll-" + names[i] + ".ppm";
            vl::golden::writePpm(file, px);
            ADD_FAILURE() << "frame " << names[i] << " differs from the native build; image in " << file;
        }
    }
    FreeLibrary(module);
}

TEST(DllPng, ASpriteTransparentByAlphaDrawsAsItsBmp) {
    VelmoraApi api;
    HMODULE module = loadFreshCopy("VelmoraPng.dll", api);
    ASSERT_NE(module, nullptr);
    const std::string dir = tempPath("velmora-png-dll");
    CreateDirectoryA(dir.c_str(), nullptr);
    EXPECT_EQ(vl::test::pngAgainstBmp(api, double(uintptr_t(testWindow())), dir), "");
    FreeLibrary(module);
}

}  // namespace
