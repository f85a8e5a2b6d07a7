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

// A texture number per cell for the floor or the ceiling, indexed like
// worldMap. No cells means every cell is 0 (the frame's own texture): the
// layer takes memory only once a row is loaded.
struct CellLayer {
    int32_t rowLength = 0, rowCount = 0;
    std::vector<uint8_t> cells;
    uint32_t count[10] = {};  // how many cells hold each value, 0 aside
};

// The values above 0 that some cell holds, as bits: the textures a frame
// needs beyond its own.
inline uint32_t cellValuesOf(const CellLayer& l) {
    uint32_t bits = 0;
    for (int n = 1; n <= 9; ++n) bits |= uint32_t(l.count[n] != 0) << n;
    return bits;
}

// The layer's texture number at a cell, 0 outside the grid.
inline int32_t layerAt(const CellLayer& l, int64_t x, int64_t y) {
    if (l.cells.empty() || x < 0 || y < 0 || x >= l.rowCount || y >= l.rowLength) return 0;
    return l.cells[size_t(x) * size_t(l.rowLength) + size_t(y)];
}

constexpr int kTextureSide = 64;
constexpr int kTexelsPerTexture = kTextureSide * kTextureSide;

// A sprite's size in wall heights and the height of its bottom edge above
// the floor: 1, 1, 0 is a sprite from floor to ceiling.
struct SpriteScale {
    double width = 1, height = 1, lift = 0;
};

struct Sprites {
    int32_t spriteCount = 0;
    std::vector<double> spriteX, spriteY;
    std::vector<int32_t> spriteTexture;
    std::vector<SpriteScale> spriteScale;  // entries past its end are the defaults
    std::vector<int32_t> spriteOrder;      // written by the renderer: farthest first
    std::vector<double> spriteDistance;    // squared distances, in step with spriteOrder
};

struct World {
    MapGrid worldMap;
    CellLayer floorMap, ceilingMap;  // sized with worldMap
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
// The map and its floor and ceiling layers; the layers start all 0.
void setMapSize(World& w, int32_t rowLength, int32_t rowCount);
// Loads one map row from digit text; throws EConvertError at the first
// character that is not a digit, after storing the cells before it.
void loadMapRow(MapGrid& m, int32_t row, const std::string& cells);
// The same for a floor or ceiling layer.
void loadLayerRow(CellLayer& l, int32_t row, const std::string& cells);

void setFlatWallColor(World& w, int32_t index, Colour c);
void loadTexture(World& w, int32_t index, const std::string& path);
int32_t addSprite(Sprites& s, double x, double y, int32_t texture);
void setSpritePos(Sprites& s, int32_t index, double x, double y);
// Refuses a width or height not above 0 and any value that is not finite,
// then ignores an index outside the list.
void setSpriteScale(Sprites& s, int32_t index, double width, double height, double lift);
inline SpriteScale spriteScaleOf(const Sprites& s, size_t k) {
    return k < s.spriteScale.size() ? s.spriteScale[k] : SpriteScale{};
}
// Returns the new index, or -1 when no file of that name exists.
int32_t loadOverlayImage(World& w, const std::string& path);

}  // namespace vl
