#include "base/pixels32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using vl::Layout32;

// Both layouts over counts that leave each tail of the four-pixel steps:
// BGRA is the frame's bytes, RGBA swaps the first and third of each pixel,
// and nothing past the last pixel is written.
TEST(Pixels32, CopiesTheFrameInEitherLayoutAndStopsAtTheLastPixel) {
    for (size_t count : {1, 2, 3, 4, 5, 7, 8, 9, 17, 800}) {
        std::vector<uint8_t> frame(count * 4);
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 37 + i / 7);
        for (Layout32 layout : {Layout32::RGBA, Layout32::BGRA}) {
            std::vector<uint8_t> got(count * 4 + 4, 0xEE);
            vl::copyFramePixels(frame.data(), count, got.data(), layout);
            const bool rgba = layout == Layout32::RGBA;
            for (size_t i = 0; i < count; ++i) {
                const uint8_t* in = &frame[4 * i];
                const uint8_t want[4] = {rgba ? in[2] : in[0], in[1], rgba ? in[0] : in[2], in[3]};
                ASSERT_EQ(0, std::memcmp(&got[4 * i], want, 4)) << "pixel " << i << " of " << count << ", " << rgba;
            }
            EXPECT_EQ(got[count * 4], 0xEE);
        }
    }
}

}  // namespace
