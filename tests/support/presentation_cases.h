#pragma once
// The presentation cases every host test plays through vlDrawScreen into a
// real window (GDI under wine, X11), and what each window must show, worked
// out here from the rules as a host reads them, apart from the library's
// code. The back buffer holds a pattern in which every pixel differs, drawn
// from an overlay image, so a pixel sampled from the wrong place shows.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/bmp_writer.h"
#include "velmora_api.h"

namespace vl::test {

struct PresentCase {
    const char* name;
    int mode;
    int left, top, right, bottom;  // the presented area
    int width, height;             // the window's client area
    int firstWidth = 0, firstHeight = 0;  // if set: presented at this size first, then resized
};

const PresentCase kPresentCases[] = {
    {"actual size, an area, the rest of a larger window left alone", 0, 100, 50, 612, 434, 1000, 700},
    {"stretch, larger, odd sizes", 1, 0, 0, 800, 600, 1021, 767},
    {"stretch, smaller, odd sizes", 1, 0, 0, 800, 600, 333, 251},
    {"actual size, a window grown since, still smaller", 0, 0, 0, 800, 600, 640, 480},
    {"fit, a wide window", 2, 0, 0, 800, 600, 1200, 675},
    {"fit, a tall odd window", 2, 0, 0, 800, 600, 501, 777},
    {"fit, an odd area", 2, 3, 7, 250, 190, 1000, 700},
    {"whole multiples, k = 1", 3, 0, 0, 800, 600, 1100, 800},
    {"whole multiples of an area, k = 3", 3, 10, 20, 266, 212, 1000, 700},
    {"whole multiples, a smaller window fits", 3, 0, 0, 800, 600, 640, 500},
    {"fit, resized between calls", 2, 0, 0, 800, 600, 900, 500, 700, 900},
    {"a 0 x 0 client area", 2, 0, 0, 800, 600, 0, 0},
};

// What the host paints its window with before each case: mode 0 must leave
// it where the area does not reach.
constexpr uint32_t kUntouched = 0x563412;

// The back buffer's pattern as 0x00BBGGRR: red and green the low bytes of x
// and y, blue their high bits.
inline uint32_t patternAt(int x, int y) {
    return uint32_t(x & 0xFF) | uint32_t(y & 0xFF) << 8 | uint32_t((x >> 8) | (y >> 8) << 4) << 16;
}

inline void writePatternBmp(const std::string& path) {
    BmpFields f;
    f.width = 800;
    f.height = 600;
    f.pixels = packRows(800, 600, 24, [](int32_t x, int32_t y) { return patternAt(x, y); });
    writeBmpFile(path, f);
}

// Loads the pattern (written to `path`) and draws it over the whole back buffer.
inline bool drawPattern(const VelmoraApi& api, const std::string& path) {
    writePatternBmp(path);
    const double image = api.vlLoadBitmap(path.c_str());
    return image >= 0 && api.vlDrawSprite(image, 0, 0) == 0.0;
}

inline void setCase(const VelmoraApi& api, const PresentCase& c) {
    api.vlSetPresentation(c.mode);
    api.vlSetPresentArea(c.left, c.top, c.right, c.bottom);
}

// The client area (top-down rows of 0x00BBGGRR) that case c must show.
inline std::vector<uint32_t> expectedWindow(const PresentCase& c) {
    const int64_t cw = c.width, ch = c.height, sw = c.right - c.left, sh = c.bottom - c.top;
    int64_t dw = cw, dh = ch;
    if (c.mode == 0) {
        dw = sw, dh = sh;
    } else if (c.mode >= 2) {
        const int64_t k = c.mode == 3 ? std::min(cw / sw, ch / sh) : 0;
        if (k >= 1)
            dw = k * sw, dh = k * sh;
        else if (cw * sh >= ch * sw)
            dh = ch, dw = ch * sw / sh;
        else
            dw = cw, dh = cw * sh / sw;
    }
    const int64_t x0 = c.mode == 0 ? 0 : (cw - dw) / 2, y0 = c.mode == 0 ? 0 : (ch - dh) / 2;
    std::vector<uint32_t> out(size_t(cw * ch), c.mode == 0 ? kUntouched : 0);
    for (int64_t y = y0; y < std::min(y0 + dh, ch); ++y)
        for (int64_t x = x0; x < std::min(x0 + dw, cw); ++x)
            out[size_t(y * cw + x)] = patternAt(int(c.left + ((2 * (x - x0) + 1) * sw) / (2 * dw)),
                                                int(c.top + ((2 * (y - y0) + 1) * sh) / (2 * dh)));
    return out;
}

// "" when the two match, else where they first differ.
inline std::string firstDifference(const std::vector<uint32_t>& shown, const std::vector<uint32_t>& expected,
                                   int width) {
    if (shown.size() != expected.size())
        return "read " + std::to_string(shown.size()) + " pixels, expected " + std::to_string(expected.size());
    for (size_t i = 0; i < shown.size(); ++i)
        if (shown[i] != expected[i])
            return "pixel (" + std::to_string(i % size_t(width)) + ", " + std::to_string(i / size_t(width)) +
                   ") is " + std::to_string(shown[i]) + ", expected " + std::to_string(expected[i]);
    return "";
}

}  // namespace vl::test
