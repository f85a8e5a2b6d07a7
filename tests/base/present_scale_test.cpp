// The presentation's placing and scaling on their own, natively (and under
// the sanitizers): every case of the host tests' table composed as a
// platform composes it, bars and all, in both pixel layouts, against the
// sampling rule worked out in the table.
#include "base/present_scale.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "support/presentation_cases.h"

namespace {

using namespace vl;
using namespace vl::test;

TEST(PresentScale, EveryCaseComposesTheSamplingRule) {
    std::vector<uint8_t> back(800 * 600 * 4);  // the frame layout: top-down, blue, green, red, 255
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const uint32_t c = patternAt(x, y);
            uint8_t* p = &back[(size_t(y) * 800 + size_t(x)) * 4];
            p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c), p[3] = 255;
        }
    ScaleCache cache;  // one for all cases, as a platform keeps it
    for (Layout32 layout : {Layout32::BGRA, Layout32::RGBA})
        for (const PresentCase& c : kPresentCases) {
            SCOPED_TRACE(c.name);
            const PresentSource source{back.data(), 800, 600, c.left, c.top, c.right, c.bottom, c.mode};
            const Placement p = placeArea(source, c.width, c.height);
            const size_t stride = size_t(c.width) * 4;
            std::vector<uint8_t> window(stride * size_t(c.height) + 4, 0xEE);  // a guard byte after
            const uint8_t r = kUntouched & 0xFF, g = kUntouched >> 8 & 0xFF, b = kUntouched >> 16;
            const bool bgra = layout == Layout32::BGRA;
            const uint8_t untouched[4] = {bgra ? b : r, g, bgra ? r : b, 255};
            for (size_t i = 0; i + 4 <= stride * size_t(c.height); i += 4) std::memcpy(&window[i], untouched, 4);
            ScreenRect bars[4];
            for (int i = 0, n = barsOf(p, bars); i < n; ++i) fillBlack(window.data(), stride, bars[i]);
            const ScreenRect shown = shownRect(p);
            drawArea(source, p, window.data() + size_t(shown.y) * stride + size_t(shown.x) * 4, stride, layout, cache);
            std::vector<uint32_t> pixels;
            for (size_t i = 0; i < size_t(c.width) * size_t(c.height); ++i) {
                const uint8_t* q = &window[4 * i];
                ASSERT_EQ(q[3], 255) << i;
                pixels.push_back(layout == Layout32::BGRA ? uint32_t(q[2]) | q[1] << 8 | q[0] << 16
                                                          : uint32_t(q[0]) | q[1] << 8 | q[2] << 16);
            }
            EXPECT_EQ(firstDifference(pixels, expectedWindow(c), c.width), "");
            EXPECT_EQ(window.back(), 0xEE);
        }
    // The actual-size mode works without the client size, the window clipping.
    const PresentSource unknown{back.data(), 800, 600, 100, 50, 612, 434, kPresentActual};
    const Placement p = placeArea(unknown, INT32_MAX, INT32_MAX);
    EXPECT_EQ(std::vector<int32_t>({p.width, p.height, p.x, p.y, p.w, p.h}),
              std::vector<int32_t>({512, 384, 0, 0, 512, 384}));
}

}  // namespace
