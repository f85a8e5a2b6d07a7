#pragma once
// The wall pass: one ray per screen column, marched through the grid to the
// first wall cell, and the slice that wall covers on screen.
#include <cstdint>
#include <vector>

#include "render/frame.h"
#include "world/world.h"

namespace vl {

// Casts the ray of column x of a view of screenWidth x screenHeight (both at
// least 1) whose horizon lies `pitch` rows below the middle. Without a hit
// the slice and wall values are left at zero.
ColumnCast castColumn(const Camera& camera, const MapGrid& map, int32_t screenWidth,
                      int32_t screenHeight, int32_t x, int32_t pitch = 0);

// Casts every column of the view into columns[0, screenWidth), as
// castColumn would, in passes over all columns: the ray set-ups, then the
// marches, then the slices, so that the arithmetic of neighbouring columns
// overlaps instead of waiting behind each march's branches.
void castColumns(const Camera& camera, const MapGrid& map, int32_t screenWidth, int32_t screenHeight,
                 int32_t pitch, std::vector<ColumnCast>& columns);

// Texture column of the slice, mirrored where the face is seen towards +x or
// +y. 64-bit because a non-finite wallX saturates the floor.
int64_t wallTexX(const ColumnCast& c, int32_t textureWidth);

// Flat mode: every column's slice in its wall's colour, and the back
// buffer's brush left in the last column's colour, as one brush-colour change
// and one rectangle fill per column would leave it.
void drawFlatColumns(const RenderSettings& view, const Camera& camera, const World& world, FrameBuffers& frame,
                     PixelRows rows, Surface& backBuffer);

// Textured mode: the slice's texels (the caller checked the texture size is
// usable).
void drawWallColumn(const ColumnCast& c, int32_t x, const RenderSettings& view, const World& world,
                    PixelRows rows);

}  // namespace vl
