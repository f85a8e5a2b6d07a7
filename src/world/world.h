#pragma once
// The world the renderer draws: the map grid, the flat colour and texture
// tables, the sprite table and the overlay images. Plain records; the
// functions that change them live beside them in this folder.
#include <cstdint>
#include <string>
#include <vector>

#include "surface/surface.h"

namespace vl {

// worldMap[x][y], stored flat: cell (x, y) is cells[x * rowLength + y].
// The first index is the world x cell, i.e. the "row" a map string loads.
struct MapGrid {
    int32_t rowLength = 0;  // mapRowLength: cells per row (the y extent)
    int32_t rowCount = 0;   // mapRowCount: number of rows (the x extent)
    std::vector<int32_t> cells;
};

inline bool inGrid(const MapGrid& m, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < m.rowCount && y < m.rowLength;
}
inline int32_t cellAt(const MapGrid& m, int32_t x, int32_t y) {
    return m.cells[size_t(x) * size_t(m.rowLength) + size_t(y)];
}

constexpr int kTextureSide = 64;
constexpr int kTexelsPerTexture = kTextureSide * kTextureSide;

struct Sprites {
    int32_t spriteCount = 0;
    std::vector<double> spriteX, spriteY;
    std::vector<int32_t> spriteTexture;
    std::vector<int32_t> spriteOrder;      // written by the renderer: farthest first
    std::vector<double> spriteDistance;    // squared distances, in step with spriteOrder
};

struct World {
    MapGrid worldMap;
    std::vector<Colour> flatColors;               // entry 0 reserved
    std::vector<std::vector<Colour>> textures;    // entry 0 reserved; loaded ones hold 4096 texels
    Sprites sprites;
    std::vector<Surface> overlayImages;           // overlayCount is its size
};

// Caps that keep hostile input from allocating without bound; calls beyond
// them fail with an error and change nothing.
constexpr int32_t kMaxMapSide = 4096;
constexpr int32_t kMaxTableIndex = 65535;
constexpr int32_t kMaxSprites = 1 << 20;
constexpr int32_t kMaxOverlayImages = 65536;

void setMapSize(MapGrid& m, int32_t rowLength, int32_t rowCount);
// Loads one map row from digit text; throws EConvertError at the first
// character that is not a digit, after storing the cells before it.
void loadMapRow(MapGrid& m, int32_t row, const std::string& cells);

void setFlatWallColor(World& w, int32_t index, Colour c);
void loadTexture(World& w, int32_t index, const std::string& path);
int32_t addSprite(Sprites& s, double x, double y, int32_t texture);
void setSpritePos(Sprites& s, int32_t index, double x, double y);
// Returns the new index, or -1 when no file of that name exists.
int32_t loadOverlayImage(World& w, const std::string& path);

}  // namespace vl
