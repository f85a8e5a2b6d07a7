#include "base/pixels32.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using vl::ConvertPath;
using vl::Layout32;

// Every instruction-set path against the plain per-pixel one, over widths
// that leave each possible tail and end rows right at the buffer's end, with
// a destination stride wider than the row so a write past a row shows.
TEST(Pixels32, EveryPathGivesThePlainPathsBytesAndStaysInsideEachRow) {
    for (int32_t width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 13, 16, 17, 31, 800}) {
        const int32_t height = 3;
        const size_t srcStride = (size_t(width) * 3 + 3) & ~size_t(3);
        std::vector<uint8_t> src(srcStride * height);
        for (size_t i = 0; i < src.size(); ++i) src[i] = uint8_t(i * 37 + i / 7);
        const size_t dstStride = size_t(width) * 4 + 8;
        for (Layout32 layout : {Layout32::RGBA, Layout32::BGRA}) {
            std::vector<uint8_t> expected(dstStride * height, 0xEE);
            vl::convertRowsTo32Using(ConvertPath::Scalar, src.data(), width, height, 0, height, expected.data(),
                                     dstStride, layout);
            // Spot-check the plain path itself: top row first, channels in order.
            const uint8_t* top = src.data() + srcStride * (height - 1);
            const bool rgba = layout == Layout32::RGBA;
            EXPECT_EQ(expected[0], rgba ? top[2] : top[0]);
            EXPECT_EQ(expected[1], top[1]);
            EXPECT_EQ(expected[2], rgba ? top[0] : top[2]);
            EXPECT_EQ(expected[3], 255);
            EXPECT_EQ(expected[size_t(width) * 4], 0xEE);
            for (ConvertPath path : {ConvertPath::Sse2, ConvertPath::Ssse3}) {
                std::vector<uint8_t> got(dstStride * height, 0xEE);
                vl::convertRowsTo32Using(path, src.data(), width, height, 0, height, got.data(), dstStride, layout);
                EXPECT_EQ(got, expected) << "width " << width << ", path " << int(path) << ", layout " << int(layout);
            }
        }
    }
    EXPECT_TRUE(vl::convertPathAvailable(ConvertPath::Sse2));
}

}  // namespace
