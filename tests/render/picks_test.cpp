// Which sprite a frame left at a pixel: every pixel of frames with
// overlapping, see-through, scaled and hidden sprites, against what the
// frame drew there; and the frame it answers for.
#include <gtest/gtest.h>

#include <string>

#include "render/picks.h"
#include "support/render_scene.h"

namespace vl {
namespace {

using test::RenderScene;

// Looking along -x from (5, 5) at walls 4 away. Texture 3 is whole; texture
// 4 is see-through in its right half. Walls use textures 1 and 2, so a pixel
// shows a sprite exactly when it decodes to texture 3 or 4.
RenderScene pickScene(int32_t pitch) {
    RenderScene s(2);
    s.camera = Camera{5, 5, -1, 0, 0, 0.66};
    s.settings.pitch = pitch;
    for (int i = 0; i < kTexelsPerTexture; ++i)
        if (i % 64 >= 32) s.world.textures[4][size_t(i)] = 0;
    s.addSprite(3, 5, 3);      // 0: far, 192 pixels square
    s.addSprite(4, 4.6, 4);    // 1: nearer, over sprite 0 and the left edge, see-through on the right
    s.addSprite(0.5, 3.2, 3);  // 2: behind the wall
    s.addSprite(2.5, 4.4, 4);  // 3: half size on the floor
    s.addSprite(3.5, 4.4, 3);  // 4: hanging, pitched with the rest
    setSpriteScale(s.world.sprites, 3, 0.5, 0.5, 0);
    setSpriteScale(s.world.sprites, 4, 0.3, 0.25, 0.75);
    return s;
}

TEST(RenderPicks, EveryPixelAnswersWhatTheFrameDrewThere) {
    for (int32_t pitch : {0, 37, -60}) {
        SCOPED_TRACE("pitch " + std::to_string(pitch));
        RenderScene s = pickScene(pitch);
        EXPECT_EQ(pickSprite(s.frame.picks, s.world, 256, 200), -1);  // no frame yet
        s.render();
        int shown[5] = {};
        for (int32_t y = 0; y < 384; ++y)
            for (int32_t x = 0; x < 512; ++x) {
                const int32_t k = pickSprite(s.frame.picks, s.world, x, y);
                const int texture = s.texelAt(x, y).texture;
                if (k < 0) {
                    ASSERT_TRUE(texture != 3 && texture != 4) << x << "," << y;
                    continue;
                }
                ASSERT_EQ(texture, s.world.sprites.spriteTexture[size_t(k)]) << x << "," << y;
                ++shown[k];
            }
        EXPECT_GT(shown[0], 0);  // around and through the nearer one
        EXPECT_GT(shown[1], 0);
        EXPECT_EQ(shown[2], 0);  // behind the wall
        EXPECT_GT(shown[3], 0);
        EXPECT_GT(shown[4], 0);
    }
}

TEST(RenderPicks, AnswersForTheFrameAsDrawnAndOnlyInsideIt) {
    RenderScene s = pickScene(0);
    s.render();
    int32_t x = -1;
    const int32_t y = 200;
    for (int32_t column = 0; column < 512 && x < 0; ++column)
        if (pickSprite(s.frame.picks, s.world, column, y) == 1) x = column;  // sprite 1's opaque half
    ASSERT_GE(x, 0);
    setSpritePos(s.world.sprites, 1, 9, 9);  // moved since: still the frame's answer
    s.camera.posX = 6;
    EXPECT_EQ(pickSprite(s.frame.picks, s.world, x, y), 1);
    for (auto [px, py] : {std::pair{-1, y}, {512, y}, {x, -1}, {x, 384}, {0, y}})
        EXPECT_EQ(pickSprite(s.frame.picks, s.world, px, py), -1) << px << "," << py;
    s.settings.renderMode = 1;  // a flat frame leaves nothing to pick
    s.render();
    EXPECT_EQ(pickSprite(s.frame.picks, s.world, x, y), -1);
}

}  // namespace
}  // namespace vl
