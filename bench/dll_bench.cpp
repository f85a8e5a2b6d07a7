// Frame times of Velmora.dll against VelmoraReference.dll (the same library
// with the reference renderer), measured the way a game host uses them:
// both loaded by name, the scene of bench_scene.h built through the exports
// (textures written as BMP files first), and vlRaycastingScreen timed over
// the camera walk. The two are timed in alternating blocks in one process,
// and the medians compared, since the machine is shared. Presentation is
// timed into a real 800 x 600 window: vlDrawScreen alone, a whole 800 x 600
// frame with its presentation, and, as the least a host could spend, a plain
// SetDIBitsToDevice of an 800 x 600 image of 32-bit pixels. Prints a table,
// then one "RESULT" line per row, tagged win32 or win64, for the table that
// `make bench` assembles.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_scene.h"
#include "velmora_api.h"
#include "window.h"

namespace {

using namespace vl::bench;

void writeTexture(const std::string& path, int t) {
    const int side = kTextureSide, rowBytes = side * 3;
    const uint32_t imageBytes = uint32_t(rowBytes * side), fileBytes = 54 + imageBytes;
    std::vector<uint8_t> f(fileBytes, 0);
    auto put16 = [&](size_t at, uint32_t v) { f[at] = uint8_t(v), f[at + 1] = uint8_t(v >> 8); };
    auto put32 = [&](size_t at, uint32_t v) { put16(at, v & 0xFFFF), put16(at + 2, v >> 16); };
    f[0] = 'B', f[1] = 'M';
    put32(2, fileBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(side));
    put32(22, uint32_t(side));  // bottom-up
    put16(26, 1);
    put16(28, 24);
    put32(34, imageBytes);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const uint32_t c = texel(t, x, y);  // 0x00BBGGRR
            uint8_t* p = &f[54 + size_t(side - 1 - y) * rowBytes + size_t(x) * 3];
            p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
        }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(f.data(), 1, f.size(), out) != f.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(out);
}

using vl::host::pumpMessages;

HWND benchWindow() { return vl::host::makeWindow("Velmora benchmark"); }

// One loaded copy of a DLL: its own engine, with the benchmark world and a
// given number of sprites. Copies under other names load as separate
// modules, so each sprite count gets a fresh engine.
struct Library {
    VelmoraApi api;
    bool ok = false;
};

Library loadLibrary(const std::string& dll, const std::string& copyName, HWND window, const std::string& dir,
                    int spriteCount, int spriteTexture) {
    Library lib;
    if (copyName != dll && !CopyFileA(dll.c_str(), copyName.c_str(), FALSE)) return lib;
    HMODULE m = LoadLibraryA(copyName.c_str());
    if (!m) return lib;
#define VL_RESOLVE(name)                                                                                  \
    lib.api.name = reinterpret_cast<decltype(lib.api.name)>(reinterpret_cast<void*>(GetProcAddress(m, #name))); \
    if (!lib.api.name) return lib;
    VELMORA_EXPORTS(VL_RESOLVE)
#undef VL_RESOLVE
    const VelmoraApi& a = lib.api;
    a.vlInit(double(uintptr_t(window)));
    a.vlSetTextureSize(kTextureSide, kTextureSide);
    for (int k = 1; k <= kWallTextures; ++k) {
        const uint32_t c = flatColour(k);
        a.vlSetFlatWallColor(k, c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
    for (int t = 1; t <= kTextureCount; ++t) a.vlLoadTexture(t, (dir + "\\tex" + std::to_string(t) + ".bmp").c_str());
    a.vlSetMapSize(kMapSide, kMapSide);
    for (int x = 0; x < kMapSide; ++x) {
        std::string row;
        for (int y = 0; y < kMapSide; ++y) row += char('0' + mapCell(x, y));
        a.vlLoadMap(x, row.c_str());
    }
    for (int i = 0; i < spriteCount; ++i) {
        double x, y;
        spritePosition(i, spriteCount, x, y);
        a.vlAddSprite(x, y, spriteTexture);
    }
    a.vlSetFloorCeilTexture(kFloorTexture, kCeilingTexture);
    lib.ok = a.vlGetLastError()[0] == '\0';
    if (!lib.ok) std::fprintf(stderr, "%s: %s\n", copyName.c_str(), a.vlGetLastError());
    return lib;
}

// FNV-1a over the window's client area, read back through the screen.
uint64_t windowChecksum(HWND window) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t p : vl::host::readWindow(window))
        for (int shift : {16, 8, 0}) h = (h ^ ((p >> shift) & 0xFF)) * 1099511628211ull;
    return h;
}

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The scene's look, or the defaults; the engine's tables are shared by the
// scenes with the same sprites.
void setLook(const VelmoraApi& a, const Scene& s) {
    a.vlSetFogColor(kFogRed, kFogGreen, kFogBlue);
    a.vlSetFog(s.look ? kFogStart : 0, s.look ? kFogEnd : 0);
    a.vlSetPitch(s.look ? kPitch : 0);
    for (int x = 0; x < kMapSide; ++x) {
        std::string row;
        for (int y = 0; y < kMapSide; ++y) row += char('0' + (s.look ? floorCell(x, y) : 0));
        a.vlLoadFloorMap(x, row.c_str());
    }
    const double scale = s.look ? kSpriteScale : 1;
    for (int i = 0; i < s.sprites; ++i) a.vlSetSpriteScale(i, scale, scale, 0);
}

// Renders frames [first, first + count) of the walk, each timed alone.
void timeFrames(const VelmoraApi& a, const Scene& s, int first, int count, std::vector<double>& times) {
    a.vlSetWindowSize(s.width, s.height);
    a.vlSetRenderMode(s.mode);
    setLook(a, s);
    for (int n = first; n < first + count; ++n) {
        const Pose p = cameraPose(n);
        a.vlSetPlayerPos(p.posX, p.posY);
        a.vlSetPlayerDir(p.dirX, p.dirY);
        a.vlSetPlane(p.planeX, p.planeY);
        const double start = now();
        a.vlRaycastingScreen();
        times.push_back(now() - start);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    const int framesPerBlock = 16;
    char tempDir[MAX_PATH];
    GetTempPathA(MAX_PATH, tempDir);
    const std::string dir = std::string(tempDir) + "velmora-bench";
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int t = 1; t <= kTextureCount; ++t) writeTexture(dir + "\\tex" + std::to_string(t) + ".bmp", t);
    HWND window = benchWindow();

    // [0] before (the reference renderer), [1] after; one engine per sprite
    // table, the first under the DLL's own name, the others under copies.
    struct Sprites {
        int count, texture;
    };
    std::vector<Sprites> tables;
    std::vector<int> tableOf;  // per scene
    for (const Scene& s : kScenes) {
        size_t t = 0;
        while (t < tables.size() && !(tables[t].count == s.sprites && tables[t].texture == s.spriteTexture)) ++t;
        if (t == tables.size()) tables.push_back({s.sprites, s.spriteTexture});
        tableOf.push_back(int(t));
    }
    const char* const dlls[] = {"VelmoraReference.dll", "Velmora.dll"};
    const char* const tags[] = {"before", "after"};
    std::vector<Library> libs[2];
    for (int impl = 0; impl < 2; ++impl)
        for (size_t t = 0; t < tables.size(); ++t) {
            const std::string copy = t == 0 ? std::string(dlls[impl])
                                            : std::string("bench-") + tags[impl] + "-" + std::to_string(t) + ".dll";
            libs[impl].push_back(loadLibrary(dlls[impl], copy, window, dir, tables[t].count, tables[t].texture));
            if (!libs[impl].back().ok) {
                std::fprintf(stderr, "cannot load %s as %s\n", dlls[impl], copy.c_str());
                return 1;
            }
        }

    // Both DLLs must show the same frames: one frame of every scene from
    // each, presented and read back from the window.
    for (int i = 0; i < kSceneCount; ++i) {
        const Scene& s = kScenes[i];
        const int c = tableOf[size_t(i)];
        uint64_t sums[2];
        for (int impl = 0; impl < 2; ++impl) {
            const VelmoraApi& a = libs[impl][c].api;
            a.vlDrawColor(90, 140, 200);
            a.vlDrawRectangle(0, 0, 800, 600);
            std::vector<double> ignored;
            timeFrames(a, s, 100, 1, ignored);
            a.vlDrawScreen();
            sums[impl] = windowChecksum(window);
        }
        if (sums[0] != sums[1]) {
            std::fprintf(stderr, "%s: the two DLLs show different frames\n", s.name);
            return 1;
        }
    }

    // One row of the table and its RESULT line; times in seconds, a
    // negative one where there is no "before".
    const char* const target = sizeof(void*) == 8 ? "win64" : "win32";
    std::printf("%s DLL under wine, median  %12s %12s %8s\n", target, "before ms", "after ms", "ratio");
    std::vector<std::string> results;
    const auto row = [&](const char* name, double before, double after) {
        char line[256];
        if (before < 0) {
            std::printf("%-34s %12s %12.4f %8s\n", name, "-", after * 1e3, "-");
            std::snprintf(line, sizeof line, "RESULT %s|%s|-|%.4f", target, name, after * 1e3);
        } else {
            std::printf("%-34s %12.4f %12.4f %8.2f\n", name, before * 1e3, after * 1e3, before / after);
            std::snprintf(line, sizeof line, "RESULT %s|%s|%.4f|%.4f", target, name, before * 1e3, after * 1e3);
        }
        results.push_back(line);
    };
    for (int i = 0; i < kSceneCount; ++i) {
        const Scene& s = kScenes[i];
        const int c = tableOf[size_t(i)];
        std::vector<double> times[2];
        for (int round = 0; round <= rounds; ++round)
            for (int k = 0; k < 2; ++k) {
                const int impl = (round + k) % 2;  // alternate which goes first
                std::vector<double> block;
                timeFrames(libs[impl][c].api, s, round * framesPerBlock, framesPerBlock, block);
                if (round > 0) times[impl].insert(times[impl].end(), block.begin(), block.end());  // round 0 warms up
            }
        row(s.name, median(times[0]), median(times[1]));
    }

    // Presentation: the 800 x 600 back buffer into the window.
    std::vector<double> present[2];
    for (int impl = 0; impl < 2; ++impl) {
        const VelmoraApi& a = libs[impl][size_t(tableOf[1])].api;
        std::vector<double> ignored;
        timeFrames(a, kScenes[1], 0, 1, ignored);
    }
    for (int round = 0; round <= rounds; ++round)
        for (int k = 0; k < 2; ++k) {
            const int impl = (round + k) % 2;
            const VelmoraApi& a = libs[impl][size_t(tableOf[1])].api;
            for (int i = 0; i < framesPerBlock; ++i) {
                pumpMessages();
                const double start = now();
                a.vlDrawScreen();
                if (round > 0) present[impl].push_back(now() - start);
            }
        }
    row("vlDrawScreen 800x600", median(present[0]), median(present[1]));

    // A whole frame as a host shows it: the 800 x 600 view with its sprites
    // rendered, then presented.
    std::vector<double> whole[2];
    for (int round = 0; round <= rounds; ++round)
        for (int k = 0; k < 2; ++k) {
            const int impl = (round + k) % 2;
            const VelmoraApi& a = libs[impl][size_t(tableOf[1])].api;
            for (int i = 0; i < framesPerBlock; ++i) {
                pumpMessages();
                const Pose p = cameraPose(round * framesPerBlock + i);
                a.vlSetPlayerPos(p.posX, p.posY);
                a.vlSetPlayerDir(p.dirX, p.dirY);
                a.vlSetPlane(p.planeX, p.planeY);
                const double start = now();
                a.vlRaycastingScreen();
                a.vlDrawScreen();
                if (round > 0) whole[impl].push_back(now() - start);
            }
        }
    row("frame and present 800x600", median(whole[0]), median(whole[1]));

    // The baseline: an image already in 32-bit pixels, handed to the window
    // the way the library presents, by a DC fetched for the call.
    std::vector<uint32_t> image(size_t(800) * 600);
    for (size_t i = 0; i < image.size(); ++i) image[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 800;
    info.bmiHeader.biHeight = -600;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<double> plain;
    for (int round = 0; round <= rounds; ++round)
        for (int i = 0; i < framesPerBlock; ++i) {
            pumpMessages();
            const double start = now();
            HDC dc = GetDC(window);
            SetDIBitsToDevice(dc, 0, 0, 800, 600, 0, 0, 0, 600, image.data(), &info, DIB_RGB_COLORS);
            ReleaseDC(window, dc);
            if (round > 0) plain.push_back(now() - start);
        }
    row("SetDIBitsToDevice 800x600", -1, median(plain));

    // Scaled: the 800 x 600 frame fitted (mode 2) into a 1920 x 1080 window,
    // against a host showing a 1920 x 1080 frame of its own: a plain copy of
    // its 32-bit pixels into the image it hands to the window, then
    // SetDIBitsToDevice as above.
    {
        const VelmoraApi& a = libs[1][size_t(tableOf[1])].api;
        HWND large = vl::host::makeBorderlessWindow(1920, 1080);
        a.vlSetWindow(double(uintptr_t(large)));
        a.vlSetPresentation(2);
        std::vector<uint32_t> frame(size_t(1920) * 1080), shown(frame.size());
        for (size_t i = 0; i < frame.size(); ++i) frame[i] = uint32_t(i * 2654435761u) & 0xFFFFFF;
        BITMAPINFO wide = info;
        wide.bmiHeader.biWidth = 1920;
        wide.bmiHeader.biHeight = -1080;
        std::vector<double> fitted, copied;
        for (int round = 0; round <= rounds; ++round)
            for (int i = 0; i < framesPerBlock; ++i) {
                pumpMessages();
                double start = now();
                a.vlDrawScreen();
                if (round > 0) fitted.push_back(now() - start);
                start = now();
                std::memcpy(shown.data(), frame.data(), frame.size() * 4);
                HDC dc = GetDC(large);
                SetDIBitsToDevice(dc, 0, 0, 1920, 1080, 0, 0, 0, 1080, shown.data(), &wide, DIB_RGB_COLORS);
                ReleaseDC(large, dc);
                if (round > 0) copied.push_back(now() - start);
            }
        row("vlDrawScreen fit into 1920x1080", -1, median(fitted));
        row("plain copy 1920x1080", -1, median(copied));
        a.vlSetPresentation(0);
        a.vlSetWindow(double(uintptr_t(window)));
        DestroyWindow(large);
    }

    // The frame into the host's own memory, in the platform's layout (BGRA)
    // and in RGBA, against a plain copy of as many bytes.
    std::vector<uint8_t> source(size_t(800) * 600 * 4, 1), destination(source.size());
    std::vector<double> copies, copiesRgba, copiesPlain;
    const VelmoraApi& current = libs[1][size_t(tableOf[1])].api;
    for (int round = 0; round <= rounds; ++round)
        for (int i = 0; i < framesPerBlock; ++i) {
            double start = now();
            current.vlCopyBackBuffer(destination.data(), 1);
            if (round > 0) copies.push_back(now() - start);
            start = now();
            current.vlCopyBackBuffer(destination.data(), 0);
            if (round > 0) copiesRgba.push_back(now() - start);
            start = now();
            std::memcpy(destination.data(), source.data(), source.size());
            asm volatile("" : : "r"(destination.data()) : "memory");  // the copy is not optimised away
            if (round > 0) copiesPlain.push_back(now() - start);
        }
    row("vlCopyBackBuffer", -1, median(copies));
    row("vlCopyBackBuffer RGBA", -1, median(copiesRgba));
    row("memcpy 1.92 MB", -1, median(copiesPlain));
    for (const std::string& r : results) std::printf("%s\n", r.c_str());
    DestroyWindow(window);
    return 0;
}
