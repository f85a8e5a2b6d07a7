#pragma once
// A host window for the programs that drive Velmora.dll under wine (the DLL
// tests and the DLL benchmark): an 800 x 600 client area whose pixels can be
// read back after vlDrawScreen.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <vector>

namespace vl::host {

// A visible top-level window with an 800 x 600 client area that never erases
// its background, so it shows exactly what the library presented.
HWND makeWindow(const char* title);
void pumpMessages();
// A borderless window at the screen's top-left whose client area is the
// whole window, so that it can take any size, 0 x 0 too; resized by
// resizeWindow.
HWND makeBorderlessWindow(int width, int height);
void resizeWindow(HWND window, int width, int height);
// Paints the whole client area in one colour (0x00BBGGRR).
void paintWindow(HWND window, uint32_t colour);
// The client area as 0x00BBGGRR values, top row first, read with BitBlt.
std::vector<uint32_t> readWindow(HWND window, int width = 800, int height = 600);

}  // namespace vl::host
