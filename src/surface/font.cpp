#include "surface/font.h"

#include <climits>

namespace vl::font {

int textWidth(std::string_view text) {
    // A host string can be arbitrarily long; saturate instead of wrapping so a
    // caller clipping against the width never sees a negative one.
    int64_t width = 0;
    for (unsigned char c : text) {
        width += glyph(c).advance;
        if (width >= INT_MAX) return INT_MAX;
    }
    return int(width);
}

}  // namespace vl::font
