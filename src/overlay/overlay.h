#pragma once
// 2D drawing on the back buffer and presentation of it in the host window.
#include <cstdint>
#include <string>

#include "base/present_scale.h"
#include "surface/surface.h"
#include "world/world.h"

namespace vl {

// Brush and font colour both take c; the brush becomes solid again.
void drawColor(Surface& backBuffer, Colour c);
void drawRectangle(Surface& backBuffer, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Text always has a transparent background: the brush is made clear (and
// white) first, and stays so until the next colour is set.
void drawText(Surface& backBuffer, int32_t x, int32_t y, const std::string& text);
// An index outside the list, or an image whose load failed, draws nothing.
void drawOverlayImage(Surface& backBuffer, const World& world, int32_t index, int32_t x, int32_t y);
// Shows the back buffer in the window: `how` gives the area and the mode
// (its pixel fields are filled here); raises EOSError when the window or its
// display cannot be reached.
void present(int32_t windowHandle, Surface& windowBitmap, Surface& backBuffer, PresentSource how);
// Writes the whole back buffer to destination as top-down rows of 4 bytes a
// pixel in layout `format` (0 RGBA, 1 BGRA); returns the bytes written.
double copyBackBuffer(const Surface& backBuffer, void* destination, int32_t format);

}  // namespace vl
