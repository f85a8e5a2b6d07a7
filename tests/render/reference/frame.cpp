#include "render/reference/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/reference/floor_ceiling.h"
#include "render/reference/sprites.h"
#include "render/reference/texels.h"
#include "render/reference/walls.h"

namespace vl::reference {

void initFrameBuffers(FrameBuffers& f) {
    // Resizing keeps what the flags held; only the colours must start at 0.
    f.colorBuffer.resize(kStagingEntries, 0);
    f.drawnFlags.resize(kStagingEntries, 0);
    std::memset(f.colorBuffer.data(), 0, f.colorBuffer.size() * sizeof(Colour));
}

// Copies every staged pixel of the view into the back buffer and returns its
// staging colour to 0. The flags stay for the next frame to clear.
static void compose(const RenderSettings& view, FrameBuffers& frame, Surface& backBuffer) {
    const bool drawable = isFrameLayout(backBuffer) && !isEmpty(backBuffer);
    const int32_t surfaceRows = drawable ? backBuffer.height : 0;
    const int32_t surfaceColumns = drawable ? backBuffer.width : 0;
    for (int32_t y = 0; y < view.screenHeight; ++y) {
        uint8_t* row = y < surfaceRows ? scanLine(backBuffer, y) : nullptr;
        Colour* colours = frame.colorBuffer.data() + size_t(y) * kBackBufferWidth;
        const int32_t* flags = frame.drawnFlags.data() + size_t(y) * kBackBufferWidth;
        for (int32_t x = 0; x < view.screenWidth; ++x) {
            if (flags[x] != 1) continue;
            const Colour v = colours[x];
            if (row && x < surfaceColumns) {
                uint8_t* pixel = row + 4 * size_t(x);  // blue, green, red, 255
                pixel[0] = uint8_t((v >> 16) & 0xFF);
                pixel[1] = uint8_t((v >> 8) & 0xFF);
                pixel[2] = uint8_t(v & 0xFF);
                pixel[3] = 0xFF;
            }
            colours[x] = 0;
        }
    }
}

void renderFrame(const RenderSettings& settings, const Camera& camera, World& world, FrameBuffers& frame,
                 Surface& backBuffer) {
    // The engine keeps the view inside the back buffer; clamping again here
    // keeps every index inside the staging buffers whatever the caller passes.
    RenderSettings view = settings;
    view.screenWidth = std::min(settings.screenWidth, kBackBufferWidth);
    view.screenHeight = std::min(settings.screenHeight, kBackBufferHeight);
    if (view.screenWidth <= 0 || view.screenHeight <= 0) return;
    if (frame.colorBuffer.size() < kStagingEntries || frame.drawnFlags.size() < kStagingEntries) {
        frame.colorBuffer.resize(kStagingEntries, 0);
        frame.drawnFlags.resize(kStagingEntries, 0);
    }

    for (int32_t y = 0; y < view.screenHeight; ++y)
        std::fill_n(frame.drawnFlags.begin() + ptrdiff_t(y) * kBackBufferWidth, view.screenWidth, 0);

    const bool flat = view.renderMode == view.modeFlat;
    const bool textured = view.renderMode == view.modeTextured;
    // A host that never sized the depth buffer still gets a full one.
    if (textured && frame.zBuffer.size() < size_t(view.screenWidth))
        frame.zBuffer.resize(size_t(view.screenWidth), 0.0);
    const bool texelsUsable = textureSizeUsable(view);

    for (int32_t x = 0; x < view.screenWidth; ++x) {
        const ColumnCast c = castColumn(camera, world.worldMap, view.screenWidth, view.screenHeight, x, view.pitch);
        if (!c.hit) {
            // Nothing on this ray: no wall, and no depth to hide sprites.
            if (textured) frame.zBuffer[size_t(x)] = HUGE_VAL;
            continue;
        }
        if (flat) fillFlatColumn(c, x, view, world, backBuffer);
        if (textured) {
            if (texelsUsable) stageWallColumn(c, x, view, world, frame);
            frame.zBuffer[size_t(x)] = c.perpWallDist;
            if (texelsUsable) stageFloorCeilingColumn(c, x, camera, view, world, frame);
        }
    }
    if (!textured) return;

    drawSprites(view, camera, world, frame);
    compose(view, frame, backBuffer);
}

}  // namespace vl::reference
