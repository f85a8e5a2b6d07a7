#pragma once
// Texture lookups shared by the casting passes. Sizes and indexes come from
// the host unchecked, so every pass goes through these before reading texels.
#include <cstdint>
#include <vector>

#include "render/fast_round.h"
#include "render/frame.h"
#include "world/world.h"

namespace vl {

// Texel addressing assumes the stored 64-wide layout; any other size outside
// 1..64 could reach beyond a texture, so such frames draw no texel at all.
inline bool textureSizeUsable(const RenderSettings& s) {
    return s.textureWidth >= 1 && s.textureWidth <= kTextureSide && s.textureHeight >= 1 &&
           s.textureHeight <= kTextureSide;
}

// The texture at a table index, or null when the index names no loaded one.
inline const std::vector<Colour>* textureAt(const World& w, int64_t index) {
    if (index < 0 || uint64_t(index) >= w.textures.size()) return nullptr;
    const std::vector<Colour>& t = w.textures[size_t(index)];
    return t.empty() ? nullptr : &t;
}

inline bool hasTexel(const std::vector<Colour>& texture, int64_t index) {
    return index >= 0 && uint64_t(index) < texture.size();
}

// Texture row of screen row y on a slice or sprite `height` pixels tall,
// centred on a view screenHeight rows high, as the formulas compute it in
// Reals: floor(size * (256y - 128 screenHeight + 128 height) / height / 256).
inline int32_t texRowByFormula(int32_t size, int32_t screenHeight, double height, int64_t y) {
    const int64_t bracket = int64_t(256) * y - int64_t(128) * screenHeight;
    const double rowIn = double(bracket) + 128 * height;
    return floorFast(double(size) * rowIn / height / 256);
}

// The same rows, stepped with integers down a column, for a whole-number
// height. With the bounds of startTexRows, size * rowIn is a whole number
// below 2^36, hence exact, and its quotient by height is below 2^27, so
// rounding moves that quotient by at most 2^-27: less than 1/height, the
// least distance from the exact fraction to a multiple of 256 it does not
// equal. Dividing by 256 is exact, so the floor of the formula is the floor
// of the exact fraction size * (2y - screenHeight + height) / (2 height),
// which grows by 2 size / (2 height) per row.
struct TexRowStepper {
    int32_t row = 0;        // texture row of the current screen row
    int32_t remainder = 0;  // of the fraction, in [0, denominator)
    int32_t denominator = 1;
    int32_t rowStep = 0, remainderStep = 0;

    void next() {
        row += rowStep;
        remainder += remainderStep;
        if (remainder >= denominator) {
            remainder -= denominator;
            ++row;
        }
    }
};

// Starts the stepper at screen row y; false when height is no whole number
// or outside what the 32-bit stepping covers (the caller then uses
// texRowByFormula).
inline bool startTexRows(int32_t size, int32_t screenHeight, double height, int32_t y, TexRowStepper& s) {
    // The bounds the exactness above rests on (views are at most 600 rows,
    // sizes at most 64); they also keep every term below inside 32 bits.
    if (!(height >= 1 && height <= double(1 << 22)) || height != double(int32_t(height)) || size < 1 || size > kTextureSide || screenHeight < 1 ||
        screenHeight > 4096 || y < -4096 || y > 4096)
        return false;
    const int32_t h = int32_t(height);
    s.denominator = 2 * h;
    floorDivide(size * (2 * y - screenHeight + h), s.denominator, s.row, s.remainder);
    // Slices taller than the texture (the common case near walls) need no
    // division for the step.
    s.rowStep = 2 * size < s.denominator ? 0 : (2 * size) / s.denominator;
    s.remainderStep = 2 * size < s.denominator ? 2 * size : (2 * size) % s.denominator;
    return true;
}

}  // namespace vl
