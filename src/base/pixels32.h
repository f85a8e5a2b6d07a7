#pragma once
// The one conversion from the back buffer's 24-bit layout (blue, green, red,
// rows bottom-up, padded to 4 bytes) to the 32-bit layouts that windows,
// textures and hosts take: rows top-down, 4 bytes a pixel, alpha 255. Every
// presentation path and vlCopyBackBuffer go through it, so what a window
// shows and what a host copies are the same bytes.
#include <cstddef>
#include <cstdint>

namespace vl {

enum class Layout32 : int32_t {
    RGBA = 0,  // bytes R, G, B, 255: what most texture uploads take
    BGRA = 1,  // bytes B, G, R, 255: the Windows and X11 32-bit layout
};

// Converts rows [firstRow, firstRow + rowCount) of a width x height image
// (row 0 the top row) into dst, whose rows are dstStride bytes apart and
// start with firstRow. Reads only the given rows' pixel bytes.
void convertRowsTo32(const uint8_t* bits24, int32_t width, int32_t height, int32_t firstRow, int32_t rowCount,
                     uint8_t* dst, size_t dstStride, Layout32 layout);

// The same with a chosen instruction set, for the tests that hold every path
// to the scalar one. Sse2 is plain code where SSE2 is missing; Ssse3 falls
// back to Sse2 where the processor lacks it (convertPathAvailable says).
enum class ConvertPath { Scalar, Sse2, Ssse3 };
bool convertPathAvailable(ConvertPath path);
void convertRowsTo32Using(ConvertPath path, const uint8_t* bits24, int32_t width, int32_t height, int32_t firstRow,
                          int32_t rowCount, uint8_t* dst, size_t dstStride, Layout32 layout);

// The whole image, packed rows of width * 4 bytes.
inline void convertTo32(const uint8_t* bits24, int32_t width, int32_t height, uint8_t* dst, Layout32 layout) {
    convertRowsTo32(bits24, width, height, 0, height, dst, size_t(width) * 4, layout);
}

}  // namespace vl
