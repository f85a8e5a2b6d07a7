// Textures and overlay images loaded from files into the world's tables.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.h"
#include "support/bmp_writer.h"
#include "world/world.h"

namespace {

using namespace vl;

std::string tempFile(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("velmora-assets-" + name)).string();
}

std::string imageFile(const std::string& name, int32_t w, int32_t h) {
    test::BmpFields f;
    f.width = w;
    f.height = h;
    f.pixels = test::packRows(w, h, 24, [](int32_t x, int32_t y) { return makeColour(x, y, 7); });
    const std::string path = tempFile(name);
    test::writeBmpFile(path, f);
    return path;
}

World freshWorld() {
    World w;
    w.flatColors.push_back(0);
    w.textures.emplace_back();  // the reserved entries vlInit makes
    return w;
}

TEST(Textures, LoadSamplesTheTopLeft64x64AndMarksWhatLiesOutside) {
    World w = freshWorld();
    loadTexture(w, 1, imageFile("small.bmp", 32, 20));
    ASSERT_EQ(w.textures.size(), 2u);
    ASSERT_EQ(w.textures[1].size(), 4096u);
    EXPECT_EQ(w.textures[1][19 * 64 + 31], makeColour(31, 19, 7));
    EXPECT_EQ(w.textures[1][19 * 64 + 32], kOutsideImage);
    EXPECT_EQ(w.textures[1][20 * 64], kOutsideImage);

    loadTexture(w, 1, imageFile("large.bmp", 100, 70));  // same index again: replaced, table still grows
    EXPECT_EQ(w.textures.size(), 3u);
    EXPECT_EQ(w.textures[1][63 * 64 + 63], makeColour(63, 63, 7));
    EXPECT_TRUE(w.textures[2].empty());

    loadTexture(w, 6, imageFile("small.bmp", 32, 20));  // beyond the table: grows to hold it
    EXPECT_EQ(w.textures.size(), 7u);
    EXPECT_EQ(w.textures[6].size(), 4096u);
    loadTexture(w, -1, imageFile("small.bmp", 32, 20));  // stores nothing
    EXPECT_EQ(w.textures.size(), 8u);
}

TEST(Textures, AFailedLoadLeavesTheTableAsItWas) {
    World w = freshWorld();
    const std::string bad = tempFile("ten.bmp");
    test::writeFile(bad, std::vector<uint8_t>(10, 'B'));
    try {
        loadTexture(w, 1, bad);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.className, "EReadError");
        EXPECT_EQ(e.message, "Stream read error");
    }
    EXPECT_THROW(loadTexture(w, 1, tempFile("missing.bmp")), Error);
    EXPECT_EQ(w.textures.size(), 1u);
    EXPECT_THROW(loadTexture(w, kMaxTableIndex + 1, imageFile("tiny.bmp", 4, 4)), Error);
    EXPECT_EQ(w.textures.size(), 1u);
    loadTexture(w, kMaxTableIndex, imageFile("tiny.bmp", 4, 4));  // the highest index there may be
    EXPECT_EQ(w.textures.size(), size_t(kMaxTableIndex) + 1);
    EXPECT_EQ(w.textures[kMaxTableIndex][3 * 64 + 3], makeColour(3, 3, 7));
}

TEST(OverlayImages, IndexesCountLoadsOfExistingFilesEvenFailedOnes) {
    World w;
    const std::string good = imageFile("overlay.bmp", 5, 3);
    EXPECT_EQ(loadOverlayImage(w, good), 0);
    EXPECT_EQ(loadOverlayImage(w, tempFile("does-not-exist.bmp")), -1);
    EXPECT_EQ(loadOverlayImage(w, ""), -1);
    EXPECT_EQ(loadOverlayImage(w, std::filesystem::temp_directory_path().string()), -1) << "a directory";
    EXPECT_EQ(w.overlayImages.size(), 1u);

    const std::string ten = tempFile("ten-overlay.bmp");
    test::writeFile(ten, std::vector<uint8_t>(10, 'B'));
    EXPECT_THROW(loadOverlayImage(w, ten), Error);
    ASSERT_EQ(w.overlayImages.size(), 2u) << "the failed load keeps its entry";
    EXPECT_TRUE(isEmpty(w.overlayImages[1]));

    const std::string empty = tempFile("empty.bmp");
    test::writeFile(empty, {});
    EXPECT_EQ(loadOverlayImage(w, empty), 2);
    EXPECT_TRUE(isEmpty(w.overlayImages[2]));
    EXPECT_EQ(loadOverlayImage(w, good), 3) << "the same file twice: two entries";
    EXPECT_EQ(pixelAt(w.overlayImages[3], 4, 2), makeColour(4, 2, 7));

    // The last image there may be loads; the one after it is refused.
    w.overlayImages.resize(kMaxOverlayImages - 1);
    EXPECT_EQ(loadOverlayImage(w, good), kMaxOverlayImages - 1);
    try {
        loadOverlayImage(w, good);
        ADD_FAILURE() << "an image past the cap loaded";
    } catch (const Error& e) {
        EXPECT_EQ(e.className + ": " + e.message, "ERangeError: Too many overlay images");
    }
    EXPECT_EQ(w.overlayImages.size(), size_t(kMaxOverlayImages));
}

}  // namespace
