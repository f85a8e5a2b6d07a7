// libvelmora.so used as a game host uses it: loaded with dlopen, every export
// resolved by name, frames presented into real X11 windows and read back.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "counting_xext.h"
#include "host.h"
#include "support/golden_frames.h"
#include "support/png_scene.h"

namespace {

using namespace vl::linuxhost;

// One host here uses a second connection from a thread of its own.
const Status g_xThreads = XInitThreads();

bool freshLibrary(VelmoraApi& api) {
    std::string error;
    if (loadFreshCopy(VL_LIBRARY_PATH, api, error)) return true;
    ADD_FAILURE() << VL_LIBRARY_PATH << ": " << error;
    return false;
}

// The host's own X error handlers, which our calls must leave in place and
// never call for errors of their own requests.
std::atomic<int> g_hostErrors{0};
int hostErrorHandler(Display*, XErrorEvent*) {
    ++g_hostErrors;
    return 0;
}
int hostIoErrorHandler(Display*) { return 0; }

void installHostHandlers() {
    XSetErrorHandler(hostErrorHandler);
    XSetIOErrorHandler(hostIoErrorHandler);
    g_hostErrors = 0;
}
void expectHostHandlers(const std::string& when, int errors = 0) {
    EXPECT_EQ(XSetErrorHandler(hostErrorHandler), hostErrorHandler) << when;
    EXPECT_EQ(XSetIOErrorHandler(hostIoErrorHandler), hostIoErrorHandler) << when;
    EXPECT_EQ(g_hostErrors.load(), errors) << when;
}

double windowArg(Window window) { return double(window); }

// Shared memory segments mapped into this process.
int sharedSegments() {
    std::ifstream maps("/proc/self/maps");
    int n = 0;
    for (std::string line; std::getline(maps, line);) n += line.find("/SYSV") != std::string::npos;
    return n;
}

// 0x00BBGGRR pixels from vlCopyBackBuffer's bytes, checking alpha.
std::vector<uint32_t> copiedPixels(const VelmoraApi& api, int format) {
    std::vector<uint8_t> bytes(800 * 600 * 4);
    EXPECT_EQ(api.vlCopyBackBuffer(bytes.data(), format), 1920000.0);
    std::vector<uint32_t> pixels(800 * 600);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint8_t* p = &bytes[4 * i];
        const uint32_t first = p[0], second = p[1], third = p[2];
        pixels[i] = format == 0 ? first | second << 8 | third << 16 : third | second << 8 | first << 16;
        if (p[3] != 255) return {};
    }
    return pixels;
}

struct Target {
    const char* name;
    std::vector<std::string> server;  // arguments of a server of our own; none: the test's display
    int depth;                        // of the window's visual; 0: the default one
    int segments;                     // shared memory segments the first present maps
    int attaches;                     // shared memory attaches the frames ask the server for
    bool sharedFrames;                // frames go through shared memory
    bool overTcp = false;             // through the network, where shared memory must not be tried
    bool refused = false;             // the server refuses to attach our memory
};

const Target kTargets[] = {
    {"the test display, shared memory", {}, 0, 1, 1, true},
    {"a 32-bit window", {}, 32, 1, 1, true},
    {"a server without shared memory", {"-extension", "MIT-SHM", "-screen", "0", "800x600x24"}, 0, 0, 0, false},
    {"a server reached over TCP", {"-listen", "tcp", "-screen", "0", "800x600x24"}, 0, 0, 0, false, true},
    {"a server that refuses our memory", {}, 0, 0, 1, false, false, true},
};

// The stand-in libXext refuses attaches while it lives.
struct RefusedAttaches {
    explicit RefusedAttaches(bool on) { vlXextRefuseAttach = on; }
    ~RefusedAttaches() { vlXextRefuseAttach = false; }
};

TEST(LinuxHost, GoldenFramesAreTheSameInTheWindowAndInBothCopies) {
    char dir[] = "/tmp/velmora-golden-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    vl::golden::writeAssets(dir);
    const auto expected = vl::golden::loadGolden(vl::golden::goldenPath());
    const auto& names = vl::golden::frameNames();
    ASSERT_EQ(expected.size(), names.size());

    for (const Target& target : kTargets) {
        SCOPED_TRACE(target.name);
        Server server(target.server);
        ASSERT_EQ(server.display().empty(), target.server.empty()) << "Xvfb did not start";
        const char* testDisplay = std::getenv("DISPLAY");
        DisplayVariable variable(target.server.empty() ? (testDisplay ? testDisplay : "")
                                 : target.overTcp      ? "127.0.0.1" + server.display()
                                                       : server.display());
        Display* display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "no X display: run under tools/run-x11.sh";
        const Window window = makeWindow(display, target.depth);
        ASSERT_NE(window, 0u);
        VelmoraApi api;
        ASSERT_TRUE(freshLibrary(api));
        ASSERT_EQ(api.vlInit(windowArg(window)), 1.0);
        vl::golden::setupWorld(api, dir);
        RefusedAttaches refusal(target.refused);
        const int segmentsBefore = sharedSegments();
        const XextCounts before = vlXextCounts;
        for (size_t i = 0; i < names.size(); ++i) {
            vl::golden::renderFrame(api, i);
            ASSERT_EQ(api.vlDrawScreen(), 1.0) << api.vlGetLastError();
            if (i == 0) {
                EXPECT_EQ(sharedSegments() - segmentsBefore, target.segments);
            }
            const std::vector<uint32_t> shown = readWindow(display, window);
            EXPECT_EQ(vl::golden::checksum(shown), expected.at(names[i])) << names[i];
            EXPECT_TRUE(copiedPixels(api, 0) == shown) << names[i] << ": vlCopyBackBuffer(0) differs from the window";
            EXPECT_TRUE(copiedPixels(api, 1) == shown) << names[i] << ": vlCopyBackBuffer(1) differs from the window";
        }
        EXPECT_EQ(vlXextCounts.attaches - before.attaches, target.attaches);
        EXPECT_EQ(vlXextCounts.puts > before.puts, target.sharedFrames);
        XCloseDisplay(display);
    }
}

TEST(LinuxHost, WindowsThatDoNotExistFailWithoutDisturbingTheHost) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window gone = makeWindow(display);
    XDestroyWindow(display, gone);
    XSync(display, False);
    char goneId[32];
    std::snprintf(goneId, sizeof goneId, "0x%lx", gone);
    struct Case {
        double window;
        std::string id;
    };
    const Case cases[] = {{double(gone), goneId},         {0x1234, "0x1234"},
                          {2147483647.0, "0x7fffffff"},   {-1.0, "0xffffffff"},
                          {4294967295.0, "0xffffffff"},   {-2147483648.0, "0x80000000"}};
    VelmoraApi api;
    ASSERT_TRUE(freshLibrary(api));
    installHostHandlers();
    for (const Case& c : cases) {
        api.vlInit(c.window);
        EXPECT_EQ(api.vlDrawScreen(), -1.0) << c.id;
        EXPECT_EQ(std::string(api.vlGetLastError()), "EOSError: X11 window " + c.id + " does not exist");
        expectHostHandlers("after window " + c.id);
    }
    XCloseDisplay(display);
}

// Xlib has one error handler for the process, and ours is in while a frame
// is presented: errors of the host's own connections, here one that a thread
// of the host uses meanwhile, must still reach the host's handler.
TEST(LinuxHost, TheHostsOwnErrorsReachItsHandlerWhileFramesArePresented) {
    Display* display = XOpenDisplay(nullptr);
    Display* hostThreadDisplay = XOpenDisplay(nullptr);
    ASSERT_TRUE(display && hostThreadDisplay);
    const Window window = makeWindow(display);
    VelmoraApi api;
    std::string error;
    void* library = loadFreshCopy(VL_LIBRARY_PATH, api, error);
    ASSERT_TRUE(library) << error;
    api.vlInit(windowArg(window));
    installHostHandlers();
    std::atomic<bool> presenting{true};
    int made = 0;
    std::thread hostThread([&] {
        Window root;
        int x, y;
        unsigned width, height, border, depth;
        for (; presenting; ++made) XGetGeometry(hostThreadDisplay, None, &root, &x, &y, &width, &height, &border, &depth);
    });
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(api.vlDrawScreen(), 1.0) << api.vlGetLastError();
        EXPECT_EQ(XSetErrorHandler(hostErrorHandler), hostErrorHandler) << "after call " << i;
    }
    presenting = false;
    hostThread.join();
    expectHostHandlers("after the host's thread made errors", made);
    dlclose(library);  // and its connection: the test can repeat
    XCloseDisplay(hostThreadDisplay);
    XCloseDisplay(display);
}

TEST(LinuxHost, WithoutADisplayOnlyWindowZeroPresents) {
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window window = makeWindow(display);
    VelmoraApi api;
    ASSERT_TRUE(freshLibrary(api));
    struct Case {
        const char* display;
        double window;
        const char* error;  // null: presents
    };
    const Case cases[] = {
        {"", 0, nullptr},
        {"", windowArg(window), "EOSError: Cannot open X display: DISPLAY is not set"},
        {":4321", windowArg(window), "EOSError: Cannot open X display \":4321\""},
        {DisplayString(display), windowArg(window), nullptr},  // a failure is not remembered
    };
    for (const Case& c : cases) {
        DisplayVariable variable(c.display);
        api.vlInit(c.window);
        api.vlDrawColor(10, 20, 30);
        api.vlDrawRectangle(0, 0, 10, 10);
        EXPECT_EQ(api.vlDrawScreen(), c.error ? -1.0 : 1.0) << c.display;
        if (c.error) {
            EXPECT_STREQ(api.vlGetLastError(), c.error);
        }
    }
    EXPECT_EQ(readWindow(display, window, 1, 1), std::vector<uint32_t>{0x1E140A});
    XCloseDisplay(display);
}

TEST(LinuxHost, ALostDisplayIsReportedAndTheHostKeepsRunning) {
    Server server({"-screen", "0", "800x600x24"});
    ASSERT_FALSE(server.display().empty());
    DisplayVariable variable(server.display());
    Display* display = XOpenDisplay(nullptr);  // breaks with the server; never used after that
    ASSERT_NE(display, nullptr);
    const Window window = makeWindow(display);
    VelmoraApi api;
    ASSERT_TRUE(freshLibrary(api));
    api.vlInit(windowArg(window));
    ASSERT_EQ(api.vlDrawScreen(), 1.0) << api.vlGetLastError();
    server.stop();
    installHostHandlers();
    EXPECT_EQ(api.vlDrawScreen(), -1.0);
    EXPECT_EQ(std::string(api.vlGetLastError()), "EOSError: Lost the connection to X display \"" + server.display() + "\"");
    EXPECT_EQ(api.vlDrawScreen(), -1.0);
    EXPECT_EQ(std::string(api.vlGetLastError()), "EOSError: Cannot open X display \"" + server.display() + "\"");
    expectHostHandlers("after the display was lost");
}

TEST(LinuxHost, WindowsThatCannotShowTheFrameAreRefused) {
    struct Case {
        std::vector<std::string> server;
        bool inputOnly;
        const char* depth;
    };
    const Case cases[] = {{{"-screen", "0", "800x600x16"}, false, "16"},
                          {{"-screen", "0", "800x600x8"}, false, "8"},
                          {{"-screen", "0", "800x600x24"}, true, "0"}};
    for (const Case& c : cases) {
        Server server(c.server);
        ASSERT_FALSE(server.display().empty());
        DisplayVariable variable(server.display());
        Display* display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        const Window window = makeWindow(display, 0, c.inputOnly);
        VelmoraApi api;
        ASSERT_TRUE(freshLibrary(api));
        api.vlInit(windowArg(window));
        EXPECT_EQ(api.vlDrawScreen(), -1.0);
        char id[32];
        std::snprintf(id, sizeof id, "0x%lx", window);
        EXPECT_EQ(std::string(api.vlGetLastError()), std::string("EOSError: X11 window ") + id +
                                                         " is not a TrueColor window of depth 24 or 32 (depth " +
                                                         c.depth + ")");
        XCloseDisplay(display);
    }
}

TEST(LinuxHost, ASpriteTransparentByAlphaDrawsAsItsBmp) {
    char dir[] = "/tmp/velmora-png-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    VelmoraApi api;
    ASSERT_TRUE(freshLibrary(api));
    EXPECT_EQ(vl::test::pngAgainstBmp(api, 0, dir), "");
}

}  // namespace
