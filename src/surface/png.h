#pragma once
// PNG files into surfaces, decoded by stb_image (its PNG decoder only).
#include <cstddef>
#include <cstdint>

#include "surface/surface.h"

namespace vl {

// True when the bytes start with the 8-byte PNG signature: how a PNG is told
// from a BMP, whatever the file is called.
bool isPng(const uint8_t* data, size_t size);

// The PNG's image as a 24-bit bottom-up surface without a canvas. A pixel
// whose alpha (from an alpha channel or a tRNS chunk) is below 128 becomes
// black, the colour sprites and overlay images leave transparent; every other
// pixel keeps its colour. Throws EInvalidGraphic with the decoder's reason.
Surface decodePng(const uint8_t* data, size_t size);

}  // namespace vl
