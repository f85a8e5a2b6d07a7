#pragma once
// The renderer as first written, line for line from its formulas: walls,
// floor and ceiling staged into colorBuffer and drawnFlags, then composed
// into the back buffer. Kept unchanged as the oracle the fast renderer is
// compared with (pixel for pixel, and every buffer it leaves behind) and
// timed against. It shares the record types of the live renderer.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "render/frame.h"
#include "surface/surface.h"
#include "world/world.h"

namespace vl::reference {

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

}  // namespace vl::reference
