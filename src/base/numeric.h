#pragma once
// The Real-to-integer conversions the library uses, all total: no input
// (NaN, infinities, huge values) leads to undefined behaviour in C++.
#include <cmath>
#include <cstdint>

namespace vl {

// Nearest 64-bit integer, ties to even; false for NaN, infinities and values
// outside the 64-bit range. nearbyint follows the current rounding mode;
// every export runs with the mode set to nearest (see the export guard), as
// do the native tests.
inline bool roundTo64(double v, int64_t& out) {
    if (!(v >= -9223372036854775808.0 && v < 9223372036854775808.0)) return false;
    out = static_cast<int64_t>(std::nearbyint(v));
    return true;
}

// Host arguments used as integers: rounded through a 64-bit integer of which
// the low 32 bits are kept (4294967298.0 gives 2); what roundTo64 refuses
// gives 0.
inline int32_t roundArg(double v) {
    int64_t r = 0;
    if (!roundTo64(v, r)) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(r)));
}

// Largest whole number not above v, saturated to the 32-bit range; NaN gives
// 0. Saturation keeps a wall at distance 0 (an infinite slice) a full-height
// slice instead of a wrapped, negative one.
inline int32_t floorToInt(double v) {
    if (!(v == v)) return 0;
    const double f = std::floor(v);
    if (f >= 2147483647.0) return INT32_MAX;
    if (f <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(f);
}

// Ties-to-even rounding to 32 bits for the renderer, saturated like floorToInt.
inline int32_t roundToInt(double v) {
    if (!(v == v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

}  // namespace vl
