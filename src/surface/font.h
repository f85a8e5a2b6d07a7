#pragma once
// The built-in text face: an 8-point proportional sans-serif bitmap face
// (11-pixel character height) covering every printable byte of code page
// 1252. Used wherever the system font is not available, and by tests, so
// text always draws the same pixels.
#include <cstdint>
#include <string_view>

namespace vl::font {

constexpr int kCellHeight = 13;  // rows of a character cell: the face's ascent + descent
constexpr int kAscent = 11;      // rows above the baseline

// One character: drawn with its cell's top-left corner at the pen position.
// Bit c (value 1u << c) of rows[r] is the pixel at column (left + c), row r of the cell.
struct Glyph {
    int8_t left;      // x offset of bit 0 relative to the pen (negative for glyphs that overhang to the left)
    uint8_t advance;  // how far the pen moves after the character
    uint16_t rows[kCellHeight];
};

const Glyph& glyph(unsigned char c);   // any byte; bytes without a glyph give the default character
int textWidth(std::string_view text);  // sum of advances

}  // namespace vl::font
