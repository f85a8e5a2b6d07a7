#pragma once
// The floor and ceiling of one column, below and above its wall slice.
#include <cstdint>

#include "render/reference/frame.h"
#include "render/reference/walls.h"
#include "world/world.h"

namespace vl::reference {

// Texel coordinate of a floor point along one axis: size * point rounded
// (ties to even) to a 64-bit integer, then its remainder by size, which keeps
// the sign of the point. False when the product is no 64-bit integer.
// size must be at least 1.
bool floorTexCoord(double point, int32_t size, int32_t& coord);

// Stages the floor rows below the slice of a hit column and the mirrored
// ceiling rows above it (the caller checked the texture size is usable).
void stageFloorCeilingColumn(const ColumnCast& c, int32_t x, const Camera& camera,
                             const RenderSettings& view, const World& world, FrameBuffers& frame);

}  // namespace vl::reference
