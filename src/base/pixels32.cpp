#include "base/pixels32.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Processors of the last fifteen years also have SSSE3's byte shuffle, which
// does the whole 3-to-4-byte spread in one instruction; it is chosen at run
// time, since the libraries' baseline is SSE2. Not in the browser, where
// there is no processor to ask.
#if (defined(__i386__) || defined(__x86_64__)) && !defined(__EMSCRIPTEN__) && defined(__GNUC__)
#define VL_HAVE_SSSE3_PATH 1
#include <tmmintrin.h>
#endif

namespace vl {

namespace {

inline uint32_t pixel32(const uint8_t* p, Layout32 layout) {
    const uint32_t b = p[0], g = p[1], r = p[2];
    return layout == Layout32::BGRA ? (b | g << 8 | r << 16 | 0xFF000000u) : (r | g << 8 | b << 16 | 0xFF000000u);
}

inline void store32(uint8_t* d, uint32_t v) { std::memcpy(d, &v, 4); }

// The pixels from x on, one at a time: row ends and processors without SIMD.
void convertTail(const uint8_t* src, int32_t x, int32_t width, uint8_t* dst, Layout32 layout) {
    for (; x < width; ++x) store32(dst + 4 * x, pixel32(src + 3 * x, layout));
}

#ifdef VL_HAVE_SSSE3_PATH
// Four pixels a step: one 16-byte load (12 bytes used), one shuffle that
// spreads and orders the channels, alpha or'ed in. Loads stay inside the
// row's 3 * width bytes.
__attribute__((target("ssse3"))) void convertRowSsse3(const uint8_t* src, int32_t width, uint8_t* dst,
                                                      Layout32 layout) {
    const __m128i order = layout == Layout32::BGRA
                              ? _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1)
                              : _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
    int32_t x = 0;
    if ((reinterpret_cast<uintptr_t>(dst) & 15) == 0) {
        // Streaming stores: the frame is written once and read by someone
        // else (a window server through shared memory, a host, GDI), so
        // fetching its old lines into our cache first only costs time.
#pragma GCC unroll 4
        for (; 3 * x + 16 <= 3 * width; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
            _mm_stream_si128(reinterpret_cast<__m128i*>(dst + 4 * x), _mm_or_si128(_mm_shuffle_epi8(v, order), alpha));
        }
    } else {
#pragma GCC unroll 4
        for (; 3 * x + 16 <= 3 * width; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x),
                             _mm_or_si128(_mm_shuffle_epi8(v, order), alpha));
        }
    }
    convertTail(src, x, width, dst, layout);
}

bool haveSsse3() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return have;
}
#endif

// SSE2 only: the first two and the last two of four pixels are loaded as two
// overlapping 8-byte halves, then each half's second pixel moves up one byte
// with a 64-bit shift, which keeps the work off the shuffle unit. Loads stay
// inside the row's 3 * width bytes.
void convertRowSse2(const uint8_t* src, int32_t width, uint8_t* dst, Layout32 layout) {
    int32_t x = 0;
#if defined(__SSE2__)
    const __m128i low = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);  // each half's first pixel
    const __m128i alpha = _mm_set1_epi32(int32_t(0xFF000000u));
    const __m128i greenAlpha = _mm_set1_epi32(int32_t(0xFF00FF00u));
    const __m128i blueOrRed = _mm_set1_epi32(0xFF);
#pragma GCC unroll 4
    for (; 3 * x + 14 <= 3 * width; x += 4) {
        const uint8_t* p = src + 3 * x;
        const __m128i v = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                             _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 6)));
        const __m128i up = _mm_slli_epi64(v, 8);
        __m128i out = _mm_or_si128(_mm_or_si128(_mm_and_si128(v, low), _mm_andnot_si128(low, up)), alpha);
        if (layout == Layout32::RGBA) {
            // Swap the first and third byte of each pixel.
            out = _mm_or_si128(_mm_and_si128(out, greenAlpha),
                               _mm_or_si128(_mm_and_si128(_mm_srli_epi32(out, 16), blueOrRed),
                                            _mm_slli_epi32(_mm_and_si128(out, blueOrRed), 16)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * x), out);
    }
#endif
    convertTail(src, x, width, dst, layout);
}

void convertRowScalar(const uint8_t* src, int32_t width, uint8_t* dst, Layout32 layout) {
    convertTail(src, 0, width, dst, layout);
}

}  // namespace

bool convertPathAvailable(ConvertPath path) {
#ifdef VL_HAVE_SSSE3_PATH
    if (path == ConvertPath::Ssse3) return haveSsse3();
#else
    if (path == ConvertPath::Ssse3) return false;
#endif
    return true;
}

void convertRowsTo32(const uint8_t* bits24, int32_t width, int32_t height, int32_t firstRow, int32_t rowCount,
                     uint8_t* dst, size_t dstStride, Layout32 layout) {
    const ConvertPath best = convertPathAvailable(ConvertPath::Ssse3) ? ConvertPath::Ssse3 : ConvertPath::Sse2;
    convertRowsTo32Using(best, bits24, width, height, firstRow, rowCount, dst, dstStride, layout);
}

void convertRowsTo32Using(ConvertPath path, const uint8_t* bits24, int32_t width, int32_t height, int32_t firstRow,
                          int32_t rowCount, uint8_t* dst, size_t dstStride, Layout32 layout) {
    auto convertRow = path == ConvertPath::Scalar ? convertRowScalar : convertRowSse2;
#ifdef VL_HAVE_SSSE3_PATH
    if (path == ConvertPath::Ssse3 && haveSsse3()) convertRow = convertRowSsse3;
#endif
    const size_t srcStride = (size_t(width) * 3 + 3) & ~size_t(3);
    for (int32_t row = firstRow; row < firstRow + rowCount; ++row) {
        const uint8_t* src = bits24 + size_t(height - 1 - row) * srcStride;  // stored bottom-up
        convertRow(src, width, dst + size_t(row - firstRow) * dstStride, layout);
    }
#ifdef VL_HAVE_SSSE3_PATH
    // The streaming stores reach memory before whoever reads the frame is
    // told it is there.
    if (convertRow == convertRowSsse3) _mm_sfence();
#endif
}

}  // namespace vl
