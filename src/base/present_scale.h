#pragma once
// How the back buffer meets a window of any size: which image is sent to the
// window's top-left corner, where the presented area lands in it, and the
// image itself, scaled by nearest neighbour in integer arithmetic so that
// every target shows the same bytes. No platform scaler decides a pixel:
// each backend asks the client size, lets placeArea and drawPlaced build the
// image, and puts it 1:1.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/pixels32.h"

namespace vl {

// vlSetPresentation's modes.
enum : int32_t { kPresentActual = 0, kPresentStretch = 1, kPresentFit = 2, kPresentWhole = 3 };

// What vlDrawScreen presents: a 24-bit bottom-up image (rows padded to 4
// bytes), the part of it shown, [left, right) x [top, bottom), and the mode.
struct PresentSource {
    const uint8_t* bits24 = nullptr;
    int32_t width = 0, height = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t mode = kPresentActual;
};

// The image sent to the window's top-left corner (width x height, nothing
// when either is 0) and the rectangle in it that shows the area; the rest of
// the image is black. In the actual-size mode the rectangle is the area's own
// size and may reach past the image, which then shows only its top-left part.
struct Placement {
    int32_t width = 0, height = 0;
    int32_t x = 0, y = 0, w = 0, h = 0;
};

// A client area of clientWidth x clientHeight; the actual-size mode sends the
// area clipped to it (pass INT32_MAX where the size is not known: the window
// then clips).
Placement placeArea(const PresentSource& source, int32_t clientWidth, int32_t clientHeight);

// What one size of destination keeps between calls: the source column of
// every destination column, and one source row in 32 bits.
struct ScaleCache {
    std::vector<uint32_t> columns;
    int32_t destWidth = -1, areaWidth = -1;
    std::vector<uint32_t> row;
};

// Writes the placed image into dst, rows top-down and stride bytes apart, 4
// bytes a pixel in `layout`, alpha 255 (black: 0, 0, 0, 255).
void drawPlaced(const PresentSource& source, const Placement& placement, uint8_t* dst, size_t stride,
                Layout32 layout, ScaleCache& cache);

}  // namespace vl
