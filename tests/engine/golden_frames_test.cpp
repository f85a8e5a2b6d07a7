// The golden frames through the native build's exports. Run with
// VL_UPDATE_GOLDEN=1 to rewrite the stored checksums after an intended
// change of the output; the DLL test then checks the 32-bit build agrees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "engine/engine.h"
#include "support/golden_frames.h"
#include "support/native_api.h"

namespace {

using vl::test::nativeApi;

std::vector<uint32_t> backBufferPixels() {
    const vl::Surface& bb = vl::globalEngine().backBuffer;
    std::vector<uint32_t> px;
    for (int y = 0; y < bb.height; ++y)
        for (int x = 0; x < bb.width; ++x) px.push_back(vl::pixelAt(bb, x, y));
    return px;
}

TEST(GoldenFrames, NativeFramesMatchTheStoredChecksums) {
    vl::globalEngine() = vl::EngineState{};
    const VelmoraApi api = nativeApi();
    const std::string dir = (std::filesystem::temp_directory_path() / "velmora-golden-native").string();
    std::filesystem::create_directories(dir);
    vl::golden::writeAssets(dir);
    ASSERT_EQ(api.vlInit(0), 1.0);
    vl::golden::setupWorld(api, dir);
    ASSERT_STREQ(api.vlGetLastError(), "");

    const bool update = std::getenv("VL_UPDATE_GOLDEN") != nullptr;
    const auto expected = vl::golden::loadGolden(vl::golden::goldenPath());
    std::map<std::string, uint64_t> actual;
    const auto& names = vl::golden::frameNames();
    for (size_t i = 0; i < names.size(); ++i) {
        vl::golden::renderFrame(api, i);
        const std::vector<uint32_t> px = backBufferPixels();
        actual[names[i]] = vl::golden::checksum(px);
        if (update) continue;
        const auto it = expected.find(names[i]);
        if (it == expected.end() || it->second != actual[names[i]]) {
            const std::string file = "golden-" + names[i] + ".ppm";
            vl::golden::writePpm(file, px);
            ADD_FAILURE() << "frame " << names[i] << " differs from its golden checksum; actual image in "
                          << std::filesystem::absolute(file);
        }
    }
    if (update) vl::golden::saveGolden(vl::golden::goldenPath(), actual);
}

}  // namespace
