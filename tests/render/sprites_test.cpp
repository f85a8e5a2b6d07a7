#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "render/sprites.h"
#include "support/render_scene.h"

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

TEST(RenderSprites, ProjectionOfTheWorkedSprites) {
    const Camera cam{5, 5, -1, 0, 0, 0.66};
    SpriteProjection p = projectSprite(cam, 512, 384, 3, 5);
    EXPECT_EQ(p.transformX, 0.0);
    EXPECT_NEAR(p.transformY, 2.0, 1e-12);
    EXPECT_EQ(p.spriteScreenX, 256.0);
    EXPECT_EQ(p.spriteHeight, 192.0);
    EXPECT_EQ(p.spriteWidth, 192.0);
    EXPECT_EQ(p.drawStartX, 160);
    EXPECT_EQ(p.drawEndX, 352);
    EXPECT_EQ(p.drawStartY, 96);
    EXPECT_EQ(p.drawEndY, 288);

    p = projectSprite(cam, 512, 384, 4, 5);
    EXPECT_EQ(p.spriteHeight, 384.0);
    EXPECT_EQ(p.drawStartY, 0);
    EXPECT_EQ(p.drawEndY, 383);  // clamped: the last row never shows a sprite
    EXPECT_EQ(p.drawStartX, 64);
    EXPECT_EQ(p.drawEndX, 448);

    EXPECT_NEAR(projectSprite(cam, 512, 384, 7, 5).transformY, -2.0, 1e-12);
    // An odd height: 141.5 and 242.5 both round to even.
    const Camera tall{5, 5, -1, 0, 0, 0.66};
    p = projectSprite(tall, 512, 384, 5 - 384.0 / 101, 5);
    EXPECT_EQ(p.spriteHeight, 101.0);
    EXPECT_EQ(p.drawStartY, 142);
    EXPECT_EQ(p.drawEndY, 242);
    // h is screenWidth / 2 rounded ties to even: 256 for 513 columns.
    EXPECT_EQ(projectSprite(cam, 513, 384, 3, 5).spriteScreenX, 256.0);
}

TEST(RenderSprites, SpriteTexelsCoverThreeByThreePixels) {
    RenderScene walls = spriteScene();
    walls.render();
    RenderScene s = spriteScene();
    s.addSprite(3, 5, 3);
    s.render();
    for (int y = 90; y < 294; ++y)
        for (int x = 154; x < 358; ++x) {
            const bool inside = x >= 160 && x <= 351 && y >= 96 && y <= 287;
            if (!inside) {
                EXPECT_EQ(s.pixel(x, y), walls.pixel(x, y)) << x << "," << y;
                continue;
            }
            ASSERT_EQ(s.texelAt(x, y), (Texel{3, (y - 96) / 3 * 64 + (x - 160) / 3})) << x << "," << y;
        }
    EXPECT_EQ(s.world.sprites.spriteDistance[0], 4.0);

    RenderScene near = spriteScene();
    near.addSprite(4, 5, 3);
    near.render();
    EXPECT_EQ(near.flag(64, 0), 1);
    EXPECT_EQ(near.flag(63, 0), 0);
    EXPECT_EQ(near.flag(447, 382), 1);
    EXPECT_EQ(near.flag(448, 382), 0);
    EXPECT_EQ(near.flag(200, 383), 0);

    RenderScene behind = spriteScene();
    behind.addSprite(7, 5, 3);
    behind.render();
    EXPECT_EQ(behind.frame.drawnFlags, walls.frame.drawnFlags);
    EXPECT_EQ(behind.backBuffer.pixels, walls.backBuffer.pixels);
}

TEST(RenderSprites, ColumnTests) {
    RenderScene s = spriteScene();
    s.addSprite(3, 5, 3);
    const SpriteProjection p = projectSprite(s.camera, 512, 384, 3, 5);
    // Equal depth hides the sprite; only the column just behind it shows.
    s.frame.zBuffer.assign(512, p.transformY);
    s.frame.zBuffer[200] = std::nextafter(p.transformY, 10.0);
    drawSprites(s.settings, s.camera, s.world, s.frame);
    for (int x = 0; x < 512; ++x) EXPECT_EQ(s.flag(x, 150), x == 200) << x;

    // A sprite reaching past the left edge starts at column 1.
    RenderScene left = spriteScene();
    left.addSprite(3, 3.9, 3);
    ASSERT_EQ(projectSprite(left.camera, 512, 384, 3, 3.9).drawStartX, 0);
    left.render();
    EXPECT_EQ(left.flag(0, 100), 0);
    EXPECT_EQ(left.texelAt(1, 100).texture, 3);
}

TEST(RenderSprites, DrawnFarthestFirst) {
    // Given nearest first, at squared distances 4 and 9.
    RenderScene s = spriteScene();
    s.addSprite(3, 5, 3);
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
    EXPECT_EQ(same.world.sprites.spriteOrder, (std::vector<int32_t>{0, 1}));

    // A texel of 0 is transparent: an all-zero sprite stages nothing.
    RenderScene clear = spriteScene();
    clear.world.textures[4].assign(kTexelsPerTexture, 0);
    clear.addSprite(3, 5, 4);
    clear.render();
    RenderScene none = spriteScene();
    none.render();
    EXPECT_EQ(clear.frame.drawnFlags, none.frame.drawnFlags);

    // Frames in other modes neither sort nor draw.
    RenderScene flat = spriteScene();
    flat.settings.renderMode = 1;
    flat.addSprite(3, 5, 3);
    flat.addSprite(2, 5, 4);
    flat.render();
    EXPECT_EQ(flat.world.sprites.spriteOrder, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(flat.world.sprites.spriteDistance, (std::vector<double>{0, 0}));
}

struct Pass {
    double gap;
    int32_t offset;
    bool swapped;
};
std::vector<Pass> sortPasses(std::vector<double> distance) {
    std::vector<int32_t> order(distance.size());
    std::vector<Pass> passes;
    combSortTraced(order.data(), distance.data(), int32_t(distance.size()),
                   [&](double gap, int32_t offset, bool swapped) { passes.push_back({gap, offset, swapped}); });
    return passes;
}

TEST(RenderSprites, CombSortGaps) {
    std::vector<Pass> p = sortPasses({1, 2});
    ASSERT_EQ(p.size(), 3u);
    EXPECT_NEAR(p[0].gap, 1.5385, 1e-4);
    EXPECT_EQ(p[0].offset, 2);
    EXPECT_FALSE(p[0].swapped);
    EXPECT_NEAR(p[1].gap, 1.1834, 1e-4);
    EXPECT_EQ(p[1].offset, 1);
    EXPECT_TRUE(p[1].swapped);
    EXPECT_EQ(p[2].gap, 1.0);
    EXPECT_FALSE(p[2].swapped);

    p = sortPasses({3, 2, 1});
    const double gaps[] = {2.3077, 1.7751, 1.3655, 1.0504, 1.0};
    const int32_t offsets[] = {2, 2, 1, 1, 1};
    ASSERT_EQ(p.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(p[i].gap, gaps[i], 1e-4) << i;
        EXPECT_EQ(p[i].offset, offsets[i]) << i;
    }
    // Two passes of offset 1 sort any three: every order ends the same way.
    std::vector<double> three{1, 2, 3};
    do {
        p = sortPasses(three);
        ASSERT_EQ(p.size(), 5u);
        EXPECT_FALSE(p.back().swapped);
    } while (std::next_permutation(three.begin(), three.end()));
    // Longer runs keep making gap-1 passes until one exchanges nothing.
    std::vector<double> many(30);
    for (size_t i = 0; i < many.size(); ++i) many[i] = double((i * 7) % 30);
    p = sortPasses(many);
    EXPECT_FALSE(p.back().swapped);
    for (size_t i = 0; i + 1 < p.size(); ++i) EXPECT_TRUE(p[i].gap > 1.0 || p[i].swapped) << i;

    p = sortPasses(std::vector<double>(13, 1.0));
    EXPECT_EQ(p[0].gap, 11.0);  // 130 / 13 is exactly 10
    EXPECT_EQ(p[0].offset, 11);
    EXPECT_TRUE(sortPasses({}).empty());
    EXPECT_TRUE(sortPasses({5}).empty());
}

TEST(RenderSprites, CombSortOrdersLargestFirst) {
    std::mt19937 rng(12345);
    for (int run = 0; run < 200; ++run) {
        const int n = int(rng() % 70);
        std::vector<double> distance(static_cast<size_t>(n));
        for (double& d : distance) d = double(rng() % 20);  // plenty of ties
        std::vector<int32_t> order(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) order[size_t(i)] = i;
        const std::vector<double> original = distance;
        combSort(order.data(), distance.data(), n);
        ASSERT_TRUE(std::is_sorted(distance.begin(), distance.end(), std::greater<double>()));
        std::vector<int32_t> seen = order;
        std::sort(seen.begin(), seen.end());
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(seen[size_t(i)], i);
            ASSERT_EQ(distance[size_t(i)], original[size_t(order[size_t(i)])]);
        }
    }
}

}  // namespace
}  // namespace vl
