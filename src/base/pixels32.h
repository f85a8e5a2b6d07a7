#pragma once
// The one conversion from the back buffer's frame layout (4 bytes a pixel:
// blue, green, red, 255) to the 32-bit layouts that windows, canvases and
// hosts take. Windows and X11 take the frame's own bytes, so for them it is
// a plain copy; only RGBA moves bytes. Every presentation path and
// vlCopyBackBuffer go through it, so what a window shows and what a host
// copies are the same bytes.
#include <cstddef>
#include <cstdint>

namespace vl {

enum class Layout32 : int32_t {
    RGBA = 0,  // bytes R, G, B, 255: what most texture uploads and canvases take
    BGRA = 1,  // bytes B, G, R, 255: the frame layout, and the Windows and X11 one
};

// Copies `count` frame-layout pixels from src to dst in `layout`.
void copyFramePixels(const uint8_t* src, size_t count, uint8_t* dst, Layout32 layout);

}  // namespace vl
