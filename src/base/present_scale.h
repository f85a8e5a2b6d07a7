#pragma once
// How the back buffer meets a window of any size: where the presented area
// lands in the client area, the black bars around it, and the area's image
// at that size, scaled by nearest neighbour in integer arithmetic so that
// every target shows the same bytes. No platform scaler decides a pixel:
// each backend asks the client size, lets placeArea and drawArea build the
// image (or, where the area is shown at its own size and the window takes
// the frame layout, puts the back buffer's own rows), puts it 1:1 and fills
// the bars black.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/pixels32.h"

namespace vl {

// vlSetPresentation's modes.
enum : int32_t { kPresentActual = 0, kPresentStretch = 1, kPresentFit = 2, kPresentWhole = 3 };

// What vlDrawScreen presents: an image in the frame layout (4 bytes a pixel,
// blue, green, red, 255; rows top-down, width * 4 bytes apart), the part of
// it shown, [left, right) x [top, bottom), and the mode.
struct PresentSource {
    const uint8_t* bits = nullptr;
    int32_t width = 0, height = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t mode = kPresentActual;
};

// Where the presented area lands in the client area (width x height, from
// its top-left corner; nothing when either is 0): the destination rectangle
// (x, y, w, h). In the actual-size mode the rectangle is the area's own size
// at (0, 0) and may reach past the client area, which then shows only its
// top-left part; in the others it lies inside and the rest of the client
// area is black.
struct Placement {
    int32_t width = 0, height = 0;
    int32_t x = 0, y = 0, w = 0, h = 0;
};

// A client area of clientWidth x clientHeight. The actual-size mode may be
// given INT32_MAX where the size is not known: the window then clips.
Placement placeArea(const PresentSource& source, int32_t clientWidth, int32_t clientHeight);

struct ScreenRect {
    int32_t x = 0, y = 0, w = 0, h = 0;
};
// The part of the destination rectangle inside the client area.
ScreenRect shownRect(const Placement& placement);
// The rest of the client area, black in the scaled modes: up to four
// rectangles; returns how many. The platform fills them itself, which costs
// less than sending black pixels.
int barsOf(const Placement& placement, ScreenRect bars[4]);

// Fills r of an image (rows stride bytes apart, 4 bytes a pixel) with
// black, for a platform that sends the bars as pixels.
void fillBlack(uint8_t* dst, size_t stride, const ScreenRect& r);

// What one size of destination keeps between calls: the source column of
// every destination column, and one source row converted to the
// destination's layout where it is not the frame's own.
struct ScaleCache {
    std::vector<uint32_t> columns;
    int32_t destWidth = -1, areaWidth = -1;
    std::vector<uint32_t> row;
};

// Writes the shown part of the destination rectangle into dst as an image
// of its own, rows top-down and stride bytes apart, 4 bytes a pixel in
// `layout`, alpha 255. Unscaled rows are one copy each. Destination pixel (X, Y) of the DW x DH rectangle
// shows the source's (left + ((2X + 1) * SW) / (2 * DW), top + ((2Y + 1) *
// SH) / (2 * DH)), SW x SH the area.
void drawArea(const PresentSource& source, const Placement& placement, uint8_t* dst, size_t stride, Layout32 layout,
              ScaleCache& cache);

}  // namespace vl
