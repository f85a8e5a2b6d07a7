// Presentation into X11 windows. libX11, and libXext for shared memory, are
// loaded at the first present into a window and never linked, so a host
// without X11 still loads the library and uses everything else. The
// connection to the display named by DISPLAY is opened then and kept; of the
// window nothing is kept: its size and visual are asked for on every call,
// because the host may resize it, recreate it or pass another one.
#include <dlfcn.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// For types and macros only: every function is called through the table below.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include "platform/platform.h"
#include "platform/posix/x11_pixels.h"

namespace vl::platform {

namespace {

#define VL_XLIB_FUNCTIONS(X)                                                                                  \
    X(XOpenDisplay) X(XCloseDisplay) X(XSetErrorHandler) X(XSetIOErrorHandler) X(XGetGeometry)                \
    X(XMatchVisualInfo) X(XCreateGC) X(XFreeGC) X(XCreateImage) X(XPutImage) X(XSync) X(XGetErrorText)
#define VL_XEXT_FUNCTIONS(X) X(XShmQueryExtension) X(XShmCreateImage) X(XShmAttach) X(XShmPutImage)

struct Xlib {
#define VL_XLIB_MEMBER(name) decltype(&::name) name = nullptr;
    VL_XLIB_FUNCTIONS(VL_XLIB_MEMBER)
    VL_XEXT_FUNCTIONS(VL_XLIB_MEMBER)
    VL_XLIB_MEMBER(XSetIOErrorExitHandler)  // libX11 1.7 and later; without it a lost display ends the process
#undef VL_XLIB_MEMBER
    bool loaded = false;
    bool hasShm = false;  // libXext is there
};

struct Connection {
    Display* display = nullptr;
    std::string name;              // for messages, kept in case the connection breaks
    bool shmChecked = false;
    XShmSegmentInfo segment{};     // shmaddr null: no shared memory, XPutImage from `pixels`
    std::vector<uint8_t> pixels;
};

// The library's X state. Unloading the library closes the connection, so a
// host that loads and unloads it repeatedly does not run out of connections.
struct Session {
    Xlib x;
    Connection c;
    ~Session();
};
Session g_session;

// Errors of our own requests. Xlib has one process-wide error handler, and
// its default one ends the process (on a bad window id, on a lost display),
// so ours is installed only while our requests run, and errors of any other
// display (the host's) go on to the handler it replaced.
struct Trap {
    Display* display = nullptr;
    int errorCode = 0;  // the first protocol error
    int requestCode = 0;
    bool lost = false;  // the connection broke
    XErrorHandler hostHandler = nullptr;
    XIOErrorHandler hostIoHandler = nullptr;
};
Trap g_trap;

int onXError(Display* display, XErrorEvent* event) {
    if (display != g_trap.display) return g_trap.hostHandler ? g_trap.hostHandler(display, event) : 0;
    if (!g_trap.errorCode) {
        g_trap.errorCode = event->error_code;
        g_trap.requestCode = event->request_code;
    }
    return 0;
}

int onIoError(Display* display) {
    if (display != g_trap.display) return g_trap.hostIoHandler ? g_trap.hostIoHandler(display) : 0;
    g_trap.lost = true;
    return 0;
}

// Xlib calls this after the IO error handler instead of exit(); returning
// leaves the display dead but the process running.
void onIoExit(Display*, void*) {}

// While it lives, X errors of the display are ours; the host's handlers are
// back when it ends.
class OwnRequests {
public:
    OwnRequests(const Xlib& x, Display* display) : x_(x) {
        g_trap = Trap{};
        g_trap.display = display;
        g_trap.hostHandler = x.XSetErrorHandler(onXError);
        g_trap.hostIoHandler = x.XSetIOErrorHandler(onIoError);
    }
    ~OwnRequests() {
        x_.XSetErrorHandler(g_trap.hostHandler);
        x_.XSetIOErrorHandler(g_trap.hostIoHandler);
        g_trap.display = nullptr;
    }
    OwnRequests(const OwnRequests&) = delete;
    OwnRequests& operator=(const OwnRequests&) = delete;

private:
    const Xlib& x_;
};

template <class F>
bool resolve(void* library, const char* name, F& function) {
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

bool loadXlib(Xlib& x, std::string& error) {
    if (x.loaded) return true;
    void* libX11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!libX11) {
        error = std::string("Cannot load libX11.so.6: ") + dlerror();
        return false;
    }
    bool complete = true;
#define VL_RESOLVE(name) complete = resolve(libX11, #name, x.name) && complete;
    VL_XLIB_FUNCTIONS(VL_RESOLVE)
#undef VL_RESOLVE
    if (!complete) {
        x = Xlib{};
        error = "libX11.so.6 lacks functions every version has";
        return false;
    }
    resolve(libX11, "XSetIOErrorExitHandler", x.XSetIOErrorExitHandler);
    if (void* libXext = dlopen("libXext.so.6", RTLD_NOW | RTLD_LOCAL)) {
        x.hasShm = true;
#define VL_RESOLVE(name) x.hasShm = resolve(libXext, #name, x.name) && x.hasShm;
        VL_XEXT_FUNCTIONS(VL_RESOLVE)
#undef VL_RESOLVE
    }
    x.loaded = true;  // both stay loaded for the library's life
    return true;
}

bool connect(const Xlib& x, Connection& c, std::string& error) {
    if (c.display) return true;
    // A failure is not remembered: the next call tries again, so a host
    // whose display comes up later still gets its frames.
    c.display = x.XOpenDisplay(nullptr);
    if (!c.display) {
        const char* name = std::getenv("DISPLAY");
        error = name && *name ? "Cannot open X display \"" + std::string(name) + "\""
                              : std::string("Cannot open X display: DISPLAY is not set");
        return false;
    }
    c.name = DisplayString(c.display);
    if (x.XSetIOErrorExitHandler) x.XSetIOErrorExitHandler(c.display, onIoExit, nullptr);
    return true;
}

void disconnect(const Xlib& x, Connection& c) {
    if (c.display) x.XCloseDisplay(c.display);
    if (c.segment.shmaddr) shmdt(c.segment.shmaddr);
    c = Connection{};
}

Session::~Session() {
    // Without an exit handler a dead server would make Xlib call exit()
    // while the process is already exiting.
    if (!c.display || !x.XSetIOErrorExitHandler) return;
    OwnRequests own(x, c.display);
    disconnect(x, c);
}

// Shared memory only reaches a server on this machine; a display forwarded
// over the network may still claim the extension.
bool isLocal(Display* display) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    return getsockname(ConnectionNumber(display), reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
           address.ss_family == AF_UNIX;
}

// One segment per connection, made at its first present and reused. When the
// server cannot attach it (another machine, another IPC namespace), frames go
// through XPutImage instead.
void attachSharedMemory(const Xlib& x, Connection& c, size_t bytes) {
    c.shmChecked = true;
    if (!x.hasShm || !isLocal(c.display) || !x.XShmQueryExtension(c.display)) return;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return;
    }
    XShmSegmentInfo segment{};
    segment.shmid = id;
    segment.shmaddr = static_cast<char*>(address);
    segment.readOnly = True;  // the server only reads frames
    c.segment = segment;
    x.XShmAttach(c.display, &c.segment);
    x.XSync(c.display, False);
    // Marked for removal now that both sides are attached: the system frees
    // it when the last one detaches, however the process ends.
    shmctl(id, IPC_RMID, nullptr);
    if (g_trap.errorCode || g_trap.lost) {
        shmdt(address);
        c.segment = XShmSegmentInfo{};
        g_trap.errorCode = 0;  // not the host's concern: the frame goes another way
    }
}

std::string windowText(Window window) {
    char text[64];
    std::snprintf(text, sizeof text, "X11 window 0x%lx", window);
    return text;
}

// One image of the given visual and depth into the window: the rows and
// columns it shows are converted and sent, then we wait for the server.
// False with `error` when the visual's pixels are not ones the frame can be
// converted to; protocol errors arrive in g_trap.
bool putImage(const Xlib& x, Connection& c, Window window, const uint8_t* bits, int32_t width, int32_t height,
              Visual* visual, int depth, int32_t columns, int32_t rows, std::string& error) {
    Display* d = c.display;
    const size_t bytes = size_t(width) * size_t(height) * 4;
    // The image keeps the back buffer's width, so each of its rows is one row
    // of the conversion.
    const bool shm = c.segment.shmaddr != nullptr;
    XImage* image = shm ? x.XShmCreateImage(d, visual, unsigned(depth), ZPixmap, nullptr, &c.segment,
                                            unsigned(width), unsigned(rows))
                        : x.XCreateImage(d, visual, unsigned(depth), ZPixmap, 0, nullptr, unsigned(width),
                                         unsigned(rows), 32, 0);
    if (!image) {
        error = "Cannot make an X image for " + windowText(window);
        return false;
    }
    const size_t needed = size_t(image->bytes_per_line) * size_t(rows);
    const bool fits = (image->bits_per_pixel == 24 || image->bits_per_pixel == 32) && needed <= bytes;
    if (fits) {
        if (!shm && c.pixels.size() < bytes) c.pixels.resize(bytes);
        uint8_t* memory = shm ? reinterpret_cast<uint8_t*>(c.segment.shmaddr) : c.pixels.data();
        image->data = reinterpret_cast<char*>(memory);
        const X11PixelLayout layout{uint32_t(image->red_mask), uint32_t(image->green_mask),
                                    uint32_t(image->blue_mask), image->bits_per_pixel, image->byte_order == MSBFirst};
        packForX11(bits, width, height, rows, memory, size_t(image->bytes_per_line), layout);
        GC gc = x.XCreateGC(d, window, 0, nullptr);
        if (shm)
            x.XShmPutImage(d, window, gc, image, 0, 0, 0, 0, unsigned(columns), unsigned(rows), False);
        else
            x.XPutImage(d, window, gc, image, 0, 0, 0, 0, unsigned(columns), unsigned(rows));
        x.XFreeGC(d, gc);
        // Once the server answers it has drawn the frame (and is done with
        // the shared memory), so a host reading its window back sees it.
        x.XSync(d, False);
    } else {
        error = windowText(window) + " needs " + std::to_string(image->bits_per_pixel) +
                " bits a pixel, which the frame cannot be converted to";
    }
    image->data = nullptr;  // the memory is the connection's, not the image's
    image->obdata = nullptr;
    XDestroyImage(image);
    return fits;
}

// Our requests for one frame; their protocol errors arrive in g_trap.
bool putFrame(const Xlib& x, Connection& c, Window window, const uint8_t* bits, int32_t width, int32_t height,
              std::string& error) {
    Display* d = c.display;
    if (!c.shmChecked) attachSharedMemory(x, c, size_t(width) * size_t(height) * 4);
    if (g_trap.lost) return false;
    // Most windows have the screen's default depth and visual, which the
    // connection already knows: the frame goes straight out, and the XSync
    // after it is the only round trip, as for a host's own image. Only a
    // window that refuses it (another depth, or no such window) is asked
    // what it is.
    const int screen = DefaultScreen(d);
    Visual* visual = DefaultVisual(d, screen);
    const int depth = DefaultDepth(d, screen);
    if (visual->c_class == TrueColor && (depth == 24 || depth == 32)) {
        if (!putImage(x, c, window, bits, width, height, visual, depth, width, height, error)) return false;
        if (g_trap.lost) return false;
        if (!g_trap.errorCode) return true;
        g_trap.errorCode = 0;
    }
    Window root = 0;
    int x0 = 0, y0 = 0;
    unsigned windowWidth = 0, windowHeight = 0, border = 0, windowDepth = 0;
    if (!x.XGetGeometry(d, window, &root, &x0, &y0, &windowWidth, &windowHeight, &border, &windowDepth) ||
        g_trap.errorCode) {
        error = windowText(window) + " does not exist";
        return false;
    }
    // Every TrueColor visual of one depth on a server shares its channel
    // masks, so the screen's list gives the window's.
    XVisualInfo info{};
    int windowScreen = 0;
    while (windowScreen < ScreenCount(d) && RootWindow(d, windowScreen) != root) ++windowScreen;
    if ((windowDepth != 24 && windowDepth != 32) || windowScreen == ScreenCount(d) ||
        !x.XMatchVisualInfo(d, windowScreen, int(windowDepth), TrueColor, &info)) {
        error = windowText(window) + " is not a TrueColor window of depth 24 or 32 (depth " +
                std::to_string(windowDepth) + ")";
        return false;
    }
    return putImage(x, c, window, bits, width, height, info.visual, int(windowDepth),
                    int32_t(std::min<unsigned>(windowWidth, unsigned(width))),
                    int32_t(std::min<unsigned>(windowHeight, unsigned(height))), error);
}

}  // namespace

bool presentImage(int32_t windowHandle, const uint8_t* bits, int32_t width, int32_t height, std::string& error) {
    if (windowHandle == 0) return true;  // a host without a window
    Xlib& x = g_session.x;
    Connection& c = g_session.c;
    if (!loadXlib(x, error) || !connect(x, c, error)) return false;
    const Window window = uint32_t(windowHandle);
    bool drawn;
    {
        OwnRequests own(x, c.display);
        drawn = putFrame(x, c, window, bits, width, height, error);
        if (g_trap.lost) {
            error = "Lost the connection to X display \"" + c.name + "\"";
            disconnect(x, c);  // within our handlers: closing a dead connection reports more IO errors
            return false;      // the next call connects again
        }
    }
    if (g_trap.errorCode == BadWindow || g_trap.errorCode == BadDrawable) {
        error = windowText(window) + " does not exist";  // or no longer: destroyed while we drew
        return false;
    }
    if (g_trap.errorCode) {
        char text[160] = "";
        x.XGetErrorText(c.display, g_trap.errorCode, text, sizeof text);
        error = "X11 error " + std::string(text) + " (request " + std::to_string(g_trap.requestCode) +
                ") presenting into " + windowText(window);
        return false;
    }
    return drawn;
}

}  // namespace vl::platform
