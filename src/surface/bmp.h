#pragma once
// Windows bitmap (BMP) files into surfaces. Uncompressed and bit-field images
// keep the file's depth, colour table, masks and row order; run-length images
// are decoded here into a 24-bit bottom-up image. A file that starts with the
// PNG signature is read as a PNG instead (surface/png.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "surface/surface.h"

namespace vl {

// Replaces the image of s (size, depth, palette, masks, row order, pixels) with the
// BMP or PNG file's image; the canvas attributes are kept. On any error throws vl::Error and
// leaves s exactly as it was.
void loadBitmapFile(Surface& s, const std::string& path);
// The same on a whole file already in memory (used by loadBitmapFile and by fuzzing).
void loadBitmapBytes(Surface& s, const uint8_t* data, size_t size);

}  // namespace vl
