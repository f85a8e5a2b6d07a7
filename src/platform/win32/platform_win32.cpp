// Windows: presentation through GDI, system colours and dpi from USER/GDI,
// files through the Win32 API so messages and sharing match the system's.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

#include "platform/platform.h"

namespace vl::platform {

void presentImage(int32_t windowHandle, const uint8_t* bits, int32_t width, int32_t height) {
    HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(windowHandle));
    HDC dc = GetDC(window);
    if (!dc) return;  // no such window: nothing receives the image
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: rows bottom-up, as stored
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    // Palette displays get the system's halftone reduction instead of
    // nearest-colour banding.
    if (GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) <= 8) {
        POINT origin;
        GetBrushOrgEx(dc, &origin);
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
    }
    StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, bits, &info, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(window, dc);
}

uint32_t systemColour(int index) { return GetSysColor(index); }

int screenDotsPerInch() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

bool readFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, uint32_t& errorCode) {
    out.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errorCode = GetLastError();
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        errorCode = GetLastError();
        CloseHandle(file);
        return false;
    }
    const size_t want = size_t(std::min<unsigned long long>(size.QuadPart, maxBytes));
    out.resize(want);
    size_t done = 0;
    while (done < want) {
        DWORD got = 0;
        const DWORD ask = DWORD(std::min<size_t>(want - done, 1u << 20));
        if (!ReadFile(file, out.data() + done, ask, &got, nullptr)) {
            errorCode = GetLastError();
            CloseHandle(file);
            out.clear();
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    out.resize(done);
    CloseHandle(file);
    return true;
}

bool fileExists(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string fullPath(const std::string& path) {
    char buffer[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer) return path;
    return std::string(buffer, n);
}

std::string errorText(uint32_t code) {
    char buffer[1024];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                   buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '.' || static_cast<unsigned char>(text.back()) <= ' ')) text.pop_back();
    return text;
}

}  // namespace vl::platform
