#include "window.h"

namespace vl::host {

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

static const char* windowClass() {
    static const char* const kClass = "VelmoraHostWindow";
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClass;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);  // fails harmlessly when already registered
    return kClass;
}

HWND makeWindow(const char* title) {
    RECT r{0, 0, 800, 600};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    HWND w = CreateWindowA(windowClass(), title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, r.right - r.left,
                           r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
    for (int i = 0; i < 20; ++i) {
        pumpMessages();
        Sleep(10);
    }
    return w;
}

HWND makeBorderlessWindow(int width, int height) {
    HWND w = CreateWindowA(windowClass(), "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    for (int i = 0; i < 10; ++i) {
        pumpMessages();
        Sleep(10);
    }
    return w;
}

void resizeWindow(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pumpMessages();
}

void paintWindow(HWND window, uint32_t colour) {
    HDC dc = GetDC(window);
    RECT r;
    GetClientRect(window, &r);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    GdiFlush();
    ReleaseDC(window, dc);
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
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = uint32_t(p[4 * i + 2]) | (uint32_t(p[4 * i + 1]) << 8) | (uint32_t(p[4 * i]) << 16);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(window, dc);
    return out;
}

}  // namespace vl::host
