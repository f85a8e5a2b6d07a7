#pragma once
// What the stand-in libXext.so.6 (counting_xext.cpp) counted, process-wide.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

extern "C" {
struct XextCounts {
    int attaches = 0;  // XShmAttach calls, refused ones too
    int puts = 0;      // XShmPutImage calls
};
extern XextCounts vlXextCounts;
// While set, every attach names a segment that does not exist, so the server
// refuses it.
extern bool vlXextRefuseAttach;
}
