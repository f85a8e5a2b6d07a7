#include "world/world.h"

#include <algorithm>
#include <cmath>

#include "base/error.h"
#include "platform/platform.h"
#include "surface/bmp.h"

namespace vl {

void setMapSize(MapGrid& m, int32_t rowLength, int32_t rowCount) {
    if (rowLength < 0 || rowCount < 0 || rowLength > kMaxMapSide || rowCount > kMaxMapSide)
        fail("ERangeError", "Map size out of range");
    std::vector<int32_t> cells(size_t(rowLength) * size_t(rowCount), 0);
    // Cells inside both the old and the new bounds keep their values.
    const int32_t keepRows = std::min(rowCount, m.rowCount), keepLength = std::min(rowLength, m.rowLength);
    for (int32_t x = 0; x < keepRows; ++x)
        std::copy_n(m.cells.begin() + size_t(x) * size_t(m.rowLength), keepLength,
                    cells.begin() + size_t(x) * size_t(rowLength));
    m.rowLength = rowLength;
    m.rowCount = rowCount;
    m.cells = std::move(cells);
}

void setMapSize(World& w, int32_t rowLength, int32_t rowCount) {
    setMapSize(w.worldMap, rowLength, rowCount);
    for (CellLayer* l : {&w.floorMap, &w.ceilingMap}) *l = CellLayer{rowLength, rowCount, {}, {}};
}

// One digit per cell into row `row` of a grid of rowCount rows of rowLength
// cells; onDigit(k, digit) stores cell k of the row.
template <class OnDigit>
static void loadDigits(int32_t rowLength, int32_t rowCount, int32_t row, const std::string& text, OnDigit onDigit) {
    // A row outside the grid loads nothing, and characters beyond the row's
    // length are ignored: neither may write outside the grid.
    if (row < 0 || row >= rowCount) return;
    const size_t count = std::min(text.size(), size_t(rowLength));
    for (size_t k = 0; k < count; ++k) {
        const char c = text[k];
        if (c < '0' || c > '9') fail("EConvertError", "'" + std::string(1, c) + "' is not a valid integer value");
        onDigit(k, c - '0');
    }
}

void loadMapRow(MapGrid& m, int32_t row, const std::string& text) {
    loadDigits(m.rowLength, m.rowCount, row, text,
               [&](size_t k, int digit) { m.cells[size_t(row) * size_t(m.rowLength) + k] = digit; });
}

void loadLayerRow(CellLayer& l, int32_t row, const std::string& text) {
    loadDigits(l.rowLength, l.rowCount, row, text, [&](size_t k, int digit) {
        if (l.cells.empty()) {
            if (digit == 0) return;  // still all 0
            l.cells.assign(size_t(l.rowLength) * size_t(l.rowCount), 0);
            l.count[0] = uint32_t(l.cells.size());
        }
        uint8_t& cell = l.cells[size_t(row) * size_t(l.rowLength) + k];
        --l.count[cell];
        ++l.count[digit];
        cell = uint8_t(digit);
    });
}

static void checkTableIndex(int32_t index) {
    if (index > kMaxTableIndex) fail("ERangeError", "Table index out of range");
}

void setFlatWallColor(World& w, int32_t index, Colour c) {
    checkTableIndex(index);
    w.flatColors.push_back(0);
    if (index < 0) return;
    // An index beyond the table grows it rather than writing past its end.
    if (size_t(index) >= w.flatColors.size()) w.flatColors.resize(size_t(index) + 1, 0);
    w.flatColors[size_t(index)] = c;
}

void loadTexture(World& w, int32_t index, const std::string& path) {
    checkTableIndex(index);
    Surface image;
    loadBitmapFile(image, path);  // a failure leaves the table as it was
    w.textures.emplace_back();
    if (index < 0) return;
    if (size_t(index) >= w.textures.size()) w.textures.resize(size_t(index) + 1);
    std::vector<Colour>& texels = w.textures[size_t(index)];
    texels.resize(kTexelsPerTexture);
    for (int y = 0; y < kTextureSide; ++y)
        for (int x = 0; x < kTextureSide; ++x) texels[size_t(y * kTextureSide + x)] = pixelAt(image, x, y);
}

int32_t addSprite(Sprites& s, double x, double y, int32_t texture) {
    if (s.spriteCount >= kMaxSprites) fail("ERangeError", "Too many sprites");
    ++s.spriteCount;
    s.spriteX.push_back(x);
    s.spriteY.push_back(y);
    s.spriteTexture.push_back(texture);
    s.spriteOrder.push_back(0);
    s.spriteDistance.push_back(0.0);
    return s.spriteCount - 1;
}

void setSpritePos(Sprites& s, int32_t index, double x, double y) {
    if (index < 0 || index >= s.spriteCount) return;
    s.spriteX[size_t(index)] = x;
    s.spriteY[size_t(index)] = y;
}

void setSpriteScale(Sprites& s, int32_t index, double width, double height, double lift) {
    if (!(width > 0 && height > 0 && std::isfinite(width) && std::isfinite(height) && std::isfinite(lift)))
        fail("ERangeError", "Sprite scale out of range");
    if (index < 0 || index >= s.spriteCount) return;
    if (s.spriteScale.size() <= size_t(index)) s.spriteScale.resize(size_t(index) + 1);
    s.spriteScale[size_t(index)] = SpriteScale{width, height, lift};
}

int32_t loadOverlayImage(World& w, const std::string& path) {
    if (!platform::fileExists(path)) return -1;
    if (w.overlayImages.size() >= size_t(kMaxOverlayImages)) fail("ERangeError", "Too many overlay images");
    // The entry exists before the file is read, so a failed load leaves an
    // empty image behind and later indexes stay in step.
    w.overlayImages.emplace_back();
    loadBitmapFile(w.overlayImages.back(), path);
    return int32_t(w.overlayImages.size() - 1);
}

}  // namespace vl
