#include "render/reference/floor_ceiling.h"

#include <algorithm>
#include <cmath>

#include "base/numeric.h"
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

    if (view.floorTexture <= 0 && view.ceilingTexture <= 0 && world.floorMap.cells.empty() &&
        world.ceilingMap.cells.empty())
        return;  // nothing to draw: the rows would only be computed

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

    // From below the wall's foot taken before its clamp, or from row 0 when
    // pitch lifts the foot above the view, down to the last row whose floor
    // or mirrored ceiling can show. Row drawEnd itself is skipped; each floor
    // row y has its ceiling row at screenHeight + 2 pitch - y, which on an
    // odd-sized slice is the wall's top row.
    const int32_t sh = view.screenHeight, pitch = view.pitch;
    const int32_t first = c.drawEndUnclamped < 0 ? 0 : c.drawEndUnclamped + 1;
    const int32_t last = std::max(sh - 1, sh - 1 + 2 * pitch);
    for (int32_t y = first; y <= last; ++y) {
        const int32_t ceilingRow = sh + 2 * pitch - y;
        const bool floorShows = y <= sh - 1, ceilingShows = ceilingRow >= 1 && ceilingRow <= sh - 1;
        if (!floorShows && !ceilingShows) continue;
        const double currentDist = double(sh) / double(2 * y - sh - 2 * pitch);
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
        // The cell under the point may name its own textures.
        const int32_t cellX = floorToInt(currentFloorX), cellY = floorToInt(currentFloorY);
        const int32_t floorCell = layerAt(world.floorMap, cellX, cellY);
        const int32_t ceilingCell = layerAt(world.ceilingMap, cellX, cellY);
        const int32_t floorNumber = floorCell > 0 ? floorCell : view.floorTexture;
        const int32_t ceilingNumber = ceilingCell > 0 ? ceilingCell : view.ceilingTexture;
        const std::vector<Colour>* floorTexture = floorNumber > 0 ? textureAt(world, floorNumber) : nullptr;
        const std::vector<Colour>* ceilingTexture = ceilingNumber > 0 ? textureAt(world, ceilingNumber) : nullptr;
        const int32_t w = fogWeightOf(view, currentDist);
        if (floorShows && floorTexture && hasTexel(*floorTexture, index))
            stagePixel(frame, x, y, fogged(halve((*floorTexture)[size_t(index)]), view.fogColour, w));
        if (ceilingShows && ceilingTexture && hasTexel(*ceilingTexture, index))
            stagePixel(frame, x, ceilingRow, fogged((*ceilingTexture)[size_t(index)], view.fogColour, w));
    }
}

}  // namespace vl::reference
