#pragma once
// The sprite pass: sprites sorted far to near, projected as camera-facing
// squares and staged column by column behind the walls' depths.
#include <cstdint>
#include <utility>
#include <vector>

#include "base/numeric.h"
#include "render/reference/frame.h"
#include "world/world.h"

namespace vl::reference {

// One sprite's place on screen. The sizes are whole numbers held as doubles
// unless the sprite is scaled;
// the draw bounds are already clamped (starts from below, ends from above).
struct SpriteProjection {
    double transformX = 0, transformY = 0;
    double spriteScreenX = 0;
    int32_t vMoveScreen = 0;
    double spriteHeight = 0, spriteWidth = 0;
    int32_t drawStartY = 0, drawEndY = 0;
    int32_t drawStartX = 0, drawEndX = 0;
};

SpriteProjection projectSprite(const Camera& camera, int32_t screenWidth, int32_t screenHeight,
                               double spriteX, double spriteY, const SpriteScale& scale = {}, int32_t pitch = 0);

// Comb sort of the first n distances, largest first, carrying order along.
// The gap stays a double and is rounded only to index, so runs differ from an
// integer-gap comb sort; equal distances are never exchanged. onPass(gap,
// offset, swapped) is told about each pass.
template <class OnPass>
void combSortTraced(int32_t* order, double* distance, int32_t n, OnPass onPass) {
    double gap = n;
    bool swapped = false;
    while (gap > 1 || swapped) {
        gap = gap * 10 / 13;
        // Gaps of 9 and 10 sort badly with the shrink factor 1.3.
        if (gap == 9 || gap == 10) gap = 11;
        if (gap < 1) gap = 1;
        swapped = false;
        const int32_t offset = roundToInt(gap);
        for (int32_t i = 0; int64_t(i) + offset < n; ++i) {
            if (distance[i] < distance[i + offset]) {
                std::swap(distance[i], distance[i + offset]);
                std::swap(order[i], order[i + offset]);
                swapped = true;
            }
        }
        onPass(gap, offset, swapped);
    }
}

inline void combSort(int32_t* order, double* distance, int32_t n) {
    combSortTraced(order, distance, n, [](double, int32_t, bool) {});
}

// Sorts the sprites (rewriting spriteOrder and spriteDistance) and stages
// them farthest first. frame.zBuffer holds at least view.screenWidth entries.
void drawSprites(const RenderSettings& view, const Camera& camera, World& world, FrameBuffers& frame);

}  // namespace vl::reference
