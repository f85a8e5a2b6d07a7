// Presentation into X11 windows. libX11, and libXext for shared memory, are
// loaded at the first present into a window and never linked, so a host
// without X11 still loads the library and uses everything else. The
// connection to the display named by DISPLAY is opened then and kept. Of the
// window only the last answer about its size and visual is kept: each call
// puts the frame with what is known and then asks the window's geometry,
// whose reply also tells that the server has drawn the frame; when the
// window has changed since, the frame is put again at its new size. An area
// shown at its own size goes out straight from the back buffer, which lives
// in a shared-memory segment of ours once the server has shown it attaches
// one: the server's copy is then the only one.
#include <dlfcn.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/socket.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
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
    X(XMatchVisualInfo) X(XCreateGC) X(XFreeGC) X(XCreateImage) X(XPutImage) X(XSync) X(XGetErrorText)   \
    X(XSetForeground) X(XFillRectangles)
#define VL_XEXT_FUNCTIONS(X) X(XShmQueryExtension) X(XShmCreateImage) X(XShmAttach) X(XShmDetach) X(XShmPutImage)

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
    bool shmChecked = false;       // whether the server attaches our memory is asked once
    bool shmUsable = false;
    XShmSegmentInfo frame{};       // the back buffer's segment as this connection attached it
    bool frameAttached = false, frameRefused = false;
    XShmSegmentInfo segment{};     // scaled frames; shmaddr null: no shared memory, XPutImage from `pixels`
    size_t segmentBytes = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t> bgra;     // the frame before repacking, for servers of other layouts
    ScaleCache scale;
};

// The last reply about the window presented into; the size is INT32_MAX
// until one came.
struct KnownWindow {
    Window id = 0;
    int32_t width = INT32_MAX, height = INT32_MAX;
    int depth = 0;
    Visual* visual = nullptr;
};

// The segment lent to the engine for its back buffer. The engine holds it;
// it is detached from our side when the engine lets it go, and from the
// server's when the connection closes or a new one replaces it.
struct FrameSegment {
    std::weak_ptr<PixelBlock> block;
    int shmid = -1;
    bool failed = false;  // no segment could be made: not asked again
};

// The library's X state. Unloading the library closes the connection, so a
// host that loads and unloads it repeatedly does not run out of connections.
struct Session {
    Xlib x;
    Connection c;
    KnownWindow known;
    FrameSegment frame;
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
        // The host's handlers of the last call are kept until replaced: a
        // thread of the host may enter ours just after that call put them
        // back, or before this one has learned them.
        g_trap = Trap{display, 0, 0, false, g_trap.hostHandler, g_trap.hostIoHandler};
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
    g_session.known = KnownWindow{};  // its visual belonged to the connection
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

// Whether the server attaches memory of ours: asked once per connection.
bool shmUsable(const Xlib& x, Connection& c) {
    if (!c.shmChecked) {
        c.shmChecked = true;
        c.shmUsable = x.hasShm && isLocal(c.display) && x.XShmQueryExtension(c.display);
    }
    return c.shmUsable;
}

// The server attaches the back buffer's segment on the connection's first
// frame from it. A refusal (another user's server, another IPC namespace)
// sends this connection's frames with XPutImage from the same memory.
bool attachFrame(const Xlib& x, Connection& c, const FrameSegment& f, const PixelBlock& block) {
    if (c.frameAttached) return true;
    if (c.frameRefused || !shmUsable(x, c)) return false;
    c.frame = XShmSegmentInfo{};
    c.frame.shmid = f.shmid;
    c.frame.shmaddr = reinterpret_cast<char*>(block.bits);
    c.frame.readOnly = True;
    const int errorsBefore = g_trap.errorCode;
    x.XShmAttach(c.display, &c.frame);
    x.XSync(c.display, False);
    if (g_trap.errorCode != errorsBefore || g_trap.lost) {
        g_trap.errorCode = errorsBefore;  // not the host's concern: frames go another way
        c.frameRefused = true;
        return false;
    }
    c.frameAttached = true;
    return true;
}

// One segment per connection for scaled frames, grown with the largest and
// reused. When the server cannot attach it (another machine, another IPC
// namespace), frames go through XPutImage instead. Growing costs a round
// trip, once per new largest size.
bool sharedMemoryFor(const Xlib& x, Connection& c, size_t bytes) {
    if (c.segmentBytes >= bytes) return true;
    if (!shmUsable(x, c)) return false;
    if (c.segment.shmaddr) {
        x.XShmDetach(c.display, &c.segment);
        x.XSync(c.display, False);
        shmdt(c.segment.shmaddr);
        c.segment = XShmSegmentInfo{};
        c.segmentBytes = 0;
    }
    bytes = (bytes + (size_t(4) << 20) - 1) & ~((size_t(4) << 20) - 1);  // whole 4 MiB: a window dragged larger
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) return false;
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    XShmSegmentInfo segment{};
    segment.shmid = id;
    segment.shmaddr = static_cast<char*>(address);
    segment.readOnly = True;  // the server only reads frames
    c.segment = segment;
    const int errorsBefore = g_trap.errorCode;
    x.XShmAttach(c.display, &c.segment);
    x.XSync(c.display, False);
    // Marked for removal now that both sides are attached: the system frees
    // it when the last one detaches, however the process ends.
    shmctl(id, IPC_RMID, nullptr);
    if (g_trap.errorCode != errorsBefore || g_trap.lost) {
        shmdt(address);
        c.segment = XShmSegmentInfo{};
        c.shmUsable = false;
        g_trap.errorCode = errorsBefore;  // not the host's concern: frames go another way
        return false;
    }
    c.segmentBytes = bytes;
    return true;
}

std::string windowText(Window window) {
    char text[64];
    std::snprintf(text, sizeof text, "X11 window 0x%lx", window);
    return text;
}

// An area shown at its own size, straight from the back buffer: from its
// segment with XShmPutImage where the server attached it, else with
// XPutImage from the same memory. False, with nothing sent, when the
// window's pixels are not the frame's bytes (the caller then converts).
bool putStraight(const Xlib& x, Connection& c, Window window, const PresentSource& source, const ScreenRect& shown,
                 const KnownWindow& known, GC gc) {
    Display* d = c.display;
    const FrameSegment& f = g_session.frame;
    const std::shared_ptr<PixelBlock> block = f.block.lock();
    const size_t bytes = size_t(source.width) * size_t(source.height) * 4;
    const bool inSegment = block && source.bits == block->bits && bytes <= block->bytes;
    const bool shm = inSegment && attachFrame(x, c, f, *block);
    const unsigned width = unsigned(source.width), height = unsigned(source.height);
    XImage* image = shm ? x.XShmCreateImage(d, known.visual, unsigned(known.depth), ZPixmap, nullptr, &c.frame, width,
                                            height)
                        : x.XCreateImage(d, known.visual, unsigned(known.depth), ZPixmap, 0, nullptr, width, height,
                                         32, 0);
    if (!image) return false;
    const X11PixelLayout layout{uint32_t(image->red_mask), uint32_t(image->green_mask), uint32_t(image->blue_mask),
                                image->bits_per_pixel, image->byte_order == MSBFirst};
    const bool same = isBgra(layout) && size_t(image->bytes_per_line) == size_t(source.width) * 4;
    if (same) {
        // Only read: Xlib's image type has no const.
        image->data = const_cast<char*>(reinterpret_cast<const char*>(source.bits));
        if (shm)
            x.XShmPutImage(d, window, gc, image, source.left, source.top, shown.x, shown.y, unsigned(shown.w),
                           unsigned(shown.h), False);
        else
            x.XPutImage(d, window, gc, image, source.left, source.top, shown.x, shown.y, unsigned(shown.w),
                        unsigned(shown.h));
    }
    image->data = nullptr;  // the memory is the engine's, not the image's
    image->obdata = nullptr;
    XDestroyImage(image);
    return same;
}

// The area's image at its destination size into the window at its place.
bool putArea(const Xlib& x, Connection& c, Window window, const PresentSource& source, const Placement& p,
             const ScreenRect& shown, const KnownWindow& known, GC gc, std::string& error) {
    Display* d = c.display;
    const size_t bytes = size_t(shown.w) * size_t(shown.h) * 4;
    const bool shm = sharedMemoryFor(x, c, bytes);
    XImage* image = shm ? x.XShmCreateImage(d, known.visual, unsigned(known.depth), ZPixmap, nullptr, &c.segment,
                                            unsigned(shown.w), unsigned(shown.h))
                        : x.XCreateImage(d, known.visual, unsigned(known.depth), ZPixmap, 0, nullptr,
                                         unsigned(shown.w), unsigned(shown.h), 32, 0);
    if (!image) {
        error = "Cannot make an X image for " + windowText(window);
        return false;
    }
    const size_t stride = size_t(image->bytes_per_line);
    const bool fits = (image->bits_per_pixel == 24 || image->bits_per_pixel == 32) && stride * size_t(shown.h) <= bytes;
    if (fits) {
        if (!shm && c.pixels.size() < bytes) c.pixels.resize(bytes);
        uint8_t* memory = shm ? reinterpret_cast<uint8_t*>(c.segment.shmaddr) : c.pixels.data();
        image->data = reinterpret_cast<char*>(memory);
        const X11PixelLayout layout{uint32_t(image->red_mask), uint32_t(image->green_mask),
                                    uint32_t(image->blue_mask), image->bits_per_pixel, image->byte_order == MSBFirst};
        if (isBgra(layout)) {
            drawArea(source, p, memory, stride, Layout32::BGRA, c.scale);
        } else {
            if (c.bgra.size() < bytes) c.bgra.resize(bytes);
            drawArea(source, p, c.bgra.data(), size_t(shown.w) * 4, Layout32::BGRA, c.scale);
            packForX11(c.bgra.data(), size_t(shown.w) * 4, shown.w, shown.h, memory, stride, layout);
        }
        if (shm)
            x.XShmPutImage(d, window, gc, image, 0, 0, shown.x, shown.y, unsigned(shown.w), unsigned(shown.h), False);
        else
            x.XPutImage(d, window, gc, image, 0, 0, shown.x, shown.y, unsigned(shown.w), unsigned(shown.h));
    } else {
        error = windowText(window) + " needs " + std::to_string(image->bits_per_pixel) +
                " bits a pixel, which the frame cannot be drawn in";
    }
    image->data = nullptr;  // the memory is the connection's, not the image's
    image->obdata = nullptr;
    XDestroyImage(image);
    return fits;
}

// Draws the frame for a window of what `known` says and sends it with its
// bars, without waiting for the server. False with `error` when the visual's
// pixels are not ones the frame can be drawn in; protocol errors arrive in
// g_trap.
bool putImage(const Xlib& x, Connection& c, Window window, const PresentSource& source, const KnownWindow& known,
              std::string& error) {
    Display* d = c.display;
    // The actual size needs no client size: the window clips, so one grown
    // since the last reply still gets the whole area.
    const bool actual = source.mode == kPresentActual;
    const Placement p = placeArea(source, actual ? INT32_MAX : known.width, actual ? INT32_MAX : known.height);
    if (p.width <= 0 || p.height <= 0) return true;
    const ScreenRect shown = shownRect(p);
    ScreenRect bars[4];
    const int barCount = barsOf(p, bars);
    GC gc = x.XCreateGC(d, window, 0, nullptr);
    if (barCount) {
        // The bars are filled by the server: cheaper than sending black
        // pixels. Bits outside the visual's channels (alpha) are set, as in
        // the frame, so 32-bit windows show them opaque.
        const unsigned long depthBits = known.depth >= 32 ? 0xFFFFFFFFul : (1ul << known.depth) - 1;
        x.XSetForeground(d, gc, ~(known.visual->red_mask | known.visual->green_mask | known.visual->blue_mask) &
                                    depthBits);
        XRectangle rects[4];
        for (int i = 0; i < barCount; ++i)
            rects[i] = XRectangle{short(bars[i].x), short(bars[i].y), static_cast<unsigned short>(bars[i].w),
                                  static_cast<unsigned short>(bars[i].h)};
        x.XFillRectangles(d, window, gc, rects, barCount);
    }
    bool drawn = true;
    const bool unscaled = p.w == source.right - source.left && p.h == source.bottom - source.top;
    if (shown.w > 0 && shown.h > 0 && !(unscaled && putStraight(x, c, window, source, shown, known, gc)))
        drawn = putArea(x, c, window, source, p, shown, known, gc, error);
    x.XFreeGC(d, gc);
    return drawn;
}

// The window's size, depth and visual from the server: the one round trip
// of a call. False with `error` when there is no such window or it cannot
// show the frame. Errors of requests sent before it arrive with the reply.
bool askWindow(const Xlib& x, Display* d, Window window, KnownWindow& known, std::string& error) {
    Window root = 0;
    int x0 = 0, y0 = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (!x.XGetGeometry(d, window, &root, &x0, &y0, &width, &height, &border, &depth)) {
        error = windowText(window) + " does not exist";
        return false;
    }
    // Every TrueColor visual of one depth on a server shares its channel
    // masks, so the screen's list gives the window's.
    XVisualInfo info{};
    int screen = 0;
    while (screen < ScreenCount(d) && RootWindow(d, screen) != root) ++screen;
    if ((depth != 24 && depth != 32) || screen == ScreenCount(d) ||
        !x.XMatchVisualInfo(d, screen, int(depth), TrueColor, &info)) {
        g_trap.errorCode = 0;  // what the put was refused for, said better here
        error = windowText(window) + " is not a TrueColor window of depth 24 or 32 (depth " +
                std::to_string(depth) + ")";
        return false;
    }
    known = KnownWindow{window, int32_t(width), int32_t(height), int(depth), info.visual};
    return true;
}

// Our requests for one frame; their protocol errors arrive in g_trap.
bool putFrame(const Xlib& x, Connection& c, KnownWindow& known, Window window, const PresentSource& source,
              std::string& error) {
    Display* d = c.display;
    if (known.id != window) known = KnownWindow{};
    // Most windows have the screen's default depth and visual, which the
    // connection already knows: a frame of the actual size goes out before
    // anything is asked about a new window.
    const int screen = DefaultScreen(d);
    Visual* visual = DefaultVisual(d, screen);
    const int depth = DefaultDepth(d, screen);
    KnownWindow sent = known;
    if (!known.id && source.mode == kPresentActual && visual->c_class == TrueColor && (depth == 24 || depth == 32))
        sent = KnownWindow{window, INT32_MAX, INT32_MAX, depth, visual};
    if (sent.id) {
        if (!putImage(x, c, window, source, sent, error)) return false;
        if (g_trap.lost) return false;
    }
    // The geometry's reply comes after the server has drawn what was sent,
    // so it is the call's wait for the server too.
    if (!askWindow(x, d, window, known, error)) return false;
    // The put's errors arrive with the reply; the window is now known, so a
    // refusal is answered by putting the frame as the window wants it.
    const bool refused = g_trap.errorCode != 0;
    g_trap.errorCode = 0;
    const bool sameSize = source.mode == kPresentActual || (sent.width == known.width && sent.height == known.height);
    if (sent.id && !refused && sent.depth == known.depth && sameSize) return true;
    // A new window, a resized one, or one that refused the default visual:
    // the frame again, as the window is now.
    if (!putImage(x, c, window, source, known, error)) return false;
    x.XSync(d, False);
    return true;
}

}  // namespace

bool presentImage(int32_t windowHandle, const PresentSource& source, std::string& error) {
    if (windowHandle == 0) return true;  // a host without a window
    Xlib& x = g_session.x;
    Connection& c = g_session.c;
    if (!loadXlib(x, error) || !connect(x, c, error)) return false;
    const Window window = uint32_t(windowHandle);
    bool drawn;
    {
        OwnRequests own(x, c.display);
        drawn = putFrame(x, c, g_session.known, window, source, error);
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

std::shared_ptr<PixelBlock> presentableMemory(size_t bytes) {
    Session& s = g_session;
    Connection& c = s.c;
    // Asked once a present has connected; a segment the engine still holds
    // is not made twice.
    if (!c.display || s.frame.failed || !s.frame.block.expired()) return nullptr;
    OwnRequests own(s.x, c.display);
    if (c.frameAttached) {
        // The engine let the last one go: the server lets go of it too.
        s.x.XShmDetach(c.display, &c.frame);
        c.frameAttached = false;
    }
    if (!shmUsable(s.x, c) || c.frameRefused) return nullptr;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    void* address = id < 0 ? reinterpret_cast<void*>(-1) : shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        if (id >= 0) shmctl(id, IPC_RMID, nullptr);
        s.frame.failed = true;
        return nullptr;
    }
    s.frame.shmid = id;
    const PixelBlock block{static_cast<uint8_t*>(address), bytes};
    const bool attached = attachFrame(s.x, c, s.frame, block);
    // Marked for removal once both sides are attached: the system frees it
    // when the last one detaches, however the process ends.
    shmctl(id, IPC_RMID, nullptr);
    if (g_trap.lost) disconnect(s.x, c);  // within our handlers, as in a present
    if (!attached) {
        // Frames keep going with XPutImage; nothing is tried again.
        shmdt(address);
        c.shmUsable = false;
        return nullptr;
    }
    const std::shared_ptr<PixelBlock> lent(new PixelBlock(block), [](PixelBlock* b) {
        shmdt(b->bits);
        delete b;
    });
    s.frame.block = lent;
    return lent;
}

void forgetWindow() { g_session.known = KnownWindow{}; }

}  // namespace vl::platform
