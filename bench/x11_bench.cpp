// What presenting costs on Linux: vlDrawScreen into an X11 window against the
// least a host could do itself in the same process, a shared-memory or plain
// XPutImage of the same, already converted image followed by XSync; and
// vlCopyBackBuffer (BGRA, the platform's layout, and RGBA) against a memcpy
// of its 1.92 MB. The library is loaded
// with dlopen as a host does. Each path runs on an Xvfb server of its own
// (one with the shared memory extension, one without), so no display is
// needed and the user's is left alone. Medians of many calls, since the
// machine is shared. Scaled presentation: the 800 x 600 frame fitted into a
// 1920 x 1080 window (mode 2) against a shared-memory put of an image of
// 1920 x 1080 32-bit pixels, the least a host showing that window spends.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host.h"

namespace {

using namespace vl::linuxhost;

constexpr int kCalls = 200;
constexpr int kWidth = 800, kHeight = 600;
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 4;

double median(std::vector<double> ms) {
    std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
    return ms[ms.size() / 2];
}

template <class F>
double timeMs(F&& call) {
    const auto start = std::chrono::steady_clock::now();
    call();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Two calls timed in alternating blocks, so a change in the machine's load
// or the server's state weighs on both alike; medians of kCalls each.
template <class F, class G>
void medianPairMs(F&& first, G&& second, double& firstMs, double& secondMs) {
    for (int i = 0; i < 10; ++i) first(), second();  // warm caches and the server
    std::vector<double> a, b;
    for (int block = 0; block < 10; ++block) {
        for (int i = 0; i < kCalls / 10; ++i) a.push_back(timeMs(first));
        for (int i = 0; i < kCalls / 10; ++i) b.push_back(timeMs(second));
    }
    firstMs = median(a);
    secondMs = median(b);
}

// Something in every part of the back buffer, so nothing is trivially equal.
void paintFrame(const VelmoraApi& api) {
    for (int band = 0; band < 20; ++band) {
        api.vlDrawColor(band * 12, 255 - band * 9, (band * 37) % 256);
        api.vlDrawRectangle(0, band * 30, kWidth, band * 30 + 30);
    }
}

struct Result {
    double drawScreen, hostPut;
    double fitted = 0, hostCopyLarge = 0, hostPutLarge = 0;  // 1920 x 1080, shared memory only
};

// A host's own put of a width x height image already in the window's
// pixels: into shared memory when asked, else with XPutImage; then XSync.
struct HostImage {
    Display* display;
    Window window;
    bool shared;
    int width, height;
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    GC gc;
    HostImage(Display* d, Window w, bool sharedMemory, int wide, int high)
        : display(d), window(w), shared(sharedMemory), width(wide), height(high) {
        XWindowAttributes a;
        XGetWindowAttributes(display, window, &a);
        gc = XCreateGC(display, window, 0, nullptr);
        const size_t bytes = size_t(width) * size_t(height) * 4;
        if (shared) {
            image = XShmCreateImage(display, a.visual, unsigned(a.depth), ZPixmap, nullptr, &segment, unsigned(width),
                                    unsigned(height));
            segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
            segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
            segment.readOnly = True;
            XShmAttach(display, &segment);
            XSync(display, False);
            shmctl(segment.shmid, IPC_RMID, nullptr);
        } else {
            image = XCreateImage(display, a.visual, unsigned(a.depth), ZPixmap, 0, static_cast<char*>(malloc(bytes)),
                                 unsigned(width), unsigned(height), 32, 0);
        }
        for (size_t i = 0; i < bytes; ++i) image->data[i] = char(i * 2654435761u >> 24);
    }
    void put() const {
        if (shared)
            XShmPutImage(display, window, gc, image, 0, 0, 0, 0, unsigned(width), unsigned(height), False);
        else
            XPutImage(display, window, gc, image, 0, 0, 0, 0, unsigned(width), unsigned(height));
        XSync(display, False);
    }
};

// vlDrawScreen, then the host's own put of the same image, on one server.
bool measure(bool sharedMemory, Result& result) {
    Server server(sharedMemory ? std::vector<std::string>{"-screen", "0", "1920x1080x24"}
                               : std::vector<std::string>{"-extension", "MIT-SHM", "-screen", "0", "1920x1080x24"});
    if (server.display().empty()) {
        std::fprintf(stderr, "x11_bench: Xvfb did not start\n");
        return false;
    }
    DisplayVariable variable(server.display());
    Display* display = XOpenDisplay(nullptr);
    VelmoraApi api;
    std::string error;
    if (!display || !loadFreshCopy(VL_LIBRARY_PATH, api, error)) {
        std::fprintf(stderr, "x11_bench: %s\n", display ? error.c_str() : "cannot open the display");
        return false;
    }
    const Window window = makeWindow(display);
    api.vlInit(double(window));
    paintFrame(api);
    if (api.vlDrawScreen() != 1.0) {
        std::fprintf(stderr, "x11_bench: vlDrawScreen failed: %s\n", api.vlGetLastError());
        return false;
    }

    // The same image, converted once, as the server's 32-bit pixels.
    HostImage host(display, window, sharedMemory, kWidth, kHeight);
    api.vlCopyBackBuffer(host.image->data, 1);
    medianPairMs([&] { api.vlDrawScreen(); }, [&] { host.put(); }, result.drawScreen, result.hostPut);

    if (sharedMemory) {
        const Window large = makeWindow(display, 0, false, 1920, 1080);
        api.vlSetWindow(double(large));
        api.vlSetPresentation(2);
        if (api.vlDrawScreen() != 1.0) {
            std::fprintf(stderr, "x11_bench: vlDrawScreen into 1920x1080 failed: %s\n", api.vlGetLastError());
            return false;
        }
        // A host showing a 1920 x 1080 frame of its own writes it into the
        // image (here a copy of a frame made before) and puts it; the image
        // alone put again and again stays in the processor's cache, which no
        // new frame does, so both are timed.
        HostImage plainLarge(display, large, true, 1920, 1080);
        const std::vector<char> frame(plainLarge.image->data, plainLarge.image->data + size_t(1920) * 1080 * 4);
        const auto copyAndPut = [&] {
            std::memcpy(plainLarge.image->data, frame.data(), frame.size());
            plainLarge.put();
        };
        medianPairMs([&] { api.vlDrawScreen(); }, copyAndPut, result.fitted, result.hostCopyLarge);
        double again = 0;
        medianPairMs([&] { api.vlDrawScreen(); }, [&] { plainLarge.put(); }, again, result.hostPutLarge);
    }
    return true;  // the server stops here; the process ends soon, the connections and images go with it
}

}  // namespace

int main() {
    Result shm{}, plain{};
    if (!measure(true, shm) || !measure(false, plain)) return 1;

    VelmoraApi api;
    std::string error;
    if (!loadFreshCopy(VL_LIBRARY_PATH, api, error)) {
        std::fprintf(stderr, "x11_bench: %s\n", error.c_str());
        return 1;
    }
    api.vlInit(0);
    paintFrame(api);
    std::vector<uint8_t> source(kFrameBytes, 1), destination(kFrameBytes);
    double copy = 0, memcpyMs = 0, copyRgba = 0, memcpyAgain = 0;
    const auto plainCopy = [&] {
        std::memcpy(destination.data(), source.data(), kFrameBytes);
        asm volatile("" : : "r"(destination.data()) : "memory");  // the copy is not optimised away
    };
    medianPairMs([&] { api.vlCopyBackBuffer(destination.data(), 0); }, plainCopy, copyRgba, memcpyAgain);
    medianPairMs([&] { api.vlCopyBackBuffer(destination.data(), 1); }, plainCopy, copy, memcpyMs);

    std::printf("median of %d calls, ms            library    by hand    ratio\n", kCalls);
    const auto row = [](const char* name, double library, double byHand) {
        std::printf("%-32s %10.4f %10.4f %8.2f\n", name, library, byHand, library / byHand);
    };
    row("present, shared memory", shm.drawScreen, shm.hostPut);
    row("present, XPutImage", plain.drawScreen, plain.hostPut);
    row("fit 800x600 into 1920x1080", shm.fitted, shm.hostCopyLarge);
    row("... against an unchanged image", shm.fitted, shm.hostPutLarge);
    row("copy out 1.92 MB (BGRA)", copy, memcpyMs);
    row("copy out 1.92 MB (RGBA)", copyRgba, memcpyAgain);
    std::printf("(library: vlDrawScreen, vlCopyBackBuffer; by hand: XShmPutImage or XPutImage of the converted\n"
                " image and XSync, for the fitted frame a copy of 1920x1080 32-bit pixels into the image first;\n"
                " memcpy)\n");
    // For the table of `make bench`: the library's figure against the plain
    // one of the same row.
    const auto result = [](const char* name, double ms) { std::printf("RESULT linux|%s|-|%.4f\n", name, ms); };
    result("vlDrawScreen 800x600", shm.drawScreen);
    result("XShmPutImage 800x600", shm.hostPut);
    result("vlDrawScreen 800x600, XPutImage", plain.drawScreen);
    result("XPutImage 800x600", plain.hostPut);
    result("vlDrawScreen fit into 1920x1080", shm.fitted);
    result("plain copy 1920x1080", shm.hostCopyLarge);
    result("put of an unchanged 1920x1080", shm.hostPutLarge);
    result("vlCopyBackBuffer", copy);
    result("vlCopyBackBuffer RGBA", copyRgba);
    result("memcpy 1.92 MB", memcpyMs);
    return 0;
}
