#include "base/pixels32.h"

#include <cstring>

#include <emmintrin.h>

namespace vl {

namespace {

inline uint32_t swapRedBlue(uint32_t p) { return (p & 0xFF00FF00u) | ((p >> 16) & 0xFF) | ((p & 0xFF) << 16); }

}  // namespace

void copyFramePixels(const uint8_t* src, size_t count, uint8_t* dst, Layout32 layout) {
    if (layout == Layout32::BGRA) {
        std::memcpy(dst, src, count * 4);
        return;
    }
    // Four pixels a step: the first and third byte of each swap places.
    const __m128i greenAlpha = _mm_set1_epi32(int32_t(0xFF00FF00u)), low = _mm_set1_epi32(0xFF);
    size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        const __m128i swapped = _mm_or_si128(
            _mm_and_si128(v, greenAlpha),
            _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 16), low), _mm_slli_epi32(_mm_and_si128(v, low), 16)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), swapped);
    }
    for (; i < count; ++i) {
        uint32_t p;
        std::memcpy(&p, src + 4 * i, 4);
        p = swapRedBlue(p);
        std::memcpy(dst + 4 * i, &p, 4);
    }
}

}  // namespace vl
