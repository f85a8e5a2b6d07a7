#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "render/sprites.h"
#include "support/render_scene.h"
#include "written_pixels.h"

namespace vl {
namespace {

using test::RenderScene;
using test::Texel;

// Looking along -x from (5, 5): the walls stand 4 away, beyond every sprite.
RenderScene spriteScene() {
    RenderScene s(2);
    s.camera = Camera{5, 5, -1, 0, 0, 0.66};
    return s;
}

TEST(RenderSprites, WorkedSpritesOnScreen) {
    RenderScene walls = spriteScene();
    walls.render();
    RenderScene s = spriteScene();
    s.addSprite(3, 5, 3);
    const SpriteProjection p = projectSprite(s.camera, 512, 384, 3, 5);
    EXPECT_EQ(p.spriteScreenX, 256.0);
    EXPECT_EQ(p.spriteHeight, 192.0);
    s.render();
    // Columns 160 to 351, rows 96 to 287, each texel on 3 x 3 pixels.
    for (int y = 90; y < 294; ++y)
        for (int x = 154; x < 358; ++x) {
            if (x >= 160 && x <= 351 && y >= 96 && y <= 287)
                ASSERT_EQ(s.texelAt(x, y), (Texel{3, (y - 96) / 3 * 64 + (x - 160) / 3})) << x << "," << y;
            else
                ASSERT_EQ(s.pixel(x, y), walls.pixel(x, y)) << x << "," << y;
        }

    const SpriteProjection near = projectSprite(s.camera, 512, 384, 4, 5);
    EXPECT_EQ(near.drawStartY, 0);
    EXPECT_EQ(near.drawEndY, 383);  // clamped: the last row never shows a sprite
    EXPECT_EQ(near.drawStartX, 64);
    EXPECT_EQ(near.drawEndX, 448);
    // An odd height: 141.5 and 242.5 round to even.
    const SpriteProjection odd = projectSprite(s.camera, 512, 384, 5 - 384.0 / 101, 5);
    EXPECT_EQ(odd.spriteHeight, 101.0);
    EXPECT_EQ(odd.drawStartY, 142);
    EXPECT_EQ(odd.drawEndY, 242);
    // h is screenWidth / 2 rounded ties to even: 256 for 513 columns.
    EXPECT_EQ(projectSprite(s.camera, 513, 384, 3, 5).spriteScreenX, 256.0);

    RenderScene behind = spriteScene();
    behind.addSprite(7, 5, 3);
    behind.render();
    EXPECT_EQ(behind.backBuffer.pixels, walls.backBuffer.pixels);
}

TEST(RenderSprites, ColumnTests) {
    RenderScene s = spriteScene();
    s.addSprite(3, 5, 3);
    const double depth = projectSprite(s.camera, 512, 384, 3, 5).transformY;
    // Equal depth hides the sprite; only the column just behind it shows.
    s.frame.zBuffer.assign(512, depth);
    s.frame.zBuffer[200] = std::nextafter(depth, 10.0);
    const test::WrittenPixels written = test::noteWrites(s, [](RenderScene& t) {
        drawSprites(t.settings, t.camera, t.world, t.frame, test::backBufferRows(t.backBuffer));
    });
    for (int x = 0; x < 512; ++x) EXPECT_EQ(written.at(x, 150), x == 200) << x;

    // A sprite reaching past the left edge starts at column 1.
    RenderScene left = spriteScene();
    left.addSprite(3, 3.9, 3);
    EXPECT_FALSE(test::renderNoting(left).at(0, 100));
    EXPECT_EQ(left.texelAt(1, 100).texture, 3);
}

TEST(RenderSprites, DrawnFarthestFirst) {
    RenderScene s = spriteScene();
    s.addSprite(3, 5, 3);  // given nearest first, squared distances 4 and 9
    s.addSprite(2, 5, 4);
    s.render();
    EXPECT_EQ(s.texelAt(256, 192).texture, 3);
    EXPECT_EQ(s.world.sprites.spriteOrder, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(s.world.sprites.spriteDistance, (std::vector<double>{9, 4}));

    // Equal distances are not exchanged: sprite 1 is drawn over sprite 0.
    RenderScene same = spriteScene();
    same.addSprite(3, 5, 3);
    same.addSprite(3, 5, 4);
    same.render();
    EXPECT_EQ(same.texelAt(256, 192).texture, 4);

    // Texels of 0 are transparent: an all-zero sprite stages nothing.
    RenderScene clear = spriteScene();
    clear.world.textures[4].assign(kTexelsPerTexture, 0);
    clear.addSprite(3, 5, 4);
    RenderScene none = spriteScene();
    EXPECT_EQ(test::renderNoting(clear).mask, test::renderNoting(none).mask);
    EXPECT_EQ(clear.backBuffer.pixels, none.backBuffer.pixels);
}

std::vector<std::pair<double, int32_t>> sortPasses(std::vector<double> distance, bool& lastSwapped) {
    std::vector<int32_t> order(distance.size());
    std::vector<std::pair<double, int32_t>> passes;
    combSortTraced(order.data(), distance.data(), int32_t(distance.size()), [&](double gap, int32_t offset, bool swapped) {
        passes.push_back({gap, offset});
        lastSwapped = swapped;
    });
    return passes;
}

TEST(RenderSprites, CombSort) {
    bool lastSwapped = true;
    auto p = sortPasses({1, 2}, lastSwapped);  // offset 2 compares nothing; the swap needs one more pass
    ASSERT_EQ(p.size(), 3u);
    EXPECT_NEAR(p[0].first, 1.5385, 1e-4);
    EXPECT_EQ(p[0].second, 2);
    EXPECT_NEAR(p[1].first, 1.1834, 1e-4);
    EXPECT_EQ(p[2].first, 1.0);
    EXPECT_FALSE(lastSwapped);

    p = sortPasses({3, 1, 2}, lastSwapped);
    const double gaps[] = {2.3077, 1.7751, 1.3655, 1.0504, 1.0};
    const int32_t offsets[] = {2, 2, 1, 1, 1};
    ASSERT_EQ(p.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(p[i].first, gaps[i], 1e-4) << i;
        EXPECT_EQ(p[i].second, offsets[i]) << i;
    }
    p = sortPasses(std::vector<double>(13, 1.0), lastSwapped);
    EXPECT_EQ(p[0].first, 11.0);  // 130 / 13 is exactly 10
    EXPECT_TRUE(sortPasses({}, lastSwapped).empty());
    EXPECT_TRUE(sortPasses({5}, lastSwapped).empty());

    std::mt19937 rng(12345);
    for (int run = 0; run < 200; ++run) {
        std::vector<double> distance(rng() % 70);
        for (double& d : distance) d = double(rng() % 20);  // plenty of ties
        std::vector<int32_t> order(distance.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = int32_t(i);
        const std::vector<double> original = distance;
        combSort(order.data(), distance.data(), int32_t(distance.size()));
        ASSERT_TRUE(std::is_sorted(distance.begin(), distance.end(), std::greater<double>()));
        for (size_t i = 0; i < order.size(); ++i) ASSERT_EQ(distance[i], original[size_t(order[i])]);
        std::sort(order.begin(), order.end());
        ASSERT_EQ(std::adjacent_find(order.begin(), order.end()), order.end());
    }
}

}  // namespace
}  // namespace vl
