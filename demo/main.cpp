// The Velmora demo: a Windows host that loads Velmora.dll by name, resolves
// every export with GetProcAddress and walks through the sample world in a
// window of its own. See --help for the scripted options.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host_common.h"
#include "scene.h"

namespace {

std::string programDirectory() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    const size_t slash = dir.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

// Loads the DLL the way any host would: by name, every export by name.
bool loadVelmora(VelmoraApi& api, std::string& error) {
    HMODULE module = LoadLibraryA("Velmora.dll");
    if (!module) {
        error = "cannot load Velmora.dll (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
#define VL_RESOLVE(name)                                                                              \
    api.name = reinterpret_cast<decltype(api.name)>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
    if (!api.name) {                                                                                  \
        error = "Velmora.dll has no export " #name;                                                   \
        return false;                                                                                 \
    }
    VELMORA_EXPORTS(VL_RESOLVE)
#undef VL_RESOLVE
    return true;
}

// ------------------------------------------------------------------ window

struct Input {
    bool down[256] = {};
    bool quit = false;
    int modeRequest = 0;
    bool toggleMinimap = false;
    bool toggleFog = false;
    int lookSteps = 0;
    bool levelView = false;
};
Input g_input;
bool g_presentable = false;  // vlInit has run, so WM_PAINT may present
const VelmoraApi* g_api = nullptr;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_KEYDOWN:
        g_input.down[wp & 0xFF] = true;
        if (wp == VK_PRIOR) ++g_input.lookSteps;  // repeats too: holding the key keeps tilting
        if (wp == VK_NEXT) --g_input.lookSteps;
        if (!(lp & (1 << 30))) {  // the first press, not a repeat
            if (wp == VK_ESCAPE) g_input.quit = true;
            if (wp == '1') g_input.modeRequest = 1;
            if (wp == '2') g_input.modeRequest = 2;
            if (wp == 'M') g_input.toggleMinimap = true;
            if (wp == 'F') g_input.toggleFog = true;
            if (wp == VK_HOME) g_input.levelView = true;
        }
        return 0;
    case WM_KEYUP:
        g_input.down[wp & 0xFF] = false;
        return 0;
    case WM_KILLFOCUS:
        std::memset(g_input.down, 0, sizeof g_input.down);
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the library paints the whole client area
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        if (g_presentable) g_api->vlDrawScreen();
        return 0;
    }
    case WM_CLOSE:
        g_input.quit = true;
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

HWND createWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "VelmoraDemo";
    RegisterClassA(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT r{0, 0, demo::kViewWidth, demo::kViewHeight};
    AdjustWindowRect(&r, style, FALSE);
    HWND w = CreateWindowA("VelmoraDemo", "Velmora demo", style | WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    if (w) {
        ShowWindow(w, SW_SHOW);
        UpdateWindow(w);
    }
    return w;
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// The client area as presented, 0x00BBGGRR per pixel, rows from the top.
std::vector<uint32_t> readWindow(HWND window) {
    const int w = demo::kViewWidth, h = demo::kViewHeight;
    HDC dc = GetDC(window);
    HDC mem = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint32_t(p[4 * i + 2]) | uint32_t(p[4 * i + 1]) << 8 | uint32_t(p[4 * i]) << 16;
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(window, dc);
    return pixels;
}

// ------------------------------------------------------------------ timing

// The keys since the last frame, and the steering keys held now: arrows or
// WASD forward, back and turn, Q and E sideways; Page Up, Page Down and Home
// tilt the view.
demo::FrameInput pollInput() {
    pumpMessages();
    const bool* k = g_input.down;
    demo::FrameInput in;
    in.quit = g_input.quit;
    in.modeRequest = g_input.modeRequest;
    in.toggleMinimap = g_input.toggleMinimap;
    in.forward = (k[VK_UP] || k['W'] ? 1 : 0) - (k[VK_DOWN] || k['S'] ? 1 : 0);
    in.right = (k[VK_RIGHT] || k['D'] ? 1 : 0) - (k[VK_LEFT] || k['A'] ? 1 : 0);
    in.side = (k['E'] ? 1 : 0) - (k['Q'] ? 1 : 0);
    in.toggleFog = g_input.toggleFog;
    in.lookSteps = g_input.lookSteps;
    in.levelView = g_input.levelView;
    g_input.modeRequest = 0;
    g_input.toggleMinimap = false;
    g_input.toggleFog = false;
    g_input.lookSteps = 0;
    g_input.levelView = false;
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
    g_api = &api;
    HWND window = createWindow();
    if (!window) {
        std::fprintf(stderr, "velmora_demo: cannot create the window\n");
        return 1;
    }
    pumpMessages();

    api.vlInit(double(uintptr_t(window)));
    g_presentable = true;
    const std::string assets = options.assets.empty() ? programDirectory() + "\\assets" : options.assets;
    const int status = demo::runDemo(api, options, assets, {pollInput, [window] { return readWindow(window); }, {}});
    g_presentable = false;
    DestroyWindow(window);
    return status;
}
