#pragma once
// The renderer's Real-to-integer conversions for its hot loops. They give
// exactly floorToInt and roundToInt of base/numeric.h (which they fall back
// to outside the 32-bit range), but from the processor's own conversions
// instead of C runtime calls, which are slow on 32-bit Windows.
#include <emmintrin.h>

#include <cstdint>

#include "base/numeric.h"

namespace vl {

// floorToInt: inside the 32-bit range truncation fits, and truncation is one
// too high exactly for negative non-integers.
inline int32_t floorFast(double v) {
    if (v >= -2147483648.0 && v < 2147483648.0) {
        const int32_t t = _mm_cvttsd_si32(_mm_set_sd(v));
        return t - int32_t(double(t) > v);
    }
    return floorToInt(v);
}

// roundToInt: cvtsd2si rounds in the current mode, which is round to nearest
// (ties to even) in every export and in the tests, like nearbyint. Inside
// [-2^31, 2^31 - 1] the rounded value fits, so no saturation is needed.
inline int32_t roundFast(double v) {
    if (v >= -2147483648.0 && v <= 2147483647.0) return _mm_cvtsd_si32(_mm_set_sd(v));
    return roundToInt(v);
}

// floor(a / b) and its remainder for b > 0: C++ division truncates, so a
// negative quotient with a remainder is one too high.
inline void floorDivide(int32_t a, int32_t b, int32_t& quotient, int32_t& remainder) {
    quotient = a / b;
    remainder = a % b;
    if (remainder < 0) {
        remainder += b;
        --quotient;
    }
}

}  // namespace vl
