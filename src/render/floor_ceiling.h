#pragma once
// The floor and ceiling below and above each column's wall slice. The
// columns are noted as the wall pass casts them and drawn afterwards row by
// row, so that each row's pixels are written in order through memory.
#include <cstdint>
#include <vector>

#include "render/frame.h"
#include "render/walls.h"
#include "world/world.h"

namespace vl {

// Texel coordinate of a floor point along one axis: size * point rounded
// (ties to even) to a 64-bit integer, then its remainder by size, which keeps
// the sign of the point. False when the product is no 64-bit integer.
// size must be at least 1.
bool floorTexCoord(double point, int32_t size, int32_t& coord);

// The floor and ceiling of a frame: the textures, the camera, each row's
// floor distance screenHeight / (2y - screenHeight), and per column the foot
// of its wall, its distance and its first floor row (kept in FrameBuffers).
struct FloorCeilingFrame {
    // The texels an index can reach (fewer when the texture is shorter), as
    // pixel bytes, the floor's already halved; a size of 0 draws nothing.
    const uint32_t* floorPixels = nullptr;
    uint32_t floorSize = 0;
    const uint32_t* ceilingPixels = nullptr;
    uint32_t ceilingSize = 0;
    const double* rowDistance = nullptr;  // indexed by screen row
    double* footX = nullptr;
    double* footY = nullptr;
    double* wallDistance = nullptr;
    int32_t* firstFloorRow = nullptr;     // padded to whole groups of 4 columns
    int32_t firstRow = 0;  // the least of firstFloorRow
    double posX = 0, posY = 0;
    int32_t screenWidth = 0, screenHeight = 0, textureWidth = 0, textureHeight = 0;
    // Rows stepped in fixed point (power-of-two sizes, whole textures): the
    // ray direction of column x as a line, alpha + beta x per axis, and per
    // column the tie margin its texel coordinates need (see floor_ceiling.cpp).
    bool stepped = false;
    double alphaX = 0, betaX = 0, alphaY = 0, betaY = 0;
    int32_t* tieLimit = nullptr;
    // Pitch, fog or per-cell textures: the rows run from firstRow to lastRow
    // (the ceiling mirrored about the moved horizon), each with its fog,
    // and floorCells / ceilingCells hold the textures of each cell value, 0
    // being the frame's own.
    bool general = false;
    int32_t pitch = 0, lastRow = 0;
    double fogStart = 0, fogEnd = 0;
    uint32_t fogPixel = 0;
    const CellLayer* floorMap = nullptr;    // null when no cell has its own floor
    const CellLayer* ceilingMap = nullptr;  // or ceiling
    const uint32_t* floorCells[10] = {};
    uint32_t floorCellSizes[10] = {};
    const uint32_t* ceilingCells[10] = {};
    uint32_t ceilingCellSizes[10] = {};
};

// Prepares a frame's floor and ceiling, no column having any yet; false
// when neither is drawn.
bool prepareFloorCeiling(const RenderSettings& view, const Camera& camera, const World& world,
                         FrameBuffers& frame, FloorCeilingFrame& out);

// Notes the wall of hit column x: its floor rows lie below the slice and
// their mirrored ceiling rows above it.
void noteFloorColumn(const ColumnCast& c, int32_t x, FloorCeilingFrame& f);

// Draws every noted column's floor and ceiling. Each pixel gets what the
// column-by-column pass would give it; only the order between columns, which
// never share a pixel, differs.
void drawFloorCeiling(const FloorCeilingFrame& f, PixelRows rows);

}  // namespace vl
