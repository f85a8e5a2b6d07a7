#include "render/floor_ceiling.h"

#include <algorithm>
#include <cmath>

#include "base/numeric.h"
#include "render/fast_round.h"
#include "render/texels.h"

namespace vl {

bool floorTexCoord(double point, int32_t size, int32_t& coord) {
    // Rounded, not truncated: a point just below a texel edge takes the next
    // texel.
    int64_t rounded = 0;
    if (!roundTo64(double(size) * point, rounded)) return false;
    coord = int32_t(rounded % size);
    return true;
}

namespace {

bool isPowerOfTwo(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

// Remainder by size, with the sign of the value as % gives it; a power of
// two takes a mask, corrected for negative values.
template <bool PowerOfTwo>
inline int32_t remainderOf(int32_t rounded, int32_t size) {
    if (!PowerOfTwo) return rounded % size;
    const int32_t mask = size - 1, bias = (rounded >> 31) & mask;
    return ((rounded + bias) & mask) - bias;
}

// floorTexCoord by the processor: cvtsd2si rounds to nearest, ties to even,
// as nearbyint does under the rounding mode every export sets, and gives
// INT32_MIN outside the 32-bit range and for NaN (then floorTexCoord
// decides). Inside that range the rounded value and its remainder are the
// same in 32 bits as in 64.
template <bool PowerOfTwo>
inline bool texCoord(double point, int32_t size, int32_t& coord) {
    const int32_t rounded = _mm_cvtsd_si32(_mm_set_sd(double(size) * point));
    if (rounded == INT32_MIN) return floorTexCoord(point, size, coord);
    coord = remainderOf<PowerOfTwo>(rounded, size);
    return true;
}

// The frame's constants for the row loops, in locals so that the pixel
// stores (which may alias anything) do not make the compiler read them
// again for every pixel.
struct RowPass {
    const uint32_t* floorPixels;
    const uint32_t* ceilingPixels;
    uint32_t floorSize, ceilingSize;
    const double* footX;
    const double* footY;
    const double* wallDistance;
    const int32_t* firstFloorRow;
    double posX, posY;
    int32_t width, height, screenWidth, screenHeight;
};

// One floor pixel of column x in row y and its ceiling pixel, by the
// formulas; rowDistance is the row's screenHeight / (2y - screenHeight).
template <bool PowerOfTwo>
inline void floorCeilingPixel(const RowPass& r, double rowDistance, int32_t x, uint8_t* floorRow,
                              uint8_t* ceilingRow) {
    // (currentDist - distPlayer) / (distWall - distPlayer) with distPlayer
    // 0.0: subtracting +0.0 leaves every Real as it is.
    const double weight = rowDistance / r.wallDistance[x];
    const double currentFloorX = weight * r.footX[x] + (1.0 - weight) * r.posX;
    const double currentFloorY = weight * r.footY[x] + (1.0 - weight) * r.posY;
    int32_t floorTexX, floorTexY;
    if (!texCoord<PowerOfTwo>(currentFloorX, r.width, floorTexX) ||
        !texCoord<PowerOfTwo>(currentFloorY, r.height, floorTexY))
        return;
    // Negative points (a camera off the map) give negative coordinates; an
    // index that then falls outside the texture is skipped.
    const uint32_t index = uint32_t(r.width * floorTexY + floorTexX);
    if (index < r.floorSize) putPixelBytes(floorRow + 3 * x, r.floorPixels[index]);
    if (index < r.ceilingSize) putPixelBytes(ceilingRow + 3 * x, r.ceilingPixels[index]);
}

template <bool PowerOfTwo>
void floorCeilingRowsOneByOne(const RowPass& r, const double* rowDistance, int32_t firstRow, PixelRows rows) {
    for (int32_t y = firstRow; y < r.screenHeight; ++y) {
        uint8_t* const floorRow = rows.at(0, y);
        uint8_t* const ceilingRow = rows.at(0, r.screenHeight - y);
        for (int32_t x = 0; x < r.screenWidth; ++x)
            if (y >= r.firstFloorRow[x]) floorCeilingPixel<PowerOfTwo>(r, rowDistance[y], x, floorRow, ceilingRow);
    }
}

// Power-of-two sizes, two neighbouring columns at a time: the same Real
// operations in the two lanes of SSE2 registers (each lane rounds as the
// scalar operation does, and no multiply-add is fused), the conversions in
// the current rounding mode as above, the remainders by mask, and the
// row's two pixels stored together. A lane whose product is out of the
// 32-bit range sends both columns the scalar way.
void floorCeilingRowsInPairs(const RowPass& r, const double* rowDistance, int32_t firstRow, PixelRows rows) {
    int32_t widthShift = 0;
    while ((1 << widthShift) < r.width) ++widthShift;
    const __m128i masks = _mm_set_epi32(r.height - 1, r.height - 1, r.width - 1, r.width - 1);
    const __m128i outOfRange = _mm_set1_epi32(INT32_MIN);
    const __m128i shift = _mm_cvtsi32_si128(widthShift);
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d posX = _mm_set1_pd(r.posX), posY = _mm_set1_pd(r.posY);
    const __m128d sizeX = _mm_set1_pd(double(r.width)), sizeY = _mm_set1_pd(double(r.height));
    const uint32_t* const floorPixels = r.floorPixels;
    const uint32_t* const ceilingPixels = r.ceilingPixels;
    const uint32_t floorSize = r.floorSize, ceilingSize = r.ceilingSize;
    const int32_t screenWidth = r.screenWidth;
    const int32_t* const firstFloorRow = r.firstFloorRow;
    for (int32_t y = firstRow; y < r.screenHeight; ++y) {
        uint8_t* const floorRow = rows.at(0, y);
        uint8_t* const ceilingRow = rows.at(0, r.screenHeight - y);
        const __m128d distance = _mm_set1_pd(rowDistance[y]);
        int32_t x = 0;
        while (x < screenWidth) {
            if (x + 1 >= screenWidth || y < firstFloorRow[x] || y < firstFloorRow[x + 1]) {
                if (y >= firstFloorRow[x]) floorCeilingPixel<true>(r, rowDistance[y], x, floorRow, ceilingRow);
                ++x;
                continue;
            }
            const __m128d weight = _mm_div_pd(distance, _mm_loadu_pd(r.wallDistance + x));
            const __m128d rest = _mm_sub_pd(one, weight);
            const __m128d pointX =
                _mm_add_pd(_mm_mul_pd(weight, _mm_loadu_pd(r.footX + x)), _mm_mul_pd(rest, posX));
            const __m128d pointY =
                _mm_add_pd(_mm_mul_pd(weight, _mm_loadu_pd(r.footY + x)), _mm_mul_pd(rest, posY));
            // Lanes: texel x of both columns, then texel y of both.
            const __m128i rounded = _mm_unpacklo_epi64(_mm_cvtpd_epi32(_mm_mul_pd(sizeX, pointX)),
                                                       _mm_cvtpd_epi32(_mm_mul_pd(sizeY, pointY)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi32(rounded, outOfRange)) != 0) {
                floorCeilingPixel<true>(r, rowDistance[y], x, floorRow, ceilingRow);
                floorCeilingPixel<true>(r, rowDistance[y], x + 1, floorRow, ceilingRow);
                x += 2;
                continue;
            }
            const __m128i bias = _mm_and_si128(_mm_srai_epi32(rounded, 31), masks);
            const __m128i coords = _mm_sub_epi32(_mm_and_si128(_mm_add_epi32(rounded, bias), masks), bias);
            // width * texY as a shift: two's complement makes that exact for
            // negative rows too.
            const __m128i index = _mm_add_epi32(coords, _mm_sll_epi32(_mm_srli_si128(coords, 8), shift));
            const uint32_t first = uint32_t(_mm_cvtsi128_si32(index));
            const uint32_t second = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(index, 4)));
            uint8_t* const floorAt = floorRow + 3 * x;
            uint8_t* const ceilingAt = ceilingRow + 3 * x;
            if (first < floorSize && second < floorSize) {
                putPixelPair(floorAt, floorPixels[first], floorPixels[second]);
            } else {
                if (first < floorSize) putPixelBytes(floorAt, floorPixels[first]);
                if (second < floorSize) putPixelBytes(floorAt + 3, floorPixels[second]);
            }
            if (first < ceilingSize && second < ceilingSize) {
                putPixelPair(ceilingAt, ceilingPixels[first], ceilingPixels[second]);
            } else {
                if (first < ceilingSize) putPixelBytes(ceilingAt, ceilingPixels[first]);
                if (second < ceilingSize) putPixelBytes(ceilingAt + 3, ceilingPixels[second]);
            }
            x += 2;
        }
    }
}

}  // namespace

bool prepareFloorCeiling(const RenderSettings& view, const Camera& camera, const World& world,
                         FrameBuffers& frame, FloorCeilingFrame& out) {
    const std::vector<Colour>* floorTexture = view.floorTexture > 0 ? textureAt(world, view.floorTexture) : nullptr;
    const std::vector<Colour>* ceilingTexture =
        view.ceilingTexture > 0 ? textureAt(world, view.ceilingTexture) : nullptr;
    if (!floorTexture && !ceilingTexture) return false;
    out = FloorCeilingFrame{};
    // Remainders keep |floorTexX| < textureWidth and |floorTexY| <
    // textureHeight, so no index reaches textureWidth * textureHeight.
    const size_t reach = size_t(view.textureWidth) * size_t(view.textureHeight);
    if (floorTexture) {
        const size_t n = std::min(floorTexture->size(), reach);
        frame.floorPixels.resize(n);
        for (size_t i = 0; i < n; ++i) frame.floorPixels[i] = pixelBytes(halve((*floorTexture)[i]));
        out.floorPixels = frame.floorPixels.data();
        out.floorSize = uint32_t(n);
    }
    if (ceilingTexture) {
        const size_t n = std::min(ceilingTexture->size(), reach);
        frame.ceilingPixels.resize(n);
        for (size_t i = 0; i < n; ++i) frame.ceilingPixels[i] = pixelBytes((*ceilingTexture)[i]);
        out.ceilingPixels = frame.ceilingPixels.data();
        out.ceilingSize = uint32_t(n);
    }
    // A row's floor distance depends on the row alone. Floor rows lie below
    // drawEnd, which is at least screenHeight / 2; the others cost little.
    const int32_t height = view.screenHeight, width = view.screenWidth;
    if (frame.rowDistance.size() < size_t(height)) frame.rowDistance.resize(size_t(height));
    for (int32_t y = 0; y < height; ++y)
        frame.rowDistance[size_t(y)] = double(height) / double(2 * y - height);
    for (std::vector<double>* v : {&frame.footX, &frame.footY, &frame.wallDistance})
        if (v->size() < size_t(width)) v->resize(size_t(width));
    if (frame.firstFloorRow.size() < size_t(width)) frame.firstFloorRow.resize(size_t(width));
    std::fill_n(frame.firstFloorRow.begin(), width, height);
    out.rowDistance = frame.rowDistance.data();
    out.footX = frame.footX.data();
    out.footY = frame.footY.data();
    out.wallDistance = frame.wallDistance.data();
    out.firstFloorRow = frame.firstFloorRow.data();
    out.firstRow = height;
    out.posX = camera.posX;
    out.posY = camera.posY;
    out.screenWidth = width;
    out.screenHeight = height;
    out.textureWidth = view.textureWidth;
    out.textureHeight = view.textureHeight;
    return true;
}

void noteFloorColumn(const ColumnCast& c, int32_t x, FloorCeilingFrame& f) {
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
    f.footX[x] = floorXWall;
    f.footY[x] = floorYWall;
    f.wallDistance[x] = c.perpWallDist;
    int32_t drawEnd = c.drawEnd;
    if (drawEnd < 0) drawEnd = f.screenHeight;
    // Row drawEnd itself is skipped; each floor row y has its ceiling row at
    // screenHeight - y, which on an odd-sized slice is the wall's top row.
    const int32_t first = std::min(drawEnd + 1, f.screenHeight);
    f.firstFloorRow[x] = first;
    f.firstRow = std::min(f.firstRow, first);
}

void drawFloorCeiling(const FloorCeilingFrame& f, PixelRows rows) {
    const RowPass r{f.floorPixels,  f.ceilingPixels, f.floorSize,     f.ceilingSize,   f.footX,
                    f.footY,        f.wallDistance,  f.firstFloorRow, f.posX,          f.posY,
                    f.textureWidth, f.textureHeight, f.screenWidth,   f.screenHeight};
    if (isPowerOfTwo(f.textureWidth) && isPowerOfTwo(f.textureHeight))
        floorCeilingRowsInPairs(r, f.rowDistance, f.firstRow, rows);
    else
        floorCeilingRowsOneByOne<false>(r, f.rowDistance, f.firstRow, rows);
}

}  // namespace vl
