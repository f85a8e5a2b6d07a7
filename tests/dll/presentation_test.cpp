// Presentation into windows of any size through the DLL, read back with GDI:
// every case of the shared table against the sampling rule, a host that
// changes windows, and a handle that names none.
#include <gtest/gtest.h>

#include "host.h"
#include "support/presentation_cases.h"

namespace {

using namespace vl::test;

TEST(DllPresentation, EveryCaseShowsTheSamplingRuleInARealWindow) {
    VelmoraApi v;
    HMODULE module = loadFreshCopy("VelmoraPresent.dll", v);
    ASSERT_NE(module, nullptr);
    HWND window = vl::host::makeBorderlessWindow(800, 600);
    ASSERT_EQ(v.vlInit(double(uintptr_t(window))), 1.0);
    ASSERT_TRUE(drawPattern(v, tempPath("velmora-pattern.bmp"))) << v.vlGetLastError();
    for (const PresentCase& c : kPresentCases) {
        SCOPED_TRACE(c.name);
        setCase(v, c);
        if (c.firstWidth) {
            vl::host::resizeWindow(window, c.firstWidth, c.firstHeight);
            ASSERT_EQ(v.vlDrawScreen(), 1.0);
        }
        vl::host::resizeWindow(window, c.width, c.height);
        vl::host::paintWindow(window, kUntouched);
        ASSERT_EQ(v.vlDrawScreen(), 1.0) << v.vlGetLastError();
        EXPECT_EQ(firstDifference(readWindow(window, c.width, c.height), expectedWindow(c), c.width), "");
    }
    DestroyWindow(window);
    FreeLibrary(module);
}

TEST(DllPresentation, SetWindowMovesTheFrameToAnotherWindowAndKeepsEverythingElse) {
    VelmoraApi v;
    HMODULE module = loadFreshCopy("VelmoraSetWindow.dll", v);
    ASSERT_NE(module, nullptr);
    const PresentCase c = kPresentCases[6];  // fit, an odd area
    HWND first = vl::host::makeBorderlessWindow(300, 200);
    EXPECT_EQ(v.vlSetWindow(12345), 1.0);  // before vlInit, which then takes its own handle
    ASSERT_EQ(v.vlInit(double(uintptr_t(first))), 1.0);
    ASSERT_TRUE(drawPattern(v, tempPath("velmora-pattern.bmp")));
    setCase(v, c);
    ASSERT_EQ(v.vlDrawScreen(), 1.0);
    HWND second = vl::host::makeBorderlessWindow(c.width, c.height);
    vl::host::paintWindow(second, kUntouched);
    EXPECT_EQ(v.vlSetWindow(double(uintptr_t(second))), 1.0);
    EXPECT_EQ(v.vlDrawScreen(), 1.0);
    EXPECT_EQ(firstDifference(readWindow(second, c.width, c.height), expectedWindow(c), c.width), "");
    // A handle that names no window shows nothing, as for vlInit.
    EXPECT_EQ(v.vlSetWindow(12345), 1.0);
    EXPECT_EQ(v.vlDrawScreen(), 1.0);
    DestroyWindow(first);
    DestroyWindow(second);
    FreeLibrary(module);
}

}  // namespace
