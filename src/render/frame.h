#pragma once
// One frame of the first-person view: the column pass (walls, then that
// column's floor and ceiling), the sprite pass, and composition of the staged
// pixels into the back buffer's rows.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "surface/surface.h"
#include "world/world.h"

namespace vl {

struct Camera {
    double posX = 0, posY = 0;
    double dirX = 0, dirY = 0;
    double planeX = 0, planeY = 0;
};

struct RenderSettings {
    int32_t screenWidth = 0, screenHeight = 0;
    int32_t textureWidth = 0, textureHeight = 0;
    int32_t renderMode = 0, modeFlat = 0, modeTextured = 0;
    int32_t floorTexture = 0, ceilingTexture = 0;
};

// The view can grow up to the whole back buffer, so the staging buffers are
// made that big once, with a fixed row stride.
constexpr int32_t kBackBufferWidth = 800;
constexpr int32_t kBackBufferHeight = 600;

struct FrameBuffers {
    std::vector<Colour> colorBuffer;   // [row * kBackBufferWidth + column]
    std::vector<int32_t> drawnFlags;   // same indexing; 1 where staged this frame
    std::vector<double> zBuffer;       // one wall distance per screen column
};

constexpr size_t kStagingEntries = size_t(kBackBufferWidth) * size_t(kBackBufferHeight);

// The one way the casting passes put a textured pixel on screen; the caller
// guarantees (x, y) lies inside the view, which lies inside the buffers.
inline void stagePixel(FrameBuffers& f, int32_t x, int32_t y, Colour c) {
    const size_t i = size_t(y) * kBackBufferWidth + size_t(x);
    f.colorBuffer[i] = c;
    f.drawnFlags[i] = 1;
}

// Makes the staging buffers (all zero) if they do not exist yet, and zeroes
// colorBuffer.
void initFrameBuffers(FrameBuffers& f);

// Renders one frame into backBuffer (which must be the 800 x 600, 24-bit
// surface). Writes spriteOrder and spriteDistance in textured mode.
void renderFrame(const RenderSettings& settings, const Camera& camera, World& world,
                 FrameBuffers& frame, Surface& backBuffer);

}  // namespace vl
