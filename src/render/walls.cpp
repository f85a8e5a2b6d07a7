#include "render/walls.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/fast_round.h"
#include "render/texels.h"

namespace vl {

// std::floor of a Real without a C runtime call in the common range; whole
// numbers (-0.0 included) come back as they are, as std::floor gives them.
static double floorReal(double v) {
    if (!(v > -2147483648.0 && v < 2147483648.0)) return std::floor(v);
    const double t = double(_mm_cvttsd_si32(_mm_set_sd(v)));
    if (t == v) return v;
    return t > v ? t - 1 : t;
}

namespace {

// Steps 1 to 8 of a column: the ray, its grid steps and first distances.
void startRay(const Camera& camera, int32_t screenWidth, int32_t x, ColumnCast& c) {
    // Field by field: a whole-record reset becomes a slow block store.
    c.hit = false;
    c.side = 0;
    c.wall = 0;
    c.quotient = c.perpWallDist = c.wallX = 0;
    c.lineHeight = c.drawStart = c.drawEnd = c.drawEndUnclamped = 0;
    c.cameraX = double(2 * x) / double(screenWidth) - 1.0;
    c.rayPosX = camera.posX;
    c.rayPosY = camera.posY;
    c.rayDirX = camera.dirX + camera.planeX * c.cameraX;
    c.rayDirY = camera.dirY + camera.planeY * c.cameraX;
    // Held in 32 bits for the conversions below: a 64-bit integer becomes a
    // Real only through the x87 unit on 32-bit x86.
    const int32_t mapX = floorFast(c.rayPosX), mapY = floorFast(c.rayPosY);
    c.mapX = mapX;
    c.mapY = mapY;

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
        c.sideDistX = (c.rayPosX - double(mapX)) * c.deltaDistX;
    } else {
        c.stepX = 1;
        c.sideDistX = (double(mapX) + 1.0 - c.rayPosX) * c.deltaDistX;
    }
    if (c.rayDirY < 0) {
        c.stepY = -1;
        c.sideDistY = (c.rayPosY - double(mapY)) * c.deltaDistY;
    } else {
        c.stepY = 1;
        c.sideDistY = (double(mapY) + 1.0 - c.rayPosY) * c.deltaDistY;
    }
}

// Step 9: the march to the first wall cell, if the ray meets one.
void march(const MapGrid& map, ColumnCast& c) {
    // A grid whose cells do not fill its sizes is read as an empty one.
    if (map.rowCount <= 0 || map.rowLength <= 0 ||
        map.cells.size() < size_t(map.rowCount) * size_t(map.rowLength))
        return;
    // The camera's own cell is never tested: a camera inside a wall sees the
    // next wall along the ray. A tie steps in y.
    const auto step = [&c] {
        if (c.sideDistX < c.sideDistY) {
            c.sideDistX += c.deltaDistX;
            c.mapX += c.stepX;
            c.side = 0;
        } else {
            c.sideDistY += c.deltaDistY;
            c.mapY += c.stepY;
            c.side = 1;
        }
    };
    // Both coordinates move monotonically, so a ray through an open border
    // (or from a camera off the grid) leaves it for good. From a cell more
    // than one away from the grid, the first step already leaves it.
    if (c.mapX < -1 || c.mapX > map.rowCount || c.mapY < -1 || c.mapY > map.rowLength) {
        step();
        return;
    }
    // Here every cell the march visits is within one of the grid, so
    // 32 bits hold it; the march runs in locals.
    int32_t mapX = int32_t(c.mapX), mapY = int32_t(c.mapY);
    double sideDistX = c.sideDistX, sideDistY = c.sideDistY;
    const double deltaDistX = c.deltaDistX, deltaDistY = c.deltaDistY;
    const int32_t stepX = c.stepX, stepY = c.stepY;
    const uint32_t rowCount = uint32_t(map.rowCount), rowLength = uint32_t(map.rowLength);
    const int32_t* cells = map.cells.data();
    int side = 0;
    int32_t value = 0;
    bool inside = true;
    for (;;) {
        if (sideDistX < sideDistY) {
            sideDistX += deltaDistX;
            mapX += stepX;
            side = 0;
        } else {
            sideDistY += deltaDistY;
            mapY += stepY;
            side = 1;
        }
        if (uint32_t(mapX) >= rowCount || uint32_t(mapY) >= rowLength) {
            inside = false;
            break;
        }
        value = cells[size_t(uint32_t(mapX)) * rowLength + uint32_t(mapY)];
        if (value > 0) break;
    }
    c.mapX = mapX;
    c.mapY = mapY;
    c.sideDistX = sideDistX;
    c.sideDistY = sideDistY;
    c.side = side;
    if (!inside) return;
    c.hit = true;
    c.wall = value;
}

// Steps 10 to 13 and the hit point along the face, for a ray that hit.
void finishRay(int32_t screenHeight, int32_t pitch, ColumnCast& c) {
    if (!c.hit) return;
    // A wall cell is on the grid, so its coordinates fit 32 bits.
    if (c.side == 0)
        c.quotient = (double(int32_t(c.mapX)) - c.rayPosX + (1 - c.stepX) / 2) / c.rayDirX;
    else
        c.quotient = (double(int32_t(c.mapY)) - c.rayPosY + (1 - c.stepY) / 2) / c.rayDirY;
    c.perpWallDist = std::fabs(c.quotient);

    // Distance 0 makes the quotient infinite; the floor saturates it, so the
    // slice covers the whole view.
    c.lineHeight = floorFast(std::fabs(double(screenHeight) / c.perpWallDist));
    // The halves of whole numbers add up exactly in Reals, so the floors are
    // halvings that round down (arithmetic shifts), and the whole pitch adds
    // after them; in 64 bits so that even the saturated height cannot
    // overflow, and the results are held inside 32 bits.
    const int64_t top = ((int64_t(screenHeight) - c.lineHeight) >> 1) + pitch;
    const int64_t bottom = ((int64_t(screenHeight) + c.lineHeight) >> 1) + pitch;
    c.drawStart = int32_t(std::clamp<int64_t>(top, 0, INT32_MAX));
    c.drawEndUnclamped = int32_t(std::clamp<int64_t>(bottom, INT32_MIN, INT32_MAX));
    // Clamped to the last row, which the slice (ending at drawEnd - 1) then
    // never reaches: a full-height wall leaves the bottom row alone.
    c.drawEnd = std::min(c.drawEndUnclamped, screenHeight - 1);

    c.wallX = c.side == 1 ? c.rayPosX + c.quotient * c.rayDirX : c.rayPosY + c.quotient * c.rayDirY;
    c.wallX -= floorReal(c.wallX);
}

}  // namespace

ColumnCast castColumn(const Camera& camera, const MapGrid& map, int32_t screenWidth,
                      int32_t screenHeight, int32_t x, int32_t pitch) {
    ColumnCast c;
    startRay(camera, screenWidth, x, c);
    march(map, c);
    finishRay(screenHeight, pitch, c);
    return c;
}

void castColumns(const Camera& camera, const MapGrid& map, int32_t screenWidth, int32_t screenHeight,
                 int32_t pitch, std::vector<ColumnCast>& cast) {
    if (cast.size() < size_t(screenWidth)) cast.resize(size_t(screenWidth));
    ColumnCast* const columns = cast.data();
    for (int32_t x = 0; x < screenWidth; ++x) startRay(camera, screenWidth, x, columns[x]);
    for (int32_t x = 0; x < screenWidth; ++x) march(map, columns[x]);
    for (int32_t x = 0; x < screenWidth; ++x) finishRay(screenHeight, pitch, columns[x]);
}

int64_t wallTexX(const ColumnCast& c, int32_t textureWidth) {
    int64_t texX = floorFast(double(textureWidth) * c.wallX);
    if (c.side == 0 && c.rayDirX > 0) texX = int64_t(textureWidth) - texX - 1;
    if (c.side == 1 && c.rayDirY > 0) texX = int64_t(textureWidth) - texX - 1;
    return texX;
}

namespace {

inline void fillColumn(PixelRows rows, int32_t x, int32_t from, int32_t to, uint32_t bytes) {
    uint8_t* p = rows.at(x, from);
    for (int32_t y = from; y < to; ++y, p += rows.pitch) putPixelBytes(p, bytes);
}

}  // namespace

void drawFlatColumns(const RenderSettings& view, const Camera& camera, const World& world, FrameBuffers& frame,
                     PixelRows rows, Surface& backBuffer) {
    const int32_t width = view.screenWidth;
    castColumns(camera, world.worldMap, width, view.screenHeight, view.pitch, frame.columns);
    // Each column's slice as rows [from, to) and its colour as pixel bytes;
    // an empty slice where nothing is drawn. Whole groups of 8 columns.
    int32_t from[kBackBufferWidth + 7], to[kBackBufferWidth + 7];
    uint32_t bytes[kBackBufferWidth + 7];
    bool brushSet = false;
    Colour lastColour = 0, resolvedFrom = 0, resolved = 0;
    for (int32_t x = 0; x < ((width + 7) & ~7); ++x) {
        from[x] = to[x] = 0;
        bytes[x] = 0;
        if (x >= width) continue;
        const ColumnCast& c = frame.columns[size_t(x)];
        // No wall, or a wall kind with no colour entry: nothing drawn, and
        // the brush keeps its colour.
        if (!c.hit || size_t(c.wall) >= world.flatColors.size()) continue;
        Colour colour = world.flatColors[size_t(c.wall)];
        if (c.side == 1) colour = halve(colour);
        // Fog blends the colour the pixels get, and the brush keeps it.
        if (const int32_t w = fogWeight(view, c.perpWallDist); w > 0)
            colour = fogBlend(resolveColour(colour), view.fogColour, w);
        // Setting the colour leaves the brush solid, so every fill paints;
        // system colours are looked up again only when the colour changes.
        if (!brushSet || colour != resolvedFrom) resolved = resolveColour(colour);
        resolvedFrom = lastColour = colour;
        brushSet = true;
        // Pitch can push a slice wholly above or below the view: empty.
        if (c.drawStart < c.drawEnd) {
            from[x] = c.drawStart;
            to[x] = c.drawEnd;
        }
        bytes[x] = pixelBytes(resolved);
    }
    // No two columns share a pixel, so the order of the fills is free: the
    // rows that eight neighbouring columns all cover take two 16-byte stores
    // each, and the rest go column by column.
    const __m128i alpha = _mm_set1_epi32(int32_t(kFrameAlpha));
    for (int32_t x = 0; x < width; x += 8) {
        int32_t top = from[x], bottom = to[x];
        for (int32_t k = x + 1; k < x + 8; ++k) top = std::max(top, from[k]), bottom = std::min(bottom, to[k]);
        if (top >= bottom) {
            for (int32_t k = x; k < x + 8; ++k) fillColumn(rows, k, from[k], to[k], bytes[k]);
            continue;
        }
        for (int32_t k = x; k < x + 8; ++k) {
            fillColumn(rows, k, from[k], top, bytes[k]);
            fillColumn(rows, k, bottom, to[k], bytes[k]);
        }
        const __m128i head = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + x)), alpha);
        const __m128i tail = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + x + 4)), alpha);
        uint8_t* p = rows.at(x, top);
        for (int32_t y = top; y < bottom; ++y, p += rows.pitch) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), head);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), tail);
        }
    }
    // Only the last column's brush colour outlives the frame.
    if (brushSet) setBrushColor(backBuffer, lastColour);
}

namespace {

// A column's fog: one weight for all its texels, on Colours and on pixel
// bytes alike. Columns without fog draw through NoWallFog, so their loops
// carry no test of the weight.
struct WallFog {
    Colour fog;
    uint32_t fogBytes;
    int32_t weight;
    Colour colour(Colour c) const { return fogBlend(c, fog, weight); }
    uint32_t bytes(uint32_t b) const { return fogBlend(b, fogBytes, weight); }
};
struct NoWallFog {
    Colour colour(Colour c) const { return c; }
    uint32_t bytes(uint32_t b) const { return b; }
};

template <class Fog>
void drawWallTexels(const ColumnCast& c, int32_t x, const RenderSettings& view, const std::vector<Colour>* texture,
                    Fog fog, PixelRows rows) {
    const int64_t texX = wallTexX(c, view.textureWidth);
    const Colour* texels = texture->data();
    const size_t size = texture->size();
    // Halving on y sides as a shift and a mask, fixed for the column.
    const int halving = c.side == 1 ? 1 : 0;
    const Colour keep = c.side == 1 ? 0x7F7F7Fu : 0xFFFFFFFFu;
    uint8_t* p = rows.at(x, c.drawStart);
    // Texture rows follow the horizon: screen row y shows what row y - pitch
    // shows without pitch.
    const int32_t firstRow = c.drawStart - view.pitch;
    const auto shade = [&](Colour colour) { return fog.colour(colour); };
    const auto shadeBytes = [&](uint32_t bytes) { return fog.bytes(bytes); };

    TexRowStepper rowOf;
    // wallX lies in [0, 1] (1 only by rounding), so texX lies in
    // [-1, textureWidth] and the index below fits 32 bits.
    if (startTexRows(view.textureHeight, view.screenHeight, double(c.lineHeight), firstRow, rowOf) &&
        texX >= -1 && texX <= kTextureSide) {
        const int32_t column = int32_t(texX), width = view.textureWidth, end = c.drawEnd;
        const ptrdiff_t pitch = rows.pitch;
        int32_t y = c.drawStart;
        // When screenHeight - lineHeight is odd the slice's top row has
        // texture row -1; the absolute value turns that index into texel
        // textureWidth - texX of the first texel row. Every later row lies
        // in [0, textureHeight - 1].
        for (; y < end && rowOf.row < 0; ++y, p += pitch, rowOf.next()) {
            const int32_t index = std::abs(width * rowOf.row + column);
            if (size_t(index) < size) putPixel(p, shade((texels[index] >> halving) & keep));
        }
        if (column < 0 || column >= width || size < size_t(width) * size_t(view.textureHeight)) {
            // A column of -1 (wallX rounded up to 1) folds row 0's index too.
            for (; y < end; ++y, p += pitch, rowOf.next()) {
                const int32_t index = std::abs(width * rowOf.row + column);
                if (size_t(index) < size) putPixel(p, shade((texels[index] >> halving) & keep));
            }
            return;
        }
        // Every index from here on lies inside the texture. The index itself
        // is stepped, and halving works on pixel bytes as on colours.
        int32_t at = width * rowOf.row + column, remainder = rowOf.remainder;
        const int32_t atStep = width * rowOf.rowStep, remainderStep = rowOf.remainderStep;
        const int32_t denominator = rowOf.denominator;
        if (atStep == 0) {
            // Taller than the texture: one texel per run of rows.
            while (y < end) {
                const uint32_t bytes = shadeBytes((pixelBytes(texels[at]) >> halving) & keep);
                do {
                    putPixelBytes(p, bytes);
                    p += pitch;
                    ++y;
                    remainder += remainderStep;
                } while (remainder < denominator && y < end);
                remainder -= denominator;
                at += width;
            }
            return;
        }
        for (; y < end; ++y, p += pitch) {
            putPixelBytes(p, shadeBytes((pixelBytes(texels[at]) >> halving) & keep));
            at += atStep;
            remainder += remainderStep;
            if (remainder >= denominator) {
                remainder -= denominator;
                at += width;
            }
        }
        return;
    }
    for (int32_t y = c.drawStart; y < c.drawEnd; ++y, p += rows.pitch) {
        const int32_t texY =
            texRowByFormula(view.textureHeight, view.screenHeight, double(c.lineHeight), y - view.pitch);
        const int64_t index = std::llabs(int64_t(view.textureWidth) * texY + texX);
        if (hasTexel(*texture, index)) putPixel(p, shade((texels[size_t(index)] >> halving) & keep));
    }
}

}  // namespace

void drawWallColumn(const ColumnCast& c, int32_t x, const RenderSettings& view, const World& world,
                    PixelRows rows) {
    const std::vector<Colour>* texture = textureAt(world, c.wall);
    if (!texture || c.drawStart >= c.drawEnd) return;
    // Fog blends every texel of the column with one weight.
    if (const int32_t w = fogWeight(view, c.perpWallDist); w != 0)
        drawWallTexels(c, x, view, texture, WallFog{view.fogColour, pixelBytes(view.fogColour), w}, rows);
    else
        drawWallTexels(c, x, view, texture, NoWallFog{}, rows);
}

}  // namespace vl
