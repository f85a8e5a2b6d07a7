#include "render/reference/walls.h"

#include <cmath>
#include <cstdlib>

#include "base/numeric.h"
#include "render/reference/texels.h"

namespace vl::reference {

ColumnCast castColumn(const Camera& camera, const MapGrid& map, int32_t screenWidth,
                      int32_t screenHeight, int32_t x, int32_t pitch) {
    ColumnCast c;
    c.cameraX = double(2 * x) / double(screenWidth) - 1.0;
    c.rayPosX = camera.posX;
    c.rayPosY = camera.posY;
    c.rayDirX = camera.dirX + camera.planeX * c.cameraX;
    c.rayDirY = camera.dirY + camera.planeY * c.cameraX;
    c.mapX = floorToInt(c.rayPosX);
    c.mapY = floorToInt(c.rayPosY);

    // A ray exactly along a grid line would divide by zero below; a tiny
    // component instead makes it step the other way, never crossing a line.
    if (c.rayDirY == 0.0) c.rayDirY = 1e-6;
    if (c.rayDirX == 0.0) c.rayDirX = 1e-6;

    // Lengths along the ray between grid lines, not 1/|component|: they only
    // decide which line comes next; the distance is taken from the cell.
    c.deltaDistX = std::sqrt(1 + (c.rayDirY * c.rayDirY) / (c.rayDirX * c.rayDirX));
    c.deltaDistY = std::sqrt(1 + (c.rayDirX * c.rayDirX) / (c.rayDirY * c.rayDirY));

    if (c.rayDirX < 0) {
        c.stepX = -1;
        c.sideDistX = (c.rayPosX - double(c.mapX)) * c.deltaDistX;
    } else {
        c.stepX = 1;
        c.sideDistX = (double(c.mapX) + 1.0 - c.rayPosX) * c.deltaDistX;
    }
    if (c.rayDirY < 0) {
        c.stepY = -1;
        c.sideDistY = (c.rayPosY - double(c.mapY)) * c.deltaDistY;
    } else {
        c.stepY = 1;
        c.sideDistY = (double(c.mapY) + 1.0 - c.rayPosY) * c.deltaDistY;
    }

    // A grid whose cells do not fill its sizes is read as an empty one.
    if (map.rowCount <= 0 || map.rowLength <= 0 ||
        map.cells.size() < size_t(map.rowCount) * size_t(map.rowLength))
        return c;

    // The camera's own cell is never tested: a camera inside a wall sees the
    // next wall along the ray. A tie steps in y.
    for (;;) {
        if (c.sideDistX < c.sideDistY) {
            c.sideDistX += c.deltaDistX;
            c.mapX += c.stepX;
            c.side = 0;
        } else {
            c.sideDistY += c.deltaDistY;
            c.mapY += c.stepY;
            c.side = 1;
        }
        // Both coordinates move monotonically, so a ray through an open
        // border (or from a camera off the grid) always gets here.
        if (!inGrid(map, c.mapX, c.mapY)) return c;
        const int32_t value = cellAt(map, int32_t(c.mapX), int32_t(c.mapY));
        if (value > 0) {
            c.hit = true;
            c.wall = value;
            break;
        }
    }

    if (c.side == 0)
        c.quotient = (double(c.mapX) - c.rayPosX + (1 - c.stepX) / 2) / c.rayDirX;
    else
        c.quotient = (double(c.mapY) - c.rayPosY + (1 - c.stepY) / 2) / c.rayDirY;
    c.perpWallDist = std::fabs(c.quotient);

    // Distance 0 makes the quotient infinite; floorToInt saturates it, so the
    // slice covers the whole view. The halves are taken in doubles, so even
    // the saturated height cannot overflow.
    c.lineHeight = floorToInt(std::fabs(double(screenHeight) / c.perpWallDist));
    c.drawStart = floorToInt((-double(c.lineHeight) / 2 + double(screenHeight) / 2) + pitch);
    if (c.drawStart < 0) c.drawStart = 0;
    c.drawEnd = floorToInt((double(c.lineHeight) / 2 + double(screenHeight) / 2) + pitch);
    c.drawEndUnclamped = c.drawEnd;
    // Clamped to the last row, which the slice (ending at drawEnd - 1) then
    // never reaches: a full-height wall leaves the bottom row alone.
    if (c.drawEnd >= screenHeight) c.drawEnd = screenHeight - 1;

    c.wallX = c.side == 1 ? c.rayPosX + c.quotient * c.rayDirX : c.rayPosY + c.quotient * c.rayDirY;
    c.wallX -= std::floor(c.wallX);
    return c;
}

int64_t wallTexX(const ColumnCast& c, int32_t textureWidth) {
    int64_t texX = floorToInt(double(textureWidth) * c.wallX);
    if (c.side == 0 && c.rayDirX > 0) texX = int64_t(textureWidth) - texX - 1;
    if (c.side == 1 && c.rayDirY > 0) texX = int64_t(textureWidth) - texX - 1;
    return texX;
}

int32_t fogWeightOf(const RenderSettings& view, double d) {
    if (view.fogEnd <= view.fogStart) return 0;
    double a = (d - view.fogStart) / (view.fogEnd - view.fogStart);
    if (a < 0) a = 0;
    if (a > 1) a = 1;
    return floorToInt(256 * a);
}

Colour fogged(Colour c, Colour fog, int32_t w) {
    Colour out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int32_t channel = int32_t(c >> shift & 0xFF), f = int32_t(fog >> shift & 0xFF);
        out |= Colour((channel * (256 - w) + f * w + 128) >> 8) << shift;
    }
    return out;
}

void fillFlatColumn(const ColumnCast& c, int32_t x, const RenderSettings& view, const World& world,
                    Surface& backBuffer) {
    // A wall kind with no colour entry draws nothing and leaves the brush.
    if (size_t(c.wall) >= world.flatColors.size()) return;
    Colour colour = world.flatColors[size_t(c.wall)];
    if (c.side == 1) colour = halve(colour);
    // Fog works on the colour the pixels get (a system colour is looked up).
    const int32_t w = fogWeightOf(view, c.perpWallDist);
    if (w > 0) colour = fogged(resolveColour(colour), view.fogColour, w);
    setBrushColor(backBuffer, colour);
    fillRect(backBuffer, x, c.drawStart, x + 1, c.drawEnd);
}

void stageWallColumn(const ColumnCast& c, int32_t x, const RenderSettings& view, const World& world,
                     FrameBuffers& frame) {
    const std::vector<Colour>* texture = textureAt(world, c.wall);
    if (!texture) return;
    const int64_t texX = wallTexX(c, view.textureWidth);
    for (int32_t y = c.drawStart; y < c.drawEnd; ++y) {
        // The bracket is whole; when screenHeight - lineHeight is odd the
        // slice's top row gets -128 here and texY -1 below.
        const int64_t bracket = int64_t(256) * y - int64_t(128) * view.screenHeight - int64_t(256) * view.pitch;
        const double rowInWall = double(bracket) + 128 * double(c.lineHeight);
        const int32_t texY = floorToInt(double(view.textureHeight) * rowInWall / double(c.lineHeight) / 256);
        // That texY of -1 gives a negative index; its absolute value turns
        // it into texel textureWidth - texX of the first texel row.
        const int64_t index = std::llabs(int64_t(view.textureWidth) * texY + texX);
        if (!hasTexel(*texture, index)) continue;
        Colour colour = (*texture)[size_t(index)];
        if (c.side == 1) colour = halve(colour);
        const int32_t w = fogWeightOf(view, c.perpWallDist);
        if (w > 0) colour = fogged(colour, view.fogColour, w);
        stagePixel(frame, x, y, colour);
    }
}

}  // namespace vl::reference
