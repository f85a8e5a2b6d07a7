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

// The floor point a row at distance rowDistance shows in a column whose
// wall stands wallDistance away with its foot at (footX, footY), and its
// texel index; false where the point has no texel coordinates.
struct FloorPoint {
    double x, y;
    uint32_t index;
};
template <bool PowerOfTwo>
inline bool floorPointAt(double rowDistance, double wallDistance, double footX, double footY, double posX,
                         double posY, int32_t width, int32_t height, FloorPoint& p) {
    // (currentDist - distPlayer) / (distWall - distPlayer) with distPlayer
    // 0.0: subtracting +0.0 leaves every Real as it is.
    const double weight = rowDistance / wallDistance;
    p.x = weight * footX + (1.0 - weight) * posX;
    p.y = weight * footY + (1.0 - weight) * posY;
    int32_t floorTexX, floorTexY;
    if (!texCoord<PowerOfTwo>(p.x, width, floorTexX) || !texCoord<PowerOfTwo>(p.y, height, floorTexY)) return false;
    // Negative points (a camera off the map) give negative coordinates; an
    // index that then falls outside the texture is skipped.
    p.index = uint32_t(width * floorTexY + floorTexX);
    return true;
}

// One floor pixel of column x in row y and its ceiling pixel, by the
// formulas; rowDistance is the row's screenHeight / (2y - screenHeight).
template <bool PowerOfTwo>
inline void floorCeilingPixel(const RowPass& r, double rowDistance, int32_t x, uint8_t* floorRow,
                              uint8_t* ceilingRow) {
    FloorPoint p;
    if (!floorPointAt<PowerOfTwo>(rowDistance, r.wallDistance[x], r.footX[x], r.footY[x], r.posX, r.posY, r.width,
                                  r.height, p))
        return;
    if (p.index < r.floorSize) putPixelBytes(floorRow + 4 * x, r.floorPixels[p.index]);
    if (p.index < r.ceilingSize) putPixelBytes(ceilingRow + 4 * x, r.ceilingPixels[p.index]);
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

// Stepped rows. Along a screen row the floor point of column x is, in exact
// arithmetic, p + r g(x): the camera position p, the row distance r, and
// g(x) = (foot - p) / perpWallDist, which is the column's ray direction, a
// line alpha + beta x in x. So size times the point (the product whose
// rounding gives the texel coordinate) is nearly a line too, and the row
// steps it in 32.32 fixed point with one integer addition per column. The
// Real arithmetic of floorCeilingPixel gives a product P; for every pixel
// the bound E below holds on |P - Q| (Q the stepped value, less the 1/2 that
// turns rounding into truncation), and a coordinate is taken from Q only
// where Q lies more than E from every tie k + 1/2. Then P rounds to the same
// whole number, and is no tie itself. Anywhere else, and wherever a bound is
// not finite, the pixel takes the Real arithmetic. E has three parts, with
// s the size, u = 2^-53 and w the weight of the pixel:
//
// E1, the rounding of the Real arithmetic: with F the foot, w = r / d
// rounded, and each of 1 - w, w F, (1 - w) p and their sum rounded once,
// |P - s (p + (r / d)(F - p))| <= s 8u (1 + |w|) max(|F|, |p|) (multiplying
// by s is exact). Rows further down have smaller r, so the column's first
// floor row bounds w. Taken as s 2^-48 (1 + w) max(|F|, |p|).
// E2, the column's distance from the line: s r |g(x) - (alpha + beta x)|,
// where the difference is evaluated in Reals with its own rounding added.
// E3, the stepping: Q(0) and the step come from a few rounded operations
// each (u times their magnitudes) and are cut to fixed point (2^-31 each),
// and n steps carry the step's error n times.
//
// E1 and E2 are worked out per column (columnError), E3 per row
// (axisLine); all are bounds with room to spare, so that the rounding of
// their own evaluation is covered.

// A Real below 2^30 in magnitude as 32.32 fixed point, within 2^-31.
bool toFixed(double v, int64_t& out) {
    if (!(v > -0x1p30 && v < 0x1p30)) return false;
    // The fraction of a non-negative Real is exact; a negative one is
    // converted as its magnitude.
    const double magnitude = std::fabs(v);
    const int32_t whole = int32_t(magnitude);
    const int32_t fraction = floorFast((magnitude - whole) * 0x1p32 - 0x1p31);
    const int64_t fixed = int64_t(whole) * 0x100000000LL + int64_t(uint32_t(fraction) ^ 0x80000000u);
    out = v < 0 ? -fixed : fixed;
    return true;
}

// Size times the floor point along one axis of a row, plus 1/2, as a fixed
// point line: start at column 0 and step per column. error bounds E3 over
// `columns` columns: (columns + 1) 2^-31 for the fixed point, and u times
// |start|, s |point|, s |along| and columns |step| for the roundings
// (2^-50 leaves room for the second-order terms).
struct AxisLine {
    int64_t start = 0, step = 0;
    double error = 0;
};

bool axisLine(double p, double alpha, double beta, double r, int32_t size, int32_t columns, AxisLine& out) {
    const double along = r * alpha;
    const double point = p + along;
    const double start = double(size) * point + 0.5;
    const double step = double(size) * r * beta;
    // Every stepped value then stays below 2^31 in magnitude.
    if (!(std::fabs(step) * columns < 0x1p29) || !toFixed(start, out.start) || !toFixed(step, out.step))
        return false;
    out.error = (columns + 1) * 0x1p-31 +
                0x1p-50 * (std::fabs(start) + size * (std::fabs(point) + std::fabs(along)) + columns * std::fabs(step));
    return true;
}

// E1 + E2 of one axis of column x, whose first floor row has distance
// firstDistance and wall distance 1 / inverseDistance. Being a bound, it
// may multiply by the rounded inverse: that adds a rounding or two, well
// within the room the constants leave.
double columnError(double foot, double p, double inverseDistance, double firstDistance, double alpha, double beta,
                   int32_t x, int32_t size) {
    const double g = (foot - p) * inverseDistance;
    const double bx = beta * x;
    const double line = alpha + bx;
    const double distance =
        std::fabs(g - line) * (1 + 0x1p-50) + 0x1p-50 * (std::fabs(g) + std::fabs(bx) + std::fabs(line));
    const double weight = firstDistance * inverseDistance;
    return size * (0x1p-48 * (1 + weight) * std::max(std::fabs(foot), std::fabs(p)) + firstDistance * distance);
}

// A margin in 2^-32 units as the limit the row loop compares with: a stepped
// coordinate is used when m < limit - (the row's margin), m being the
// distance of its fraction from a tie measured as below. -1 never passes.
int32_t tieLimitOf(double error) {
    if (!(error < 0.25)) return -1;
    return 0x7FFFFFFF - (floorFast(error * 0x1p32) + 2);
}

// Four columns' stepped values of one axis: whole parts, and fractions with
// their top bit flipped, so that a signed comparison finds the carry.
struct Lanes {
    __m128i whole, fraction;
    __m128i stepWhole, stepFraction, carryBelow;
};

Lanes lanesOf(const AxisLine& line) {
    int64_t v[4] = {line.start, line.start + line.step, line.start + 2 * line.step, line.start + 3 * line.step};
    const int64_t step = 4 * line.step;
    const auto high = [](int64_t q) { return int32_t(q >> 32); };
    const auto low = [](int64_t q) { return int32_t(uint32_t(uint64_t(q)) ^ 0x80000000u); };
    Lanes l;
    l.whole = _mm_setr_epi32(high(v[0]), high(v[1]), high(v[2]), high(v[3]));
    l.fraction = _mm_setr_epi32(low(v[0]), low(v[1]), low(v[2]), low(v[3]));
    l.stepWhole = _mm_set1_epi32(high(step));
    l.stepFraction = _mm_set1_epi32(int32_t(uint32_t(uint64_t(step))));
    l.carryBelow = _mm_set1_epi32(low(step));
    return l;
}

inline void advance(Lanes& l) {
    l.fraction = _mm_add_epi32(l.fraction, l.stepFraction);
    // The fraction wrapped exactly when it ended below the step.
    const __m128i carry = _mm_cmpgt_epi32(l.carryBelow, l.fraction);
    l.whole = _mm_sub_epi32(_mm_add_epi32(l.whole, l.stepWhole), carry);
}

// Lanes whose fraction lies further than the limit from a tie: with f the
// flipped fraction, f xor (f >> 31) is the distance below 2^31 of the
// fraction from 0 or from 1 (one less on the upper side).
inline __m128i clearOfTies(const Lanes& l, __m128i limit) {
    const __m128i m = _mm_xor_si128(l.fraction, _mm_srai_epi32(l.fraction, 31));
    return _mm_cmpgt_epi32(limit, m);
}

// One floor pixel of column x and its ceiling pixel with pitch, fog or
// per-cell textures, by the formulas: distance is the row's, w its fog
// weight, and a line is null where the row shows no floor (or ceiling).
inline void generalPixel(const FloorCeilingFrame& f, double distance, int32_t w, int32_t x, uint8_t* floorLine,
                         uint8_t* ceilingLine) {
    FloorPoint p;
    if (!floorPointAt<false>(distance, f.wallDistance[x], f.footX[x], f.footY[x], f.posX, f.posY, f.textureWidth,
                             f.textureHeight, p))
        return;
    const uint32_t index = p.index;
    int32_t floorCell = 0, ceilingCell = 0;
    if (f.floorMap || f.ceilingMap) {
        const int32_t cellX = floorFast(p.x), cellY = floorFast(p.y);
        if (f.floorMap) floorCell = layerAt(*f.floorMap, cellX, cellY);
        if (f.ceilingMap) ceilingCell = layerAt(*f.ceilingMap, cellX, cellY);
    }
    if (floorLine && index < f.floorCellSizes[floorCell])
        putPixelBytes(floorLine + 4 * x, fogBlend(f.floorCells[floorCell][index], f.fogPixel, w));
    if (ceilingLine && index < f.ceilingCellSizes[ceilingCell])
        putPixelBytes(ceilingLine + 4 * x, fogBlend(f.ceilingCells[ceilingCell][index], f.fogPixel, w));
}

// What row y shows: its floor pixels inside the view, its ceiling pixels at
// the mirror row screenHeight + 2 pitch - y in rows 1 to screenHeight - 1.
struct RowLines {
    uint8_t* floor;
    uint8_t* ceiling;
};
inline RowLines rowLines(const FloorCeilingFrame& f, int32_t y, PixelRows rows) {
    const int32_t mirror = f.screenHeight + 2 * f.pitch - y;
    return RowLines{y <= f.screenHeight - 1 ? rows.at(0, y) : nullptr,
                    mirror >= 1 && mirror <= f.screenHeight - 1 ? rows.at(0, mirror) : nullptr};
}

// Rows below the view show nothing until their ceiling rows come into it:
// the row to go on from.
inline int32_t skipRows(const FloorCeilingFrame& f, int32_t y) { return std::max(y, 2 * f.pitch); }

// Rows with pitch, fog or per-cell textures whose textures cannot be
// stepped, pixel by pixel.
void floorCeilingRowsGeneral(const FloorCeilingFrame& f, PixelRows rows) {
    for (int32_t y = f.firstRow; y <= f.lastRow; ++y) {
        const RowLines lines = rowLines(f, y, rows);
        if (!lines.floor && !lines.ceiling) {
            y = skipRows(f, y);
            continue;
        }
        const double distance = f.rowDistance[y];
        const int32_t w = fogWeight(f.fogStart, f.fogEnd, distance);
        for (int32_t x = 0; x < f.screenWidth; ++x)
            if (y >= f.firstFloorRow[x]) generalPixel(f, distance, w, x, lines.floor, lines.ceiling);
    }
}

// Cell coordinates of four stepped floor points along one axis, where each
// is certain: size times the point, P, is stepped as Q = P + 1/2 within the
// margin (see above), so floor(P) is floor(Q - 1/2) wherever Q's fraction
// lies further than the margin from 1/2, i.e. where the flipped fraction
// lies further than the margin from 0. For power-of-two sizes the product
// is exact, so the cell, floor(P / size), is floor(P) shifted.
inline __m128i cellsOf(const Lanes& l, __m128i sizeShift, __m128i margin, __m128i& certain) {
    const __m128i below = _mm_srai_epi32(l.fraction, 31);  // -1 where the fraction is under 1/2
    certain = _mm_and_si128(certain, _mm_cmpgt_epi32(_mm_xor_si128(l.fraction, below), margin));
    return _mm_sra_epi32(_mm_add_epi32(l.whole, below), sizeShift);
}

// Fog of weight w on four pixels at once, as fogBlend does it on each: the
// channels as 16-bit lanes, whose sums stay below 2^16.
struct FogQuad {
    __m128i keep, add;  // 256 - w; fog channel times w, plus 128
    FogQuad(uint32_t fogPixel, int32_t w) {
        const __m128i fog = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(fogPixel)), _mm_setzero_si128());
        keep = _mm_set1_epi16(int16_t(256 - w));
        add = _mm_add_epi16(_mm_mullo_epi16(fog, _mm_set1_epi16(int16_t(w))), _mm_set1_epi16(128));
    }
    __m128i blend(__m128i pixels) const {
        const __m128i zero = _mm_setzero_si128();
        const __m128i low = _mm_unpacklo_epi8(pixels, zero), high = _mm_unpackhi_epi8(pixels, zero);
        return _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(low, keep), add), 8),
                                _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(high, keep), add), 8));
    }
};

// Stepped rows (see above). General frames (pitch, fog, per-cell textures)
// take their row ranges, fog and cells from the frame; the others run as
// they always have.
template <bool Floors, bool Ceilings, bool General>
void floorCeilingRowsStepped(const RowPass& r, const FloorCeilingFrame& f, PixelRows rows) {
    int32_t widthShift = 0, heightShift = 0;
    while ((1 << widthShift) < r.width) ++widthShift;
    while ((1 << heightShift) < r.height) ++heightShift;
    const __m128i maskX = _mm_set1_epi32(r.width - 1), maskY = _mm_set1_epi32(r.height - 1);
    const __m128i shift = _mm_cvtsi32_si128(widthShift), shiftY = _mm_cvtsi32_si128(heightShift);
    const int32_t columns = (r.screenWidth + 3) & ~3;
    const int32_t* const firstFloorRow = r.firstFloorRow;
    const int32_t* const tieLimit = f.tieLimit;
    const uint32_t* const floorPixels = r.floorPixels;
    const uint32_t* const ceilingPixels = r.ceilingPixels;
    const bool cells = General && (f.floorMap || f.ceilingMap);
    const int32_t lastRow = General ? f.lastRow : r.screenHeight - 1;
    for (int32_t y = f.firstRow; y <= lastRow; ++y) {
        RowLines lines{rows.at(0, y), rows.at(0, r.screenHeight - y)};
        int32_t w = 0;
        if (General) {
            lines = rowLines(f, y, rows);
            if (!lines.floor && !lines.ceiling) {
                y = skipRows(f, y);
                continue;
            }
        }
        uint8_t* const floorRow = lines.floor;
        uint8_t* const ceilingRow = lines.ceiling;
        const double distance = f.rowDistance[y];
        if (General) w = fogWeight(f.fogStart, f.fogEnd, distance);
        const FogQuad fog(f.fogPixel, w);
        const auto onePixel = [&](int32_t x) {
            if (General)
                generalPixel(f, distance, w, x, floorRow, ceilingRow);
            else
                floorCeilingPixel<true>(r, distance, x, floorRow, ceilingRow);
        };
        AxisLine lineX, lineY;
        // Stepped coordinates must be whole numbers of at least 0 across the
        // row, where the remainder is the mask; a line's least value is at
        // one of its ends.
        const bool stepped =
            axisLine(r.posX, f.alphaX, f.betaX, distance, r.width, columns, lineX) &&
            axisLine(r.posY, f.alphaY, f.betaY, distance, r.height, columns, lineY) && lineX.start >= 0 &&
            lineY.start >= 0 && lineX.start + (columns - 1) * lineX.step >= 0 &&
            lineY.start + (columns - 1) * lineY.step >= 0 && std::max(lineX.error, lineY.error) < 0.125;
        if (!stepped) {
            for (int32_t x = 0; x < r.screenWidth; ++x)
                if (y >= firstFloorRow[x]) onePixel(x);
            continue;
        }
        const __m128i rowMargin = _mm_set1_epi32(floorFast(std::max(lineX.error, lineY.error) * 0x1p32) + 2);
        const __m128i nextRow = _mm_set1_epi32(y + 1);
        Lanes qx = lanesOf(lineX), qy = lanesOf(lineY);
        // Neighbouring quads mostly lie in the same cell: its textures are
        // looked up once for the run.
        int32_t knownX = INT32_MIN, knownY = INT32_MIN;
        const uint32_t* knownFloor = floorPixels;
        const uint32_t* knownCeiling = ceilingPixels;
        for (int32_t x = 0; x < columns; x += 4, advance(qx), advance(qy)) {
            const __m128i floorHere =
                _mm_cmpgt_epi32(nextRow, _mm_loadu_si128(reinterpret_cast<const __m128i*>(firstFloorRow + x)));
            const int here = _mm_movemask_ps(_mm_castsi128_ps(floorHere));
            if (here == 0) continue;
            const __m128i limit =
                _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(tieLimit + x)), rowMargin);
            const int clear =
                _mm_movemask_ps(_mm_castsi128_ps(_mm_and_si128(clearOfTies(qx, limit), clearOfTies(qy, limit))));
            const __m128i index = _mm_or_si128(_mm_and_si128(qx.whole, maskX),
                                               _mm_sll_epi32(_mm_and_si128(qy.whole, maskY), shift));
            if (!General && (here & clear) == 15) {
                // Taken out of the register once for both textures.
                const uint32_t i0 = uint32_t(_mm_cvtsi128_si32(index));
                const uint32_t i1 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0x55)));
                const uint32_t i2 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0xAA)));
                const uint32_t i3 = uint32_t(_mm_cvtsi128_si32(_mm_shuffle_epi32(index, 0xFF)));
                if (Floors)
                    putPixelQuad(floorRow + 4 * x, floorPixels[i0], floorPixels[i1], floorPixels[i2], floorPixels[i3]);
                if (Ceilings)
                    putPixelQuad(ceilingRow + 4 * x, ceilingPixels[i0], ceilingPixels[i1], ceilingPixels[i2],
                                 ceilingPixels[i3]);
                continue;
            }
            uint32_t at[4];
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), index);
            if (General) {
                // The quad's textures: the frame's own, or its cell's when
                // all four points lie, certainly, in one cell.
                const uint32_t* floorTable = floorPixels;
                const uint32_t* ceilingTable = ceilingPixels;
                int32_t cellX[4] = {}, cellY[4] = {};
                int certain = 15;
                bool oneCell = true;
                if (cells) {
                    // The margin of a lane, as a distance from 1/2 in the
                    // fraction; where the limit never passes, the lane is
                    // not clear anyway.
                    const __m128i margin = _mm_sub_epi32(_mm_set1_epi32(0x7FFFFFFF), limit);
                    __m128i sure = _mm_set1_epi32(-1);
                    const __m128i cx = cellsOf(qx, shift, margin, sure), cy = cellsOf(qy, shiftY, margin, sure);
                    certain = _mm_movemask_ps(_mm_castsi128_ps(sure));
                    const __m128i same = _mm_and_si128(_mm_cmpeq_epi32(cx, _mm_shuffle_epi32(cx, 0)),
                                                       _mm_cmpeq_epi32(cy, _mm_shuffle_epi32(cy, 0)));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(cellX), cx);
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(cellY), cy);
                    oneCell = _mm_movemask_ps(_mm_castsi128_ps(same)) == 15;
                    if (oneCell) {
                        if (cellX[0] != knownX || cellY[0] != knownY) {
                            knownX = cellX[0];
                            knownY = cellY[0];
                            knownFloor = f.floorCells[f.floorMap ? layerAt(*f.floorMap, knownX, knownY) : 0];
                            knownCeiling = f.ceilingCells[f.ceilingMap ? layerAt(*f.ceilingMap, knownX, knownY) : 0];
                        }
                        floorTable = knownFloor;
                        ceilingTable = knownCeiling;
                    }
                }
                if (oneCell && (here & clear & certain) == 15) {
                    const auto quad = [&](uint8_t* line, const uint32_t* pixels) {
                        if (w == 0) {
                            putPixelQuad(line, pixels[at[0]], pixels[at[1]], pixels[at[2]], pixels[at[3]]);
                            return;
                        }
                        putPixelVector(line, fog.blend(_mm_setr_epi32(int32_t(pixels[at[0]]), int32_t(pixels[at[1]]),
                                                                      int32_t(pixels[at[2]]), int32_t(pixels[at[3]]))));
                    };
                    if (floorRow && floorTable) quad(floorRow + 4 * x, floorTable);
                    if (ceilingRow && ceilingTable) quad(ceilingRow + 4 * x, ceilingTable);
                    continue;
                }
                for (int k = 0; k < 4; ++k) {
                    if (!(here >> k & 1)) continue;
                    if (!(clear >> k & 1) || !(certain >> k & 1)) {
                        onePixel(x + k);
                        continue;
                    }
                    const int32_t floorCell = cells && f.floorMap ? layerAt(*f.floorMap, cellX[k], cellY[k]) : 0;
                    const int32_t ceilingCell =
                        cells && f.ceilingMap ? layerAt(*f.ceilingMap, cellX[k], cellY[k]) : 0;
                    // Every table is whole or empty, so the index is inside
                    // a table that is there.
                    if (floorRow && f.floorCellSizes[floorCell] != 0)
                        putPixelBytes(floorRow + 4 * (x + k),
                                      fogBlend(f.floorCells[floorCell][at[k]], f.fogPixel, w));
                    if (ceilingRow && f.ceilingCellSizes[ceilingCell] != 0)
                        putPixelBytes(ceilingRow + 4 * (x + k),
                                      fogBlend(f.ceilingCells[ceilingCell][at[k]], f.fogPixel, w));
                }
                continue;
            }
            for (int k = 0; k < 4; ++k) {
                if (!(here >> k & 1)) continue;
                if (!(clear >> k & 1)) {
                    onePixel(x + k);
                    continue;
                }
                if (Floors) putPixelBytes(floorRow + 4 * (x + k), floorPixels[at[k]]);
                if (Ceilings) putPixelBytes(ceilingRow + 4 * (x + k), ceilingPixels[at[k]]);
            }
        }
    }
}

}  // namespace

namespace {

// A texture's texels as pixel bytes, halved or not, as far as an index can
// reach; returns how many.
uint32_t texelPixels(const std::vector<Colour>& texture, size_t reach, bool halved, std::vector<uint32_t>& out) {
    const size_t n = std::min(texture.size(), reach);
    out.resize(n);
    for (size_t i = 0; i < n; ++i) out[i] = pixelBytes(halved ? halve(texture[i]) : texture[i]);
    return uint32_t(n);
}

}  // namespace

bool prepareFloorCeiling(const RenderSettings& view, const Camera& camera, const World& world,
                         FrameBuffers& frame, FloorCeilingFrame& out) {
    const std::vector<Colour>* floorTexture = view.floorTexture > 0 ? textureAt(world, view.floorTexture) : nullptr;
    const std::vector<Colour>* ceilingTexture =
        view.ceilingTexture > 0 ? textureAt(world, view.ceilingTexture) : nullptr;
    const uint32_t floorCells = cellValuesOf(world.floorMap), ceilingCells = cellValuesOf(world.ceilingMap);
    if (!floorTexture && !ceilingTexture && floorCells == 0 && ceilingCells == 0) return false;
    out = FloorCeilingFrame{};
    // Remainders keep |floorTexX| < textureWidth and |floorTexY| <
    // textureHeight, so no index reaches textureWidth * textureHeight.
    const size_t reach = size_t(view.textureWidth) * size_t(view.textureHeight);
    if (floorTexture) {
        out.floorSize = texelPixels(*floorTexture, reach, true, frame.floorPixels[0]);
        out.floorPixels = frame.floorPixels[0].data();
    }
    if (ceilingTexture) {
        out.ceilingSize = texelPixels(*ceilingTexture, reach, false, frame.ceilingPixels[0]);
        out.ceilingPixels = frame.ceilingPixels[0].data();
    }
    out.general = view.pitch != 0 || fogOn(view) || floorCells != 0 || ceilingCells != 0;
    if (out.general) {
        out.pitch = view.pitch;
        out.fogStart = view.fogStart;
        out.fogEnd = view.fogEnd;
        out.fogPixel = pixelBytes(view.fogColour);
        out.floorCells[0] = out.floorPixels;
        out.floorCellSizes[0] = out.floorSize;
        out.ceilingCells[0] = out.ceilingPixels;
        out.ceilingCellSizes[0] = out.ceilingSize;
        for (int32_t n = 1; n <= 9; ++n) {
            const std::vector<Colour>* texture = textureAt(world, n);
            if (!texture) continue;  // cells naming no texture draw nothing
            if (floorCells >> n & 1) {
                out.floorCellSizes[n] = texelPixels(*texture, reach, true, frame.floorPixels[n]);
                out.floorCells[n] = frame.floorPixels[n].data();
            }
            if (ceilingCells >> n & 1) {
                out.ceilingCellSizes[n] = texelPixels(*texture, reach, false, frame.ceilingPixels[n]);
                out.ceilingCells[n] = frame.ceilingPixels[n].data();
            }
        }
        if (floorCells != 0) out.floorMap = &world.floorMap;
        if (ceilingCells != 0) out.ceilingMap = &world.ceilingMap;
    }
    // A row's floor distance depends on the row, the height and the pitch
    // alone, so the table stays while they do. With pitch the floor can show
    // from row 0 and the ceiling of rows below the view, mirrored about the
    // moved horizon. Floor rows lie below the horizon; the others cost
    // little.
    const int32_t height = view.screenHeight, width = view.screenWidth;
    out.lastRow = std::max(height - 1, height - 1 + 2 * view.pitch);
    if (frame.rowDistance.size() != size_t(out.lastRow + 1) || frame.rowDistancePitch != view.pitch) {
        frame.rowDistance.resize(size_t(out.lastRow + 1));
        frame.rowDistancePitch = view.pitch;
        for (int32_t y = 0; y <= out.lastRow; ++y)
            frame.rowDistance[size_t(y)] = double(height) / double(2 * y - height - 2 * view.pitch);
    }
    for (std::vector<double>* v : {&frame.footX, &frame.footY, &frame.wallDistance})
        if (v->size() < size_t(width)) v->resize(size_t(width));
    // Whole groups of 4 columns, the extra ones without floor.
    const size_t columns = size_t((width + 3) & ~3);
    for (std::vector<int32_t>* v : {&frame.firstFloorRow, &frame.tieLimit})
        if (v->size() < columns) v->resize(columns);
    const int32_t none = out.general ? out.lastRow + 1 : height;  // a column without floor rows
    std::fill_n(frame.firstFloorRow.begin(), columns, none);
    std::fill_n(frame.tieLimit.begin(), columns, -1);
    out.rowDistance = frame.rowDistance.data();
    out.footX = frame.footX.data();
    out.footY = frame.footY.data();
    out.wallDistance = frame.wallDistance.data();
    out.firstFloorRow = frame.firstFloorRow.data();
    out.firstRow = none;
    out.posX = camera.posX;
    out.posY = camera.posY;
    out.screenWidth = width;
    out.screenHeight = height;
    out.textureWidth = view.textureWidth;
    out.textureHeight = view.textureHeight;
    // Stepping reads every table by a masked index: each must be whole.
    bool whole = true;
    for (int n = 0; n <= 9; ++n)
        whole = whole && (out.floorCellSizes[n] == 0 || out.floorCellSizes[n] == reach) &&
                (out.ceilingCellSizes[n] == 0 || out.ceilingCellSizes[n] == reach);
    out.stepped = isPowerOfTwo(view.textureWidth) && isPowerOfTwo(view.textureHeight) && whole &&
                  (out.floorSize == 0 || out.floorSize == reach) && (out.ceilingSize == 0 || out.ceilingSize == reach);
    // cameraX = 2x / screenWidth - 1 makes the ray direction dir + plane
    // cameraX a line in x.
    out.alphaX = camera.dirX - camera.planeX;
    out.betaX = 2 * camera.planeX / width;
    out.alphaY = camera.dirY - camera.planeY;
    out.betaY = 2 * camera.planeY / width;
    out.tieLimit = frame.tieLimit.data();
    return true;
}

void noteFloorColumn(const ColumnCast& c, int32_t x, FloorCeilingFrame& f) {
    // The foot of the wall: the point of the face the ray hit, on the floor.
    // A wall cell is on the grid, so its coordinates fit 32 bits.
    const double mapX = double(int32_t(c.mapX)), mapY = double(int32_t(c.mapY));
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
    int32_t first = 0;
    if (f.general) {
        // From below the wall's foot, even when that lies below the view (so
        // the mirrored ceiling never covers the wall); from row 0 when the
        // foot lies above it, which only pitch can cause.
        first = c.drawEndUnclamped < 0 ? 0 : int32_t(std::min(int64_t(c.drawEndUnclamped) + 1, int64_t(f.lastRow) + 1));
    } else {
        int32_t drawEnd = c.drawEnd;
        if (drawEnd < 0) drawEnd = f.screenHeight;
        // Row drawEnd itself is skipped; each floor row y has its ceiling row
        // at screenHeight - y, which on an odd-sized slice is the wall's top
        // row.
        first = std::min(drawEnd + 1, f.screenHeight);
    }
    f.firstFloorRow[x] = first;
    f.firstRow = std::min(f.firstRow, first);
    // Floor rows lie below the horizon, where row distances are positive and
    // fall row by row; the first row's then bounds the others.
    if (!f.stepped || first > f.lastRow || 2 * first - f.screenHeight - 2 * f.pitch <= 0) return;
    if (!(c.perpWallDist > 0)) return;
    const double firstDistance = f.rowDistance[first], inverse = 1 / c.perpWallDist;
    // One margin for both axes, so the larger: a ray that meets a wall
    // exactly at its corner puts the foot a whole cell off along one axis.
    f.tieLimit[x] = tieLimitOf(std::max(
        columnError(floorXWall, f.posX, inverse, firstDistance, f.alphaX, f.betaX, x, f.textureWidth),
        columnError(floorYWall, f.posY, inverse, firstDistance, f.alphaY, f.betaY, x, f.textureHeight)));
}

void drawFloorCeiling(const FloorCeilingFrame& f, PixelRows rows) {
    const RowPass r{f.floorPixels,  f.ceilingPixels, f.floorSize,     f.ceilingSize,   f.footX,
                    f.footY,        f.wallDistance,  f.firstFloorRow, f.posX,          f.posY,
                    f.textureWidth, f.textureHeight, f.screenWidth,   f.screenHeight};
    if (f.general) {
        if (!f.stepped)
            floorCeilingRowsGeneral(f, rows);
        else if (f.floorSize > 0 && f.ceilingSize > 0)
            floorCeilingRowsStepped<true, true, true>(r, f, rows);
        else if (f.floorSize > 0)
            floorCeilingRowsStepped<true, false, true>(r, f, rows);
        else if (f.ceilingSize > 0)
            floorCeilingRowsStepped<false, true, true>(r, f, rows);
        else
            floorCeilingRowsStepped<false, false, true>(r, f, rows);
    } else if (f.stepped && f.floorSize > 0 && f.ceilingSize > 0)
        floorCeilingRowsStepped<true, true, false>(r, f, rows);
    else if (f.stepped && f.floorSize > 0)
        floorCeilingRowsStepped<true, false, false>(r, f, rows);
    else if (f.stepped)
        floorCeilingRowsStepped<false, true, false>(r, f, rows);
    else if (isPowerOfTwo(f.textureWidth) && isPowerOfTwo(f.textureHeight))
        floorCeilingRowsOneByOne<true>(r, f.rowDistance, f.firstRow, rows);
    else
        floorCeilingRowsOneByOne<false>(r, f.rowDistance, f.firstRow, rows);
}

}  // namespace vl
