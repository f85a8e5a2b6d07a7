#pragma once
// PNG files into surfaces, decoded by stb_image (its PNG decoder only).
#include <cstddef>
#include <cstdint>

#include "surface/surface.h"

namespace vl {

// The bytes every PNG file starts with: how a PNG is told from a BMP,
// whatever the file is called.
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
bool isPng(const uint8_t* data, size_t size);

// The PNG's image as a 24-bit bottom-up surface without a canvas. A pixel
// whose alpha (from an alpha channel or a tRNS chunk) is below 128 becomes
// black, the colour sprites leave transparent (overlay images draw it black);
// every other pixel keeps its colour. Throws EInvalidGraphic with the decoder's reason.
Surface decodePng(const uint8_t* data, size_t size);

}  // namespace vl
