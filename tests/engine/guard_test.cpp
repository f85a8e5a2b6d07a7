#include "engine/guard.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <stdexcept>

namespace {

TEST(Guard, EveryKindOfExceptionBecomesTextAndTheFailureResult) {
    std::string last;
    EXPECT_EQ(vl::runGuarded<double>(last, -1.0, [] { return 2.0; }), 2.0);
    EXPECT_EQ(last, "");
    EXPECT_EQ(vl::runGuarded<double>(last, -1.0, []() -> double { vl::fail("EReadError", "Stream read error"); }), -1.0);
    EXPECT_EQ(last, "EReadError: Stream read error");
    EXPECT_EQ(vl::runGuarded<double>(last, -1.0, []() -> double { throw std::bad_alloc(); }), -1.0);
    EXPECT_EQ(last, "EOutOfMemory: Out of memory");
    EXPECT_EQ(vl::runGuarded<double>(last, -1.0, []() -> double { throw 42; }), -1.0);
    EXPECT_EQ(last, "Exception: Unknown error");
    const char* empty = "";
    EXPECT_EQ(vl::runGuarded<const char*>(last, empty, []() -> const char* { throw std::runtime_error("x"); }), empty);
}

#if defined(__x86_64__) || defined(__i386__)
TEST(Guard, RunsMaskedAndRoundingToNearestThenRestoresTheHostState) {
    std::fesetround(FE_TOWARDZERO);
    std::feclearexcept(FE_ALL_EXCEPT);
    std::string last;
    volatile double zero = 0.0;
    int roundingInside = -1;
    const double r = vl::runGuarded<double>(last, -1.0, [&] {
        roundingInside = std::fegetround();
        return 1.0 / zero;  // raises divide-by-zero inside only
    });
    EXPECT_EQ(roundingInside, FE_TONEAREST);
    EXPECT_TRUE(std::isinf(r));
    EXPECT_EQ(std::fegetround(), FE_TOWARDZERO);
    EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO)) << "our flags stay ours";
    std::fesetround(FE_TONEAREST);
}
#endif

}  // namespace
