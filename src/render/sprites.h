#pragma once
// The sprite pass: sprites sorted far to near, projected as camera-facing
// squares and drawn column by column behind the walls' depths.
#include <cstdint>
#include <utility>
#include <vector>

#include "base/numeric.h"
#include "render/frame.h"
#include "world/world.h"

namespace vl {

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

// Step 1 and 2 of the pass: every sprite's squared distance from the camera,
// and spriteOrder and spriteDistance sorted farthest first, exactly as the
// comb sort from the identity order leaves them. Returns the sprite count.
int32_t sortSprites(const Camera& camera, Sprites& sprites, std::vector<uint8_t>& seen);

// The sort, then every sprite projected in drawing order without drawing
// it: the work a frame spends on sprites beyond their pixels. Returns how
// many sprites would draw.
int32_t sortAndProjectSprites(const RenderSettings& view, const Camera& camera, World& world,
                              FrameBuffers& frame);

// Sorts the sprites (rewriting spriteOrder and spriteDistance) and draws
// them farthest first. frame.zBuffer holds at least view.screenWidth entries.
void drawSprites(const RenderSettings& view, const Camera& camera, World& world, FrameBuffers& frame,
                 PixelRows rows);

}  // namespace vl
