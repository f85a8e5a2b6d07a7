#include "render/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/floor_ceiling.h"
#include "render/sprites.h"
#include "render/texels.h"
#include "render/walls.h"

namespace vl {

namespace {

// Pixels can only land inside the back buffer. The engine's back buffer
// always holds the whole view, and the frame writes its rows directly; any
// other surface gets a spare copy of the view to draw on, of which the part
// inside the surface is copied back, so pixels outside it are dropped and
// untouched ones keep their bytes.
struct Target {
    PixelRows rows;
    bool spare = false;
    int32_t copyRows = 0, copyBytes = 0;  // the part of the view inside a frame-layout surface
};

Target openTarget(const RenderSettings& view, FrameBuffers& frame, Surface& backBuffer) {
    Target t;
    const bool drawable = isFrameLayout(backBuffer) && !isEmpty(backBuffer);
    if (drawable && backBuffer.width >= view.screenWidth && backBuffer.height >= view.screenHeight) {
        t.rows = PixelRows{rowBytes(backBuffer, 0), ptrdiff_t(rowStride(backBuffer.width, 32))};
        return t;
    }
    t.spare = true;
    const ptrdiff_t pitch = 4 * ptrdiff_t(view.screenWidth);
    frame.spareRows.resize(size_t(pitch) * size_t(view.screenHeight));
    t.rows = PixelRows{frame.spareRows.data(), pitch};
    if (drawable) {
        t.copyRows = std::min(view.screenHeight, backBuffer.height);
        t.copyBytes = 4 * std::min(view.screenWidth, backBuffer.width);
    }
    for (int32_t y = 0; y < t.copyRows; ++y) std::memcpy(t.rows.at(0, y), rowBytes(backBuffer, y), size_t(t.copyBytes));
    return t;
}

void closeTarget(const Target& t, Surface& backBuffer) {
    for (int32_t y = 0; y < t.copyRows; ++y) std::memcpy(rowBytes(backBuffer, y), t.rows.at(0, y), size_t(t.copyBytes));
}

// Walls, then floors and ceilings: a ceiling row can fall on the top row of
// its own column's wall slice, and must cover it. Apart from that no two
// columns, and no wall and floor, share a pixel, so the floors and ceilings
// of all columns can follow all walls.
void drawTexturedColumns(const RenderSettings& view, const Camera& camera, const World& world,
                         FrameBuffers& frame, PixelRows rows) {
    const bool texelsUsable = textureSizeUsable(view);
    FloorCeilingFrame floorCeiling;
    const bool floors = texelsUsable && prepareFloorCeiling(view, camera, world, frame, floorCeiling);
    double* zBuffer = frame.zBuffer.data();
    castColumns(camera, world.worldMap, view.screenWidth, view.screenHeight, view.pitch, frame.columns);
    for (int32_t x = 0; x < view.screenWidth; ++x) {
        const ColumnCast& c = frame.columns[size_t(x)];
        if (!c.hit) {
            // Nothing on this ray: no wall, and no depth to hide sprites.
            zBuffer[x] = HUGE_VAL;
            continue;
        }
        if (texelsUsable) drawWallColumn(c, x, view, world, rows);
        zBuffer[x] = c.perpWallDist;
        if (floors) noteFloorColumn(c, x, floorCeiling);
    }
    if (floors) drawFloorCeiling(floorCeiling, rows);
}

}  // namespace

void renderFrame(const RenderSettings& settings, const Camera& camera, World& world, FrameBuffers& frame,
                 Surface& backBuffer) {
    // The engine keeps the view inside the back buffer; clamping again here
    // keeps every index inside the buffers whatever the caller passes.
    // Only a textured frame leaves sprites to pick.
    frame.picks.valid = false;
    RenderSettings view = settings;
    view.screenWidth = std::min(settings.screenWidth, kBackBufferWidth);
    view.screenHeight = std::min(settings.screenHeight, kBackBufferHeight);
    if (view.screenWidth <= 0 || view.screenHeight <= 0) return;

    const bool flat = view.renderMode == view.modeFlat;
    const bool textured = view.renderMode == view.modeTextured;
    // In any other mode the rays would be cast for nothing: no pixel, depth
    // or sprite order changes.
    if (!flat && !textured) return;
    // A host that never sized the depth buffer still gets a full one.
    if (textured && frame.zBuffer.size() < size_t(view.screenWidth))
        frame.zBuffer.resize(size_t(view.screenWidth), 0.0);

    const Target target = openTarget(view, frame, backBuffer);
    // Both when the two modes share a number: the flat fills come first,
    // as they reach the back buffer before composition would.
    if (flat) drawFlatColumns(view, camera, world, frame, target.rows, backBuffer);
    if (textured) {
        drawTexturedColumns(view, camera, world, frame, target.rows);
        drawSprites(view, camera, world, frame, target.rows);
    }
    if (target.spare) closeTarget(target, backBuffer);
}

}  // namespace vl
