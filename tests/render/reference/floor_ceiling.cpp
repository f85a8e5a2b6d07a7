#include "render/reference/floor_ceiling.h"

#include <cmath>

#include "render/reference/texels.h"

namespace vl::reference {

bool floorTexCoord(double point, int32_t size, int32_t& coord) {
    const double product = double(size) * point;
    if (!(product >= -9223372036854775808.0 && product < 9223372036854775808.0)) return false;
    // Rounded, not truncated: a point just below a texel edge takes the next
    // texel. Runs under round-to-nearest, like every export.
    const int64_t rounded = int64_t(std::nearbyint(product));
    coord = int32_t(rounded % size);
    return true;
}

void stageFloorCeilingColumn(const ColumnCast& c, int32_t x, const Camera& camera,
                             const RenderSettings& view, const World& world, FrameBuffers& frame) {
    const std::vector<Colour>* floorTexture = view.floorTexture > 0 ? textureAt(world, view.floorTexture) : nullptr;
    const std::vector<Colour>* ceilingTexture =
        view.ceilingTexture > 0 ? textureAt(world, view.ceilingTexture) : nullptr;
    if (!floorTexture && !ceilingTexture) return;

    // The foot of the wall: the point of the face the ray hit, on the floor.
    const double mapX = double(c.mapX), mapY = double(c.mapY);
    double floorXWall, floorYWall;
    if (c.side == 0 && c.rayDirX > 0) {
        floorXWall = mapX;
        floorYWall = mapY + c.wallX;
    } else if (c.side == 0 && c.rayDirX < 0) {
        floorXWall = mapX + 1.0;
        floorYWall = mapY + c.wallX;
    } else if (c.side == 1 && c.rayDirY > 0) {
        floorXWall = mapX + c.wallX;
        floorYWall = mapY;
    } else {
        floorXWall = mapX + c.wallX;
        floorYWall = mapY + 1.0;
    }
    const double distWall = c.perpWallDist, distPlayer = 0.0;

    int32_t drawEnd = c.drawEnd;
    if (drawEnd < 0) drawEnd = view.screenHeight;
    // Row drawEnd itself is skipped; each floor row y has its ceiling row at
    // screenHeight - y, which on an odd-sized slice is the wall's top row.
    for (int32_t y = drawEnd + 1; y < view.screenHeight; ++y) {
        const double currentDist = double(view.screenHeight) / double(2 * y - view.screenHeight);
        const double weight = (currentDist - distPlayer) / (distWall - distPlayer);
        const double currentFloorX = weight * floorXWall + (1.0 - weight) * camera.posX;
        const double currentFloorY = weight * floorYWall + (1.0 - weight) * camera.posY;
        int32_t floorTexX = 0, floorTexY = 0;
        if (!floorTexCoord(currentFloorX, view.textureWidth, floorTexX) ||
            !floorTexCoord(currentFloorY, view.textureHeight, floorTexY))
            continue;
        // Negative points (a camera off the map) give negative coordinates;
        // an index that then falls outside the texture is skipped.
        const int32_t index = view.textureWidth * floorTexY + floorTexX;
        if (floorTexture && hasTexel(*floorTexture, index))
            stagePixel(frame, x, y, halve((*floorTexture)[size_t(index)]));
        if (ceilingTexture && hasTexel(*ceilingTexture, index))
            stagePixel(frame, x, view.screenHeight - y, (*ceilingTexture)[size_t(index)]);
    }
}

}  // namespace vl::reference
