#include "host.h"

#include <gtest/gtest.h>

const char* const kExportNames[24] = {
    "vlInit", "vlFree", "vlTest", "vlSetWindowSize", "vlSetRenderMode", "vlSetTextureSize",
    "vlSetPlayerPos", "vlSetPlayerDir", "vlSetPlane", "vlSetFloorCeilTexture", "vlSetMapSize", "vlLoadMap",
    "vlSetFlatWallColor", "vlLoadTexture", "vlAddSprite", "vlSetSpritePos", "vlLoadBitmap",
    "vlRaycastingScreen", "vlDrawColor", "vlDrawRectangle", "vlDrawText", "vlDrawSprite", "vlDrawScreen",
    "vlGetLastError"};

static HMODULE module() {
    static HMODULE m = LoadLibraryA("Velmora.dll");
    return m;
}

FARPROC exportByName(const char* name) {
    HMODULE m = module();
    if (!m) {
        ADD_FAILURE() << "Velmora.dll did not load, error " << GetLastError();
        return nullptr;
    }
    FARPROC f = GetProcAddress(m, name);
    if (!f) ADD_FAILURE() << "missing export " << name;
    return f;
}

Velmora& velmora() {
    static Velmora v = [] {
        Velmora r;
        r.module = module();
#define RESOLVE(name) r.name = reinterpret_cast<decltype(r.name)>(reinterpret_cast<void*>(exportByName(#name)))
        RESOLVE(vlInit); RESOLVE(vlFree); RESOLVE(vlTest); RESOLVE(vlSetWindowSize); RESOLVE(vlSetRenderMode);
        RESOLVE(vlSetTextureSize); RESOLVE(vlSetPlayerPos); RESOLVE(vlSetPlayerDir); RESOLVE(vlSetPlane);
        RESOLVE(vlSetFloorCeilTexture); RESOLVE(vlSetMapSize); RESOLVE(vlLoadMap); RESOLVE(vlSetFlatWallColor);
        RESOLVE(vlLoadTexture); RESOLVE(vlAddSprite); RESOLVE(vlSetSpritePos); RESOLVE(vlLoadBitmap);
        RESOLVE(vlRaycastingScreen); RESOLVE(vlDrawColor); RESOLVE(vlDrawRectangle); RESOLVE(vlDrawText);
        RESOLVE(vlDrawSprite); RESOLVE(vlDrawScreen); RESOLVE(vlGetLastError);
#undef RESOLVE
        return r;
    }();
    return v;
}

static LRESULT CALLBACK windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return 1;  // leave what the library presented alone
    return DefWindowProcA(w, msg, wp, lp);
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND testWindow() {
    static HWND window = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VelmoraTestHost";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
        RECT r{0, 0, 800, 600};
        AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
        HWND w = CreateWindowA("VelmoraTestHost", "Velmora test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               r.right - r.left, r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(w, SW_SHOW);
        UpdateWindow(w);
        for (int i = 0; i < 20; ++i) {
            pumpMessages();
            Sleep(10);
        }
        return w;
    }();
    return window;
}

std::vector<uint32_t> readWindow(HWND window, int width, int height) {
    pumpMessages();
    HDC dc = GetDC(window);
    HDC mem = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> out(size_t(width) * size_t(height));
    const uint8_t* p = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < out.size(); ++i) out[i] = rgb(p[4 * i + 2], p[4 * i + 1], p[4 * i]);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(window, dc);
    return out;
}

std::string tempPath(const std::string& name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}
