// Presentation into X11 windows of any size through libvelmora.so, read
// back from the server: every case of the shared table against the sampling
// rule (the window resized between cases, as hosts do), and a host that
// changes windows.
#include <gtest/gtest.h>

#include <string>

#include "host.h"
#include "support/presentation_cases.h"

namespace {

using namespace vl::linuxhost;
using namespace vl::test;

void paint(Display* display, Window window, uint32_t colour) {
    GC gc = XCreateGC(display, window, 0, nullptr);
    // 0x00BBGGRR as the default 24-bit visual's 0x00RRGGBB pixel.
    XSetForeground(display, gc, (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF));
    XFillRectangle(display, window, gc, 0, 0, 4096, 4096);
    XFreeGC(display, gc);
    XSync(display, False);
}

void resize(Display* display, Window window, int width, int height) {
    XResizeWindow(display, window, unsigned(width), unsigned(height));
    XSync(display, False);
}

struct Host {
    Display* display = XOpenDisplay(nullptr);
    VelmoraApi api;
    std::string error;
    bool loaded = display && loadFreshCopy(VL_LIBRARY_PATH, api, error);
    ~Host() {
        if (display) XCloseDisplay(display);
    }
};

TEST(LinuxPresentation, EveryCaseShowsTheSamplingRuleInARealWindow) {
    Host h;
    ASSERT_TRUE(h.loaded) << "no X display or no library: " << h.error;
    const Window window = makeWindow(h.display);
    ASSERT_EQ(h.api.vlInit(double(window)), 1.0);
    ASSERT_TRUE(drawPattern(h.api, "/tmp/velmora-pattern.bmp")) << h.api.vlGetLastError();
    for (const PresentCase& c : kPresentCases) {
        if (c.width == 0) continue;  // X11 windows are at least 1 x 1
        SCOPED_TRACE(c.name);
        setCase(h.api, c);
        if (c.firstWidth) {
            resize(h.display, window, c.firstWidth, c.firstHeight);
            ASSERT_EQ(h.api.vlDrawScreen(), 1.0) << h.api.vlGetLastError();
        }
        resize(h.display, window, c.width, c.height);
        paint(h.display, window, kUntouched);
        // Twice: once after the resize, once at a size the library knows.
        for (int call = 0; call < 2; ++call) {
            ASSERT_EQ(h.api.vlDrawScreen(), 1.0) << h.api.vlGetLastError();
            EXPECT_EQ(firstDifference(readWindow(h.display, window, c.width, c.height), expectedWindow(c), c.width), "")
                << "call " << call;
        }
    }
}

TEST(LinuxPresentation, SetWindowMovesTheFrameToAnotherWindowAndKeepsEverythingElse) {
    Host h;
    ASSERT_TRUE(h.loaded) << h.error;
    const PresentCase c = kPresentCases[6];  // fit, an odd area
    const Window first = makeWindow(h.display, 0, false, 300, 200);
    EXPECT_EQ(h.api.vlSetWindow(double(first)), 1.0);  // before vlInit too
    ASSERT_EQ(h.api.vlInit(double(first)), 1.0);
    ASSERT_TRUE(drawPattern(h.api, "/tmp/velmora-pattern.bmp"));
    setCase(h.api, c);
    ASSERT_EQ(h.api.vlDrawScreen(), 1.0) << h.api.vlGetLastError();
    // A new window, as pygame's second set_mode makes: the old one is gone.
    XDestroyWindow(h.display, first);
    const Window second = makeWindow(h.display, 0, false, c.width, c.height);
    paint(h.display, second, kUntouched);
    EXPECT_EQ(h.api.vlSetWindow(double(second)), 1.0);
    ASSERT_EQ(h.api.vlDrawScreen(), 1.0) << h.api.vlGetLastError();
    EXPECT_EQ(firstDifference(readWindow(h.display, second, c.width, c.height), expectedWindow(c), c.width), "");
    // A handle that names no window is reported by the next vlDrawScreen.
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", first);
    EXPECT_EQ(h.api.vlSetWindow(double(first)), 1.0);
    EXPECT_EQ(h.api.vlDrawScreen(), -1.0);
    EXPECT_EQ(std::string(h.api.vlGetLastError()), std::string("EOSError: X11 window ") + id + " does not exist");
}

}  // namespace
