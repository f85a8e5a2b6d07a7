#include "base/numeric.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

TEST(RoundArg, TiesGoToEvenThroughSixtyFourBitsKeepingTheLowHalf) {
    EXPECT_EQ(vl::roundArg(2.5), 2);
    EXPECT_EQ(vl::roundArg(3.5), 4);
    EXPECT_EQ(vl::roundArg(-2.5), -2);
    EXPECT_EQ(vl::roundArg(0.5), 0);
    EXPECT_EQ(vl::roundArg(1.5), 2);
    EXPECT_EQ(vl::roundArg(2.4999999999999996), 2);
    EXPECT_EQ(vl::roundArg(-0.0), 0);
    EXPECT_EQ(vl::roundArg(4294967298.0), 2);            // 2^32 + 2: low 32 bits
    EXPECT_EQ(vl::roundArg(2147483648.0), INT32_MIN);     // 2^31 wraps to negative
    EXPECT_EQ(vl::roundArg(-4294967297.0), -1);
    EXPECT_EQ(vl::roundArg(-9223372036854775808.0), 0);   // -2^63: low 32 bits are 0
}

TEST(RoundArg, NonFiniteAndOutOfRangeGiveZero) {
    EXPECT_EQ(vl::roundArg(kNaN), 0);
    EXPECT_EQ(vl::roundArg(kInf), 0);
    EXPECT_EQ(vl::roundArg(-kInf), 0);
    EXPECT_EQ(vl::roundArg(9223372036854775808.0), 0);  // 2^63
    EXPECT_EQ(vl::roundArg(1e300), 0);
    EXPECT_EQ(vl::roundArg(-1e300), 0);
}

TEST(RendererConversions, FloorAndRoundSaturateInsteadOfWrapping) {
    EXPECT_EQ(vl::floorToInt(-0.5), -1);
    EXPECT_EQ(vl::floorToInt(2.999), 2);
    EXPECT_EQ(vl::floorToInt(-3.0), -3);
    EXPECT_EQ(vl::floorToInt(kInf), INT32_MAX);
    EXPECT_EQ(vl::floorToInt(-kInf), INT32_MIN);
    EXPECT_EQ(vl::floorToInt(kNaN), 0);
    EXPECT_EQ(vl::floorToInt(3e9), INT32_MAX);
    EXPECT_EQ(vl::roundToInt(141.5), 142);
    EXPECT_EQ(vl::roundToInt(242.5), 242);
    EXPECT_EQ(vl::roundToInt(-0.5), 0);
    EXPECT_EQ(vl::roundToInt(kNaN), 0);
    EXPECT_EQ(vl::roundToInt(-1e20), INT32_MIN);
}

}  // namespace
