#pragma once
// The only seam between the library and the operating system. Each backend
// (win32/, posix/) implements all of these; exactly one is compiled in. The
// browser build takes posix/'s files and web/'s presentation. The names say
// what the engine needs, not which OS call provides it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/pixel_store.h"
#include "base/present_scale.h"

namespace vl::platform {

// Shows the source's area in a window: asks the client area's size, places
// and draws the image with placeArea and drawPlaced, and puts it 1:1 at the
// client area's top-left corner. On Windows the handle is an HWND (0: the
// whole screen) and a handle naming no window shows nothing. On Linux it is
// an X11 window id; 0 presents nothing. A client area of 0 x 0 shows
// nothing. False, with a message in `error`, when the window or its display
// cannot be reached.
bool presentImage(int32_t windowHandle, const PresentSource& source, std::string& error);

// Memory for the back buffer's pixels that presenting reads as it is, with no
// copy of ours: on X11 a shared-memory segment that the display server
// attaches. Null where the platform has none to give (or presenting gains
// nothing from it); vlDrawScreen asks after each present until the back
// buffer lives in such a block, so a platform answers "no" cheaply.
std::shared_ptr<PixelBlock> presentableMemory(size_t bytes);

// Drops what presenting kept about the window (its size, visual, device
// context): the next present asks again. For a host that changes windows.
void forgetWindow();

// One line of 8-bit text rasterised by the system's own font engine: a mask
// of width x height bytes (row-major, top row first), non-zero where a glyph
// pixel is. The height is the font's cell height.
struct TextMask {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bits;
};
// False when the platform has no system font; the caller then draws with the
// built-in one. Font objects are made once per distinct face, height and weight.
bool rasteriseText(const std::string& face, int32_t height, int32_t weight, const std::string& text,
                   TextMask& mask);

// A system colour (GetSysColor index) as 0x00BBGGRR, looked up now.
uint32_t systemColour(int index);

// The screen's vertical dots per inch, read once.
int screenDotsPerInch();

// Reads at most maxBytes of a file opened for reading with others allowed to
// read but not write. On failure returns false with the platform's error code.
bool readFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, uint32_t& errorCode);

// True when path names an existing file that is not a directory.
bool fileExists(const std::string& path);

// The absolute form of a path, as the platform resolves it.
std::string fullPath(const std::string& path);

// The platform's message for an error code, without trailing spaces or dots.
std::string errorText(uint32_t code);

// True when `bytes` bytes at `address` lie in memory the library may write
// for the host. Only the browser can tell: its module's memory is one bounded
// array, and a write past its end stops the module for good. Elsewhere the
// host's pointer is trusted, as any C library trusts it.
bool hostMemoryHolds(const void* address, size_t bytes);

}  // namespace vl::platform
