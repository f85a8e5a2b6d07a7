#pragma once
// The raster surface: pixel storage in the Windows device-independent layout
// (rows bottom-up unless loaded top-down, each padded to 4 bytes) plus the
// canvas attributes every drawing operation uses. Images keep the format
// they were loaded in; the one surface drawn on, the back buffer, is in the
// frame layout: 4 bytes a pixel (blue, green, red, 255), rows top-down, what
// windows and hosts take as it is. All pixel work is ours, so every platform
// draws the same bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/pixel_store.h"

namespace vl {

using Colour = uint32_t;                     // 0x00BBGGRR
constexpr Colour clWhite = 0x00FFFFFF;
constexpr Colour clWindowText = 0xFF000008;  // top bit set: system colour, index in the low byte
constexpr Colour kOutsideImage = 0xFFFFFFFF; // what a pixel read outside the image gives

inline Colour makeColour(int32_t red, int32_t green, int32_t blue) {
    return (uint32_t(red) & 0xFF) | ((uint32_t(green) & 0xFF) << 8) | ((uint32_t(blue) & 0xFF) << 16);
}
inline Colour halve(Colour c) { return (c >> 1) & 0x7F7F7F; }

enum BrushStyle : int32_t { bsSolid = 0, bsClear = 1 };

struct Canvas {
    bool made = false;  // made on first use; set width/height then paint new area with the brush
    Colour brushColor = clWhite;
    BrushStyle brushStyle = bsSolid;
    Colour fontColor = clWindowText;
    std::string fontFace = "MS Sans Serif";
    int32_t fontHeight = 0;               // negative: character height without internal leading
    uint32_t copyMode = 0x00CC0020;       // source copy
};

// The largest pixel storage a surface may have; anything bigger is refused
// before allocating. Fuzzing builds lower it so that huge claimed sizes stay
// cheap to try.
#ifndef VL_MAX_PIXEL_BYTES
#define VL_MAX_PIXEL_BYTES (size_t(256) << 20)
#endif
constexpr size_t kMaxPixelBytes = VL_MAX_PIXEL_BYTES;

struct Surface {
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 24;  // 1, 4, 8, 16, 24 or 32
    bool topDown = false;   // rows stored top row first (a top-down file)
    std::array<Colour, 256> palette{};  // unused entries stay 0, so any index is safe
    uint32_t redMask = 0, greenMask = 0, blueMask = 0;  // 16 and 32 bits per pixel
    PixelStore pixels;
    Canvas canvas;
};

// A rectangle of pixels: columns left to right - 1, rows top to bottom - 1.
struct Rect {
    int32_t left, top, right, bottom;
};
// Every drawing primitive clips once through this, then loops unchecked:
// intersects r with [0, width) x [0, height); false when nothing is left.
bool clipRect(Rect& r, int32_t width, int32_t height);

// Bytes per stored row, padded to 4; 0 when the width or depth is unusable.
size_t rowStride(int32_t width, int bitsPerPixel);
// Storage for width x |height| at the given depth, or false when it would
// exceed kMaxPixelBytes (or a dimension is negative).
bool pixelStorageSize(int32_t width, int32_t height, int bitsPerPixel, size_t& bytes);

inline bool isEmpty(const Surface& s) { return s.width <= 0 || s.height <= 0 || s.pixels.empty(); }
inline bool isValidDepth(int bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 ||
           bitsPerPixel == 32;
}

// The frame layout's pixel of a colour, as a little-endian word: 0xFFRRGGBB.
// The fourth byte is 255 everywhere, so a window with an alpha channel shows
// the frame opaque and a host's BGRA copy is the bytes as they are.
constexpr uint32_t kFrameAlpha = 0xFF000000u;
inline uint32_t framePixel(Colour c) { return (__builtin_bswap32(c) >> 8) | kFrameAlpha; }
// True for a surface in the frame layout: the only kind drawing writes to.
inline bool isFrameLayout(const Surface& s) {
    return s.bitsPerPixel == 32 && s.topDown && s.redMask == 0xFF0000 && s.greenMask == 0xFF00 && s.blueMask == 0xFF;
}

void setWidth(Surface& s, int32_t width);
void setHeight(Surface& s, int32_t height);
// Converts the surface's pixels, whatever their format, to the frame layout.
void setFrameLayout(Surface& s);
// A new white surface in the frame layout: how drawing targets are made.
Surface frameSurface(int32_t width, int32_t height);

// The canvas, made on first use with the font height of the screen's dpi.
Canvas& canvas(Surface& s);
void setBrushColor(Surface& s, Colour c);      // also makes the brush solid
void setBrushStyle(Surface& s, BrushStyle st); // clear also resets the colour to white
void setFontColor(Surface& s, Colour c);
// A canvas colour as 0x00BBGGRR, system colours looked up now.
Colour resolveColour(Colour c);

// Paints pixels left to right - 1 of one frame-layout row (already clipped).
void fillSpan(uint8_t* row, int32_t left, int32_t right, Colour c);
void fillRect(Surface& s, int32_t left, int32_t top, int32_t right, int32_t bottom);
void textOut(Surface& s, int32_t x, int32_t y, std::string_view text);
void drawImage(Surface& dst, int32_t x, int32_t y, const Surface& src);
uint8_t* scanLine(Surface& s, int32_t row);  // row 0 is the top row
Colour pixelAt(const Surface& s, int32_t x, int32_t y);
// Pixels x0 .. x0 + count - 1 of row y (inside the image, any format) as
// frame-layout pixels: how images of every format are drawn.
void readRowFrame(const Surface& s, int32_t y, int32_t x0, int32_t count, uint8_t* out);

// Start of stored row `row` counted from the top, whatever the row order.
inline const uint8_t* rowBytes(const Surface& s, int32_t row) {
    const size_t stride = rowStride(s.width, s.bitsPerPixel);
    const int32_t memRow = s.topDown ? row : s.height - 1 - row;
    return s.pixels.data() + size_t(memRow) * stride;
}
inline uint8_t* rowBytes(Surface& s, int32_t row) {
    return const_cast<uint8_t*>(rowBytes(static_cast<const Surface&>(s), row));
}

}  // namespace vl
