// Presentation into windows of any size through the DLL, read back with GDI:
// every case of the shared table against the sampling rule, a host that
// changes windows, and handles that name none.
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

// A handle that names no window, made up or of a window since destroyed, is
// no failure: vlDrawScreen returns 1.0, sets no error and presents nothing,
// neither into the window named before nor on the screen (where handle 0
// would draw); the live window named next shows the frame again.
TEST(DllPresentation, AHandleThatNamesNoWindowPresentsNothingAndFailsNot) {
    VelmoraApi v;
    HMODULE module = loadFreshCopy("VelmoraNoWindow.dll", v);
    ASSERT_NE(module, nullptr);
    const PresentCase whole{"the whole frame in a window of its size", 0, 0, 0, 800, 600, 800, 600};
    HWND live = vl::host::makeBorderlessWindow(whole.width, whole.height);
    SetWindowPos(live, nullptr, 900, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);  // off the screen's corner
    HWND destroyed = vl::host::makeBorderlessWindow(300, 200);
    const double destroyedHandle = double(uintptr_t(destroyed));
    ASSERT_TRUE(DestroyWindow(destroyed));
    ASSERT_EQ(v.vlInit(double(uintptr_t(live))), 1.0);
    ASSERT_TRUE(drawPattern(v, tempPath("velmora-pattern.bmp")));
    const std::vector<uint32_t> untouched(size_t(whole.width) * size_t(whole.height), kUntouched);
    for (const double handle : {double(0x12345678), destroyedHandle}) {
        SCOPED_TRACE(handle);
        vl::host::paintWindow(live, kUntouched);
        for (int i = 0; i < 10; ++i, Sleep(10)) pumpMessages();  // the screen settles after windows come and go
        const std::vector<uint32_t> screen = readWindow(nullptr, 800, 600);
        EXPECT_EQ(v.vlSetWindow(handle), 1.0);
        EXPECT_EQ(v.vlDrawScreen(), 1.0);
        EXPECT_STREQ(v.vlGetLastError(), "");
        EXPECT_EQ(firstDifference(readWindow(live, whole.width, whole.height), untouched, whole.width), "");
        EXPECT_EQ(firstDifference(readWindow(nullptr, 800, 600), screen, 800), "") << "on the screen";
        EXPECT_EQ(v.vlSetWindow(double(uintptr_t(live))), 1.0);
        EXPECT_EQ(v.vlDrawScreen(), 1.0);
        EXPECT_EQ(firstDifference(readWindow(live, whole.width, whole.height), expectedWindow(whole), whole.width), "");
    }
    DestroyWindow(live);
    FreeLibrary(module);
}

}  // namespace
