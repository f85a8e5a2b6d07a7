// The Velmora demo on Linux: an Xlib host that loads libvelmora.so with
// dlopen, resolves every export by name and walks through the sample world
// in a window of its own. Options, keys and scene are the Windows demo's.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host_common.h"
#include "scene.h"

namespace {

std::string programDirectory() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    const std::string exe = n > 0 ? std::string(path, size_t(n)) : std::string("./velmora_demo");
    return exe.substr(0, exe.find_last_of('/'));
}

// Loads the library the way any host would: the file beside the program,
// every export by name.
bool loadVelmora(VelmoraApi& api, std::string& error) {
    const std::string path = programDirectory() + "/libvelmora.so";
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        error = std::string("cannot load ") + dlerror();
        return false;
    }
#define VL_RESOLVE(name)                                                      \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(library, #name));   \
    if (!api.name) {                                                          \
        error = path + " has no export " #name;                               \
        return false;                                                         \
    }
    VELMORA_EXPORTS(VL_RESOLVE)
#undef VL_RESOLVE
    return true;
}

// ------------------------------------------------------------------ window

enum Key { kForward, kBack, kTurnLeft, kTurnRight, kStepLeft, kStepRight, kKeyCount };

struct Input {
    bool down[kKeyCount] = {};
    bool quit = false;
    int modeRequest = 0;
    bool toggleMinimap = false;
    bool toggleFog = false;
    int lookSteps = 0;
    bool levelView = false;
};

int keyOf(KeySym symbol) {
    switch (symbol) {
    case XK_Up: case XK_w: return kForward;
    case XK_Down: case XK_s: return kBack;
    case XK_Left: case XK_a: return kTurnLeft;
    case XK_Right: case XK_d: return kTurnRight;
    case XK_q: return kStepLeft;
    case XK_e: return kStepRight;
    default: return -1;
    }
}

struct DemoWindow {
    Display* display = nullptr;
    Window id = 0;
    Atom deleteMessage = 0;
};

bool createWindow(DemoWindow& w) {
    w.display = XOpenDisplay(nullptr);
    if (!w.display) return false;
    const int screen = DefaultScreen(w.display);
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;  // the library paints the whole window: no flicker of a background
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ExposureMask | FocusChangeMask;
    w.id = XCreateWindow(w.display, RootWindow(w.display, screen), 0, 0, demo::kViewWidth, demo::kViewHeight, 0,
                         CopyFromParent, InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    XStoreName(w.display, w.id, "Velmora demo");
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = demo::kViewWidth;
    hints.min_height = hints.max_height = demo::kViewHeight;
    XSetWMNormalHints(w.display, w.id, &hints);
    w.deleteMessage = XInternAtom(w.display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(w.display, w.id, &w.deleteMessage, 1);
    // Held keys repeat as presses only, so a release means the key is up.
    XkbSetDetectableAutoRepeat(w.display, True, nullptr);
    XMapWindow(w.display, w.id);
    XEvent event;
    XWindowEvent(w.display, w.id, ExposureMask, &event);  // viewable: presents reach it from now on
    return true;
}

void pumpEvents(const DemoWindow& w, Input& input, const VelmoraApi& api) {
    while (XPending(w.display)) {
        XEvent e;
        XNextEvent(w.display, &e);
        if (e.type == KeyPress || e.type == KeyRelease) {
            const KeySym symbol = XLookupKeysym(&e.xkey, 0);
            const int key = keyOf(symbol);
            const bool firstPress = e.type == KeyPress && !(key >= 0 && input.down[key]);
            if (key >= 0) input.down[key] = e.type == KeyPress;
            if (firstPress && symbol == XK_Escape) input.quit = true;
            if (firstPress && symbol == XK_1) input.modeRequest = 1;
            if (firstPress && symbol == XK_2) input.modeRequest = 2;
            if (firstPress && symbol == XK_m) input.toggleMinimap = true;
            if (firstPress && symbol == XK_f) input.toggleFog = true;
            if (firstPress && symbol == XK_Home) input.levelView = true;
            // Repeats arrive as presses too: holding the key keeps tilting.
            if (e.type == KeyPress && symbol == XK_Page_Up) ++input.lookSteps;
            if (e.type == KeyPress && symbol == XK_Page_Down) --input.lookSteps;
        } else if (e.type == FocusOut) {
            for (bool& d : input.down) d = false;
        } else if (e.type == Expose && e.xexpose.count == 0) {
            api.vlDrawScreen();
        } else if (e.type == ClientMessage && Atom(e.xclient.data.l[0]) == w.deleteMessage) {
            input.quit = true;
        }
    }
}

// The window as presented, 0x00BBGGRR per pixel, rows from the top.
std::vector<uint32_t> readWindow(const DemoWindow& w) {
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(w.display, w.id, 0, 0, demo::kViewWidth, demo::kViewHeight, AllPlanes, ZPixmap);
    if (!image) return pixels;
    auto channel = [](unsigned long pixel, unsigned long mask) {
        return uint32_t((pixel & mask) >> __builtin_ctzl(mask)) & 0xFF;
    };
    for (int y = 0; y < demo::kViewHeight; ++y) {
        for (int x = 0; x < demo::kViewWidth; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            pixels.push_back(channel(p, image->red_mask) | channel(p, image->green_mask) << 8 |
                             channel(p, image->blue_mask) << 16);
        }
    }
    XDestroyImage(image);
    return pixels;
}

// The back buffer itself, 0x00BBGGRR per pixel, for the screenshot.
std::vector<uint32_t> backBuffer(const VelmoraApi& api) {
    std::vector<uint8_t> rgba(size_t(demo::kViewWidth) * demo::kViewHeight * 4);
    api.vlCopyBackBuffer(rgba.data(), 0);
    std::vector<uint32_t> pixels(rgba.size() / 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint32_t(rgba[4 * i]) | uint32_t(rgba[4 * i + 1]) << 8 | uint32_t(rgba[4 * i + 2]) << 16;
    return pixels;
}

// The keys since the last frame, and the steering keys held now.
demo::FrameInput pollInput(const DemoWindow& w, Input& input, const VelmoraApi& api) {
    pumpEvents(w, input, api);
    const bool* k = input.down;
    demo::FrameInput in;
    in.quit = input.quit;
    in.modeRequest = input.modeRequest;
    in.toggleMinimap = input.toggleMinimap;
    in.forward = (k[kForward] ? 1 : 0) - (k[kBack] ? 1 : 0);
    in.right = (k[kTurnRight] ? 1 : 0) - (k[kTurnLeft] ? 1 : 0);
    in.side = (k[kStepRight] ? 1 : 0) - (k[kStepLeft] ? 1 : 0);
    in.toggleFog = input.toggleFog;
    in.lookSteps = input.lookSteps;
    in.levelView = input.levelView;
    input.modeRequest = 0;
    input.toggleMinimap = false;
    input.toggleFog = false;
    input.lookSteps = 0;
    input.levelView = false;
    return in;
}

}  // namespace

using demo::kUsage;
using demo::Options;
using demo::parseOptions;

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    VelmoraApi api;
    std::string error;
    if (!loadVelmora(api, error)) {
        std::fprintf(stderr, "velmora_demo: %s\n", error.c_str());
        return 1;
    }
    DemoWindow window;
    if (!createWindow(window)) {
        const char* name = std::getenv("DISPLAY");
        std::fprintf(stderr, "velmora_demo: cannot open the X display \"%s\" (tools/run-x11.sh gives a virtual one)\n",
                     name ? name : "");
        return 1;
    }

    api.vlInit(double(window.id));
    const std::string assets = options.assets.empty() ? programDirectory() + "/assets" : options.assets;
    Input input;
    // Screenshots come from the back buffer, so a window covered by another
    // still gives the frame.
    const int status = demo::runDemo(api, options, assets,
                                     {[&] { return pollInput(window, input, api); },
                                      [&] { return readWindow(window); }, [&] { return backBuffer(api); }});
    XDestroyWindow(window.display, window.id);
    XCloseDisplay(window.display);
    return status;
}
