#pragma once
// The wall pass: one ray per screen column, marched through the grid to the
// first wall cell, and the slice that wall covers on screen.
#include <cstdint>

#include "render/reference/frame.h"
#include "world/world.h"

namespace vl::reference {

// The working values of one column. Cell coordinates are 64-bit so a march
// that starts from a saturated cell cannot overflow while it steps.
struct ColumnCast {
    double cameraX = 0;
    double rayPosX = 0, rayPosY = 0;
    double rayDirX = 0, rayDirY = 0;
    int64_t mapX = 0, mapY = 0;  // the wall cell, once hit
    double deltaDistX = 0, deltaDistY = 0;
    double sideDistX = 0, sideDistY = 0;
    int stepX = 0, stepY = 0;   // -1 or +1
    bool hit = false;   // false when the ray left the grid without meeting a wall
    int side = 0;       // 0: an x grid line was crossed last, 1: a y grid line
    int32_t wall = 0;   // value of the wall cell hit
    double quotient = 0;  // signed distance along the ray to the wall face
    double perpWallDist = 0;
    int32_t lineHeight = 0, drawStart = 0, drawEnd = 0;
    int32_t drawEndUnclamped = 0;  // drawEnd before its clamp to the last row
    double wallX = 0;   // where along the face the ray hit, in [0, 1)
};

// Casts the ray of column x of a view of screenWidth x screenHeight (both at
// least 1) whose horizon is `pitch` rows below the middle. Without a hit the
// slice and wall values are left at zero.
ColumnCast castColumn(const Camera& camera, const MapGrid& map, int32_t screenWidth,
                      int32_t screenHeight, int32_t x, int32_t pitch = 0);

// The fog weight of a pixel at distance d, and a colour fogged by it.
int32_t fogWeightOf(const RenderSettings& view, double d);
Colour fogged(Colour c, Colour fog, int32_t w);

// Texture column of the slice, mirrored where the face is seen towards +x or
// +y. 64-bit because a non-finite wallX saturates the floor.
int64_t wallTexX(const ColumnCast& c, int32_t textureWidth);

// Flat mode: the slice in the wall's colour, straight onto the back buffer.
void fillFlatColumn(const ColumnCast& c, int32_t x, const RenderSettings& view, const World& world,
                    Surface& backBuffer);

// Textured mode: stages the slice's texels (the caller checked the texture
// size is usable).
void stageWallColumn(const ColumnCast& c, int32_t x, const RenderSettings& view, const World& world,
                     FrameBuffers& frame);

}  // namespace vl::reference
