// Windows: presentation through GDI, system colours and dpi from USER/GDI,
// files through the Win32 API so messages and sharing match the system's.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/pixels32.h"
#include "platform/platform.h"

namespace vl::platform {

bool presentImage(int32_t windowHandle, const PresentSource& source, std::string&) {
    // The low 32 bits of a handle, sign-extended, are the HWND: 64-bit
    // Windows shares window handles with 32-bit processes this way.
    HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(windowHandle));
    // Asked on every call: the host may resize its window at any time.
    // Handle 0 draws on the screen, whose client area is the desktop's.
    RECT client{};
    if (!GetClientRect(window ? window : GetDesktopWindow(), &client)) return true;  // no such window
    const Placement placement = placeArea(source, client.right - client.left, client.bottom - client.top);
    if (placement.width <= 0 || placement.height <= 0) return true;
    // Asked once, of the screen: each GetDeviceCaps costs more than the copy
    // itself under some GDI implementations, and no display of today
    // changes depth while a game runs.
    static const bool paletteDisplay = [] {
        HDC screen = GetDC(nullptr);
        const bool few = screen && GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES) <= 8;
        if (screen) ReleaseDC(nullptr, screen);
        return few;
    }();
    const ScreenRect shown = shownRect(placement);
    const int w = shown.w, h = shown.h;
    // The back buffer is already a top-down 32-bit image, the layout GDI
    // copies as it is: an area shown at its own size goes to the window
    // straight from it, from the area's top row, in one copy. Scaled areas
    // (and palette displays) are drawn at their size into an image kept for
    // the library's life, before the window's device context is taken, so
    // that we hold it for the copy alone.
    const bool direct =
        placement.w == source.right - source.left && placement.h == source.bottom - source.top && !paletteDisplay;
    static std::vector<uint8_t> image;
    static ScaleCache cache;
    const uint8_t* bits = source.bits + size_t(source.top) * size_t(source.width) * 4;
    int bitsWidth = source.width, left = source.left;
    if (!direct && w > 0 && h > 0) {
        const size_t stride = size_t(w) * 4;
        if (image.size() < stride * size_t(h)) image.resize(stride * size_t(h));
        drawArea(source, placement, image.data(), stride, Layout32::BGRA, cache);
        bits = image.data();
        bitsWidth = w;
        left = 0;
    }
    HDC dc = GetDC(window);
    if (!dc) return true;  // no such window: nothing receives the image
    if (w > 0 && h > 0) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = bitsWidth;
        info.bmiHeader.biHeight = -h;  // negative: rows top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        if (paletteDisplay) {
            // Palette displays get the system's halftone reduction instead
            // of nearest-colour banding; the image is already at its size.
            POINT origin;
            GetBrushOrgEx(dc, &origin);
            SetStretchBltMode(dc, HALFTONE);
            SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
            StretchDIBits(dc, shown.x, shown.y, w, h, 0, 0, w, h, bits, &info, DIB_RGB_COLORS, SRCCOPY);
        } else {
            SetDIBitsToDevice(dc, shown.x, shown.y, DWORD(w), DWORD(h), left, 0, 0, UINT(h), bits, &info,
                              DIB_RGB_COLORS);
        }
    }
    ScreenRect bars[4];
    for (int i = 0, n = barsOf(placement, bars); i < n; ++i)
        PatBlt(dc, bars[i].x, bars[i].y, bars[i].w, bars[i].h, BLACKNESS);
    ReleaseDC(window, dc);
    return true;
}

// GDI copies from any memory: the back buffer already goes to the window in
// one copy.
std::shared_ptr<PixelBlock> presentableMemory(size_t) { return nullptr; }

// Nothing of the window outlives a call.
void forgetWindow() {}

// Fonts live as long as the library: one per distinct face, height and
// weight, as a canvas shares its font objects.
static HFONT fontFor(const std::string& face, int32_t height, int32_t weight) {
    struct Entry {
        std::string face;
        int32_t height, weight;
        HFONT font;
    };
    static std::vector<Entry> fonts;
    for (const Entry& e : fonts)
        if (e.face == face && e.height == height && e.weight == weight) return e.font;
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    std::strncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectA(&lf);
    if (font) fonts.push_back({face, height, weight, font});
    return font;
}

bool rasteriseText(const std::string& face, int32_t height, int32_t weight, const std::string& text,
                   TextMask& mask) {
    mask = TextMask{};
    HFONT font = fontFor(face, height, weight);
    if (!font) return false;
    static HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HGDIOBJ oldFont = SelectObject(dc, font);
    SIZE extent{};
    const int length = int(std::min<size_t>(text.size(), 1u << 20));
    GetTextExtentPoint32A(dc, text.c_str(), length, &extent);
    if (length == 0 || extent.cy <= 0) {
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        mask.height = tm.tmHeight;
        SelectObject(dc, oldFont);
        return true;
    }
    // Glyphs are drawn white on black into a one-bit image: a monochrome
    // target gets crisp, unsmoothed glyphs whatever the system's smoothing.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = extent.cx;
    info.header.biHeight = -extent.cy;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    info.colours[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!image) {
        SelectObject(dc, oldFont);
        return false;
    }
    HGDIOBJ oldImage = SelectObject(dc, image);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, OPAQUE);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    RECT box{0, 0, extent.cx, extent.cy};
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &box, text.c_str(), UINT(length), nullptr);
    GdiFlush();
    mask.width = extent.cx;
    mask.height = extent.cy;
    mask.bits.resize(size_t(extent.cx) * size_t(extent.cy));
    const size_t stride = (size_t(extent.cx) + 31) / 32 * 4;
    const uint8_t* src = static_cast<const uint8_t*>(bits);
    for (int y = 0; y < extent.cy; ++y)
        for (int x = 0; x < extent.cx; ++x)
            mask.bits[size_t(y) * size_t(extent.cx) + size_t(x)] =
                (src[size_t(y) * stride + size_t(x) / 8] >> (7 - x % 8)) & 1;
    SelectObject(dc, oldImage);
    SelectObject(dc, oldFont);
    DeleteObject(image);
    return true;
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

bool hostMemoryHolds(const void*, size_t) { return true; }

}  // namespace vl::platform
