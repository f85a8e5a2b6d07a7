#include "surface/surface.h"

#include <algorithm>
#include <cstring>

#include "base/error.h"
#include "platform/platform.h"

namespace vl {

bool clipRect(Rect& r, int32_t width, int32_t height) {
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, width);
    r.bottom = std::min(r.bottom, height);
    return r.left < r.right && r.top < r.bottom;
}

// In 64 bits: on the 32-bit build a row of a hostile width would wrap size_t.
static uint64_t rowStride64(int32_t width, int bitsPerPixel) {
    if (width <= 0 || bitsPerPixel <= 0 || bitsPerPixel > 32) return 0;
    return (uint64_t(width) * uint64_t(bitsPerPixel) + 31) / 32 * 4;
}

size_t rowStride(int32_t width, int bitsPerPixel) { return size_t(rowStride64(width, bitsPerPixel)); }

bool pixelStorageSize(int32_t width, int32_t height, int bitsPerPixel, size_t& bytes) {
    bytes = 0;
    if (width < 0 || height < 0) return false;
    const uint64_t stride = rowStride64(width, bitsPerPixel);
    if (stride > kMaxPixelBytes || (height > 0 && stride * uint64_t(height) > kMaxPixelBytes)) return false;
    bytes = size_t(stride * uint64_t(height));
    return true;
}

// A new pixel area in the surface's format, painted white (or in the brush
// colour once the canvas exists), with the old pixels in its top-left corner.
// Every byte 0xFF is white in the frame layout as in 24 bits.
static void resize(Surface& s, int32_t width, int32_t height) {
    size_t bytes = 0;
    if (!pixelStorageSize(width, height, s.bitsPerPixel, bytes))
        fail("EOutOfResources", "Out of system resources");
    std::vector<uint8_t> pixels(bytes, 0xFF);
    const Colour paint = s.canvas.made ? resolveColour(s.canvas.brushColor) : clWhite;
    if (paint != clWhite && isFrameLayout(s)) {
        const size_t stride = rowStride(width, 32);
        for (int32_t y = 0; y < height; ++y) fillSpan(pixels.data() + size_t(y) * stride, 0, width, paint);
    }
    if (!isEmpty(s) && !pixels.empty()) {
        const size_t newStride = rowStride(width, s.bitsPerPixel);
        const size_t copy = std::min(newStride, rowStride(s.width, s.bitsPerPixel));
        const int32_t rows = std::min(height, s.height);
        for (int32_t r = 0; r < rows; ++r) {
            const int32_t dstRow = s.topDown ? r : height - 1 - r;
            std::memcpy(pixels.data() + size_t(dstRow) * newStride, rowBytes(s, r), copy);
        }
    }
    s.width = width;
    s.height = height;
    s.pixels = std::move(pixels);
}

void setWidth(Surface& s, int32_t width) {
    if (width != s.width) resize(s, width, s.height);
}

void setHeight(Surface& s, int32_t height) {
    if (height != s.height) resize(s, s.width, height);
}

void setFrameLayout(Surface& s) {
    if (isFrameLayout(s)) return;
    Surface out;
    out.canvas = s.canvas;
    out.width = s.width;
    out.height = s.height;
    out.bitsPerPixel = 32;
    out.topDown = true;
    out.redMask = 0xFF0000, out.greenMask = 0xFF00, out.blueMask = 0xFF;
    size_t bytes = 0;
    if (!pixelStorageSize(s.width, s.height, 32, bytes)) fail("EOutOfResources", "Out of system resources");
    out.pixels.assign(bytes, 0);
    if (isValidDepth(s.bitsPerPixel) && !isEmpty(s))
        for (int32_t y = 0; y < s.height; ++y) readRowFrame(s, y, 0, s.width, rowBytes(out, y));
    s = std::move(out);
}

Surface frameSurface(int32_t width, int32_t height) {
    Surface s;
    setFrameLayout(s);
    setWidth(s, width);
    setHeight(s, height);
    return s;
}

Canvas& canvas(Surface& s) {
    if (!s.canvas.made) {
        s.canvas.made = true;
        // 8 points at the screen's resolution, rounded; negative asks for the
        // character height without internal leading.
        const int dpi = platform::screenDotsPerInch();
        s.canvas.fontHeight = -int32_t((8 * int64_t(dpi) + 36) / 72);
    }
    return s.canvas;
}

void setBrushColor(Surface& s, Colour c) {
    Canvas& cv = canvas(s);
    cv.brushColor = c;
    cv.brushStyle = bsSolid;
}

void setBrushStyle(Surface& s, BrushStyle style) {
    Canvas& cv = canvas(s);
    cv.brushStyle = style;
    if (style == bsClear) cv.brushColor = clWhite;
}

void setFontColor(Surface& s, Colour c) { canvas(s).fontColor = c; }

Colour resolveColour(Colour c) {
    if (c & 0x80000000u) return platform::systemColour(int(c & 0xFF)) & 0xFFFFFF;
    return c & 0xFFFFFF;
}

// Drawing targets are in the frame layout (the back buffer); other formats
// are only ever read, so fills and image draws onto them do nothing.
static bool isDrawTarget(const Surface& s) { return isFrameLayout(s) && !isEmpty(s); }

void fillSpan(uint8_t* row, int32_t left, int32_t right, Colour c) {
    const uint32_t pixel = framePixel(c);
    for (uint8_t* p = row + 4 * size_t(left), *end = row + 4 * size_t(right); p < end; p += 4) std::memcpy(p, &pixel, 4);
}

void fillRect(Surface& s, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const Canvas& cv = canvas(s);
    if (cv.brushStyle == bsClear || !isDrawTarget(s)) return;
    Rect r{left, top, right, bottom};
    if (!clipRect(r, s.width, s.height)) return;
    const Colour c = resolveColour(cv.brushColor);
    for (int32_t y = r.top; y < r.bottom; ++y) fillSpan(rowBytes(s, y), r.left, r.right, c);
}

void drawImage(Surface& dst, int32_t x, int32_t y, const Surface& src) {
    canvas(dst);
    if (isEmpty(src) || !isValidDepth(src.bitsPerPixel) || !isDrawTarget(dst)) return;
    // 64-bit edges: a position near the 32-bit limits must not wrap around.
    const int64_t right = int64_t(x) + src.width, bottom = int64_t(y) + src.height;
    Rect r{x, y, int32_t(std::min<int64_t>(right, dst.width)), int32_t(std::min<int64_t>(bottom, dst.height))};
    if (!clipRect(r, dst.width, dst.height)) return;
    for (int32_t row = r.top; row < r.bottom; ++row) {
        uint8_t* out = rowBytes(dst, row) + 4 * size_t(r.left);
        readRowFrame(src, row - y, r.left - x, r.right - r.left, out);
    }
}

uint8_t* scanLine(Surface& s, int32_t row) {
    if (row < 0 || row >= s.height || s.pixels.empty())
        fail("EInvalidGraphicOperation", "Scan line index out of range");
    return rowBytes(s, row);
}

}  // namespace vl
