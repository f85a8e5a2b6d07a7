// The shortcuts the renderer takes, each against the plain formula it stands
// for: processor rounding against the numeric helpers, stepped texture rows
// against the Real formula, the coherent sprite sort against the comb sort,
// and the pixel byte order.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "base/numeric.h"
#include "render/fast_round.h"
#include "render/frame.h"
#include "render/sprites.h"
#include "render/texels.h"

namespace vl {
namespace {

double fromBits(uint64_t b) {
    double v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}

TEST(RenderFastPaths, ProcessorRoundingMatchesTheNumericHelpers) {
    const double inf = HUGE_VAL, nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> values = {0.0,          -0.0,          0.5,          -0.5,         1.5,
                                  2.5,          -2.5,          -1.5,         0.49999999999999994,
                                  2147483647.0, 2147483647.5,  2147483646.5, 2147483648.0, -2147483648.0,
                                  -2147483648.5, -2147483647.5, -2147483649.0, 4294967298.0, 1e300,
                                  -1e300,       inf,           -inf,         nan,          5e-324,
                                  -5e-324,      -1e-300,       1e-300};
    for (double v : {2147483647.0, -2147483648.0, 0.5, -0.5, 1.0, -1.0}) {
        values.push_back(std::nextafter(v, inf));
        values.push_back(std::nextafter(v, -inf));
    }
    std::mt19937_64 rng(99);
    for (int i = 0; i < 200000; ++i) {
        // Any bit pattern, and values near whole and half numbers.
        values.push_back(fromBits(rng()));
        const double whole = double(int64_t(rng() % 6000000000ull) - 3000000000ll) / 2;
        values.push_back(std::nextafter(whole, (rng() & 1) ? inf : -inf));
        values.push_back(whole);
    }
    for (double v : values) {
        ASSERT_EQ(floorFast(v), floorToInt(v)) << v;
        ASSERT_EQ(roundFast(v), roundToInt(v)) << v;
    }
    int32_t q, r;
    floorDivide(-7, 2, q, r);
    EXPECT_EQ(q, -4);
    EXPECT_EQ(r, 1);
    floorDivide(7, 2, q, r);
    EXPECT_EQ(q, 3);
    EXPECT_EQ(r, 1);
    floorDivide(-8, 2, q, r);
    EXPECT_EQ(q, -4);
    EXPECT_EQ(r, 0);
}

TEST(RenderFastPaths, SteppedTextureRowsFollowTheFormula) {
    std::mt19937 rng(7);
    int checked = 0;
    for (int32_t size : {1, 2, 3, 17, 63, 64})
        for (int32_t screenHeight : {1, 2, 199, 200, 383, 384, 385, 599, 600}) {
            std::vector<int32_t> heights;
            for (int32_t h = 1; h <= 1300; h += 1 + h / 100) heights.push_back(h);
            for (int i = 0; i < 40; ++i) heights.push_back(int32_t(rng() % (1u << 22)) + 1);
            heights.push_back(1 << 22);
            for (int32_t h : heights) {
                // The slice's own rows, then a stretch anywhere in range.
                const int32_t top = std::max(0, int32_t(std::floor((screenHeight - double(h)) / 2)));
                for (int32_t y0 : {top, int32_t(rng() % 8193) - 4096}) {
                    TexRowStepper s;
                    ASSERT_TRUE(startTexRows(size, screenHeight, double(h), y0, s));
                    for (int32_t y = y0; y < y0 + 700 && y <= 4096; ++y, s.next(), ++checked)
                        ASSERT_EQ(s.row, texRowByFormula(size, screenHeight, double(h), y))
                            << size << " " << screenHeight << " " << h << " " << y;
                }
            }
        }
    EXPECT_GT(checked, 1000000);
    TexRowStepper s;
    EXPECT_FALSE(startTexRows(64, 384, double((1 << 22) + 1), 0, s));  // too tall: the formula takes over
    EXPECT_FALSE(startTexRows(64, 384, 0.0, 0, s));
}

TEST(RenderFastPaths, CoherentSortGivesTheCombSortsResult) {
    std::mt19937 rng(31);
    Camera camera{3.25, 4.5, 1, 0, 0, 0.66};
    std::vector<uint8_t> seen;
    for (int run = 0; run < 400; ++run) {
        Sprites s;
        const int32_t n = int32_t(rng() % 120);
        const bool ties = rng() % 3 == 0, nans = rng() % 10 == 0;
        for (int32_t i = 0; i < n; ++i) {
            double x = double(rng() % 100000) / 4096, y = double(rng() % 100000) / 4096;
            if (ties) x = double(rng() % 4), y = 1.0;
            if (nans && rng() % 20 == 0) x = std::numeric_limits<double>::quiet_NaN();
            addSprite(s, x, y, 1);
        }
        // Frames with the camera moving: each starts from the order the
        // last one left (or, now and then, from one that is no order).
        for (int frame = 0; frame < 4; ++frame) {
            camera.posX += double(int(rng() % 21) - 10) / 64;
            if (rng() % 8 == 0 && n > 0) s.spriteOrder[rng() % size_t(n)] = int32_t(rng() % 200) - 50;
            if (rng() % 8 == 0) std::shuffle(s.spriteOrder.begin(), s.spriteOrder.end(), rng);
            Sprites expected = s;
            for (int32_t i = 0; i < n; ++i) {
                expected.spriteOrder[size_t(i)] = i;
                const double dx = camera.posX - s.spriteX[size_t(i)], dy = camera.posY - s.spriteY[size_t(i)];
                expected.spriteDistance[size_t(i)] = dx * dx + dy * dy;
            }
            combSort(expected.spriteOrder.data(), expected.spriteDistance.data(), n);
            ASSERT_EQ(sortSprites(camera, s, seen), n);
            ASSERT_EQ(s.spriteOrder, expected.spriteOrder) << run << " " << frame;
            for (int32_t i = 0; i < n; ++i)  // bit for bit: NaNs too
                ASSERT_EQ(std::memcmp(&s.spriteDistance[size_t(i)], &expected.spriteDistance[size_t(i)], 8), 0)
                    << run << " " << frame;
        }
    }
}

TEST(RenderFastPaths, PixelsAreStoredBlueGreenRedAndOpaque) {
    uint8_t bytes[10] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    putPixel(bytes, makeColour(64, 128, 255));
    putPixelBytes(bytes + 5, pixelBytes(makeColour(7, 8, 9)));
    EXPECT_EQ((std::vector<int>(bytes, bytes + 10)), (std::vector<int>{255, 128, 64, 255, 9, 9, 8, 7, 255, 9}));
    EXPECT_EQ(pixelBytes(0xAB112233u), 0x00332211u);  // the top byte is dropped
    uint8_t quad[18];
    std::memset(quad, 9, sizeof quad);
    putPixelQuad(quad + 1, pixelBytes(makeColour(1, 2, 3)), pixelBytes(makeColour(4, 5, 6)),
                 pixelBytes(makeColour(7, 8, 9)), pixelBytes(makeColour(10, 11, 12)));
    EXPECT_EQ((std::vector<int>(quad, quad + 18)),
              (std::vector<int>{9, 3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255, 12, 11, 10, 255, 9}));
}

}  // namespace
}  // namespace vl
