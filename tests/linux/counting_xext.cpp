// A stand-in libXext.so.6 for the host tests: it forwards the shared memory
// calls to the real library and counts them, so a test sees whether
// libvelmora.so used shared memory at all, even where the server refused it.
// It can also make the server refuse an attach. The test program links it, so
// it is loaded first, and the library's dlopen("libXext.so.6") gets it by its
// soname.
#include "counting_xext.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {

void* realSymbol(const char* name) {
    static void* real = dlopen(VL_REAL_XEXT, RTLD_NOW | RTLD_LOCAL);
    void* symbol = real ? dlsym(real, name) : nullptr;
    if (!symbol) {
        std::fprintf(stderr, "counting libXext: no %s in %s\n", name, VL_REAL_XEXT);
        std::abort();
    }
    return symbol;
}

}  // namespace

extern "C" {

XextCounts vlXextCounts;
bool vlXextRefuseAttach = false;

#define VL_REAL(name) static const auto real = reinterpret_cast<decltype(&::name)>(realSymbol(#name))

Bool XShmQueryExtension(Display* d) {
    VL_REAL(XShmQueryExtension);
    return real(d);
}
Bool XShmQueryVersion(Display* d, int* major, int* minor, Bool* pixmaps) {
    VL_REAL(XShmQueryVersion);
    return real(d, major, minor, pixmaps);
}
int XShmGetEventBase(Display* d) {
    VL_REAL(XShmGetEventBase);
    return real(d);
}
int XShmPixmapFormat(Display* d) {
    VL_REAL(XShmPixmapFormat);
    return real(d);
}
XImage* XShmCreateImage(Display* d, Visual* v, unsigned depth, int format, char* data, XShmSegmentInfo* s,
                        unsigned width, unsigned height) {
    VL_REAL(XShmCreateImage);
    return real(d, v, depth, format, data, s, width, height);
}
Bool XShmAttach(Display* d, XShmSegmentInfo* s) {
    VL_REAL(XShmAttach);
    ++vlXextCounts.attaches;
    if (!vlXextRefuseAttach) return real(d, s);
    // No segment has this id: the server answers the attach with an error,
    // as one that cannot reach our memory does.
    const int id = s->shmid;
    s->shmid = -1;
    const Bool sent = real(d, s);
    s->shmid = id;
    return sent;
}
Bool XShmDetach(Display* d, XShmSegmentInfo* s) {
    VL_REAL(XShmDetach);
    return real(d, s);
}
Bool XShmPutImage(Display* d, Drawable w, GC gc, XImage* image, int sx, int sy, int dx, int dy, unsigned width,
                  unsigned height, Bool event) {
    VL_REAL(XShmPutImage);
    ++vlXextCounts.puts;
    return real(d, w, gc, image, sx, sy, dx, dy, width, height, event);
}
Bool XShmGetImage(Display* d, Drawable w, XImage* image, int x, int y, unsigned long planes) {
    VL_REAL(XShmGetImage);
    return real(d, w, image, x, y, planes);
}
Pixmap XShmCreatePixmap(Display* d, Drawable w, char* data, XShmSegmentInfo* s, unsigned width, unsigned height,
                        unsigned depth) {
    VL_REAL(XShmCreatePixmap);
    return real(d, w, data, s, width, height, depth);
}

}  // extern "C"
