// The DLL as a host sees it: its export and import tables, every export
// callable with doubles, pixels presented into a real window, errors coming
// back as -1.0 plus text, and the host's floating-point state left alone.
#include <float.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>

#include "host.h"
#include "support/bmp_writer.h"
#include "support/drawing_calls.h"

namespace {

template <class T>
const T* at(HMODULE m, DWORD rva) {
    return reinterpret_cast<const T*>(reinterpret_cast<const uint8_t*>(m) + rva);
}

const IMAGE_DATA_DIRECTORY& directory(HMODULE m, int which) {
    const auto* dos = at<IMAGE_DOS_HEADER>(m, 0);
    const auto* nt = at<IMAGE_NT_HEADERS>(m, DWORD(dos->e_lfanew));
    return nt->OptionalHeader.DataDirectory[which];
}

TEST(DllTables, ExportsExactlyTheDocumentedNamesAndImportsOnlySystemLibraries) {
    HMODULE m = velmora().module;
    ASSERT_NE(m, nullptr);
    // The test host is built for the same machine as the DLL it loads.
    const auto* nt = at<IMAGE_NT_HEADERS>(m, DWORD(at<IMAGE_DOS_HEADER>(m, 0)->e_lfanew));
#ifdef _WIN64
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
#else
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
#endif
    EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);

    const auto* exports = at<IMAGE_EXPORT_DIRECTORY>(m, directory(m, IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    std::set<std::string> names;
    const DWORD* nameRvas = at<DWORD>(m, exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.insert(at<char>(m, nameRvas[i]));
    EXPECT_EQ(exports->NumberOfFunctions, std::size(kExportNames));
    EXPECT_EQ(names, std::set<std::string>(std::begin(kExportNames), std::end(kExportNames)));

    const std::set<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll",
                                          "advapi32.dll", "api-ms-win-crt-runtime-l1-1-0.dll"};
    const auto& importDir = directory(m, IMAGE_DIRECTORY_ENTRY_IMPORT);
    for (const auto* d = at<IMAGE_IMPORT_DESCRIPTOR>(m, importDir.VirtualAddress); d->Name; ++d) {
        std::string name = at<char>(m, d->Name);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        EXPECT_TRUE(system.count(name)) << "imports " << name;
    }
}

TEST(DllExports, EveryExportTakesDoublesAndStrings) {
    Velmora& v = velmora();
    for (const char* name : kExportNames) EXPECT_NE(exportByName(name), nullptr) << name;
    ASSERT_EQ(v.vlInit(double(uintptr_t(testWindow()))), 1.0);
    EXPECT_EQ(v.vlFree(), 0.0);
    EXPECT_EQ(v.vlTest(), 0.0);
    EXPECT_EQ(v.vlSetWindowSize(512, 384), 0.0);
    EXPECT_EQ(v.vlSetRenderMode(1), 0.0);
    EXPECT_EQ(v.vlSetTextureSize(64, 64), 0.0);
    EXPECT_EQ(v.vlSetPlayerPos(2.5, 2.5), 0.0);
    EXPECT_EQ(v.vlSetPlayerDir(1, 0), 0.0);
    EXPECT_EQ(v.vlSetPlane(0, 0.66), 0.0);
    EXPECT_EQ(v.vlSetFloorCeilTexture(0, 0), 0.0);
    EXPECT_EQ(v.vlSetMapSize(8, 8), 0.0);
    EXPECT_STREQ(v.vlLoadMap(0, "11111111"), "11111111");
    EXPECT_STREQ(v.vlLoadMap(1, nullptr), "");
    EXPECT_EQ(v.vlSetFlatWallColor(1, 255, 0, 0), 0.0);
    EXPECT_EQ(v.vlDrawColor(0, 0, 0), 0.0);
    EXPECT_EQ(v.vlDrawRectangle(0, 0, 1, 1), 0.0);
    EXPECT_EQ(v.vlDrawText(0, 0, nullptr), 0.0);
    EXPECT_EQ(v.vlDrawSprite(12345, 0, 0), 0.0);  // no such image: nothing drawn
    EXPECT_EQ(v.vlDrawScreen(), 1.0);
    EXPECT_EQ(v.vlCastRay(2.5, 2.5, -1, 0), 1.5);  // to row 0's wall
    EXPECT_EQ(v.vlGetRayHit(4), 1.0);
}

TEST(DllPresent, WhiteBackBufferThenARedRectangleInTheWindow) {
    Velmora& v = velmora();
    HWND w = testWindow();
    ASSERT_EQ(v.vlInit(double(uintptr_t(w))), 1.0);
    ASSERT_EQ(v.vlDrawScreen(), 1.0);
    std::vector<uint32_t> px = readWindow(w);
    const size_t white = size_t(std::count(px.begin(), px.end(), rgb(255, 255, 255)));
    EXPECT_EQ(white, px.size()) << "the whole 800x600 area shows the white back buffer";

    v.vlDrawColor(255, 0, 0);
    v.vlDrawRectangle(0, 0, 10, 10);
    // Outside the rendered view, still presented.
    v.vlDrawColor(0, 0, 255);
    v.vlDrawRectangle(700, 500, 800, 600);
    ASSERT_EQ(v.vlDrawScreen(), 1.0);
    px = readWindow(w);
    EXPECT_EQ(px[0], rgb(255, 0, 0));
    EXPECT_EQ(px[9 * 800 + 9], rgb(255, 0, 0));
    EXPECT_EQ(px[10 * 800 + 10], rgb(255, 255, 255));
    EXPECT_EQ(px[10], rgb(255, 255, 255));
    EXPECT_EQ(px[599 * 800 + 799], rgb(0, 0, 255));
    EXPECT_EQ(px[499 * 800 + 799], rgb(255, 255, 255));
}

TEST(DllPresent, CopyBackBufferGivesTheWindowsPixelsInBothLayouts) {
    Velmora& v = velmora();
    HWND w = testWindow();
    ASSERT_EQ(v.vlInit(double(uintptr_t(w))), 1.0);
    // Distinct channels everywhere, so a swapped channel or row shows.
    for (int y = 0; y < 600; y += 40)
        for (int x = 0; x < 800; x += 50) {
            v.vlDrawColor(x / 4 + 1, y / 3 + 2, (x + y) % 251);
            v.vlDrawRectangle(x, y, x + 50 - y / 40, y + 40);
        }
    ASSERT_EQ(v.vlDrawScreen(), 1.0);
    const std::vector<uint32_t> shown = readWindow(w);

    constexpr size_t kBytes = 800 * 600 * 4;
    for (int format : {0, 1}) {
        std::vector<uint8_t> copy(kBytes + 8, 0xA5);  // guard bytes after the frame
        ASSERT_EQ(v.vlCopyBackBuffer(copy.data(), format + 0.4), double(kBytes)) << "format " << format;
        for (size_t i = 0; i < shown.size(); ++i) {
            const uint8_t* p = &copy[i * 4];
            const uint32_t c = format == 0 ? rgb(p[0], p[1], p[2]) : rgb(p[2], p[1], p[0]);
            ASSERT_EQ(c, shown[i]) << "format " << format << ", pixel " << i % 800 << "," << i / 800;
            ASSERT_EQ(p[3], 255);
        }
        EXPECT_EQ(std::count(copy.begin() + kBytes, copy.end(), 0xA5), 8) << "wrote past the frame";
    }

    std::vector<uint8_t> untouched(16, 0x5A);
    const struct {
        void* destination;
        double format;
        const char* error;
    } refused[] = {
        {nullptr, 0, "EInvalidPointer: Destination is a null pointer"},
        {untouched.data(), 1.5, "ERangeError: Pixel format out of range"},
        {untouched.data(), -1, "ERangeError: Pixel format out of range"},
        {untouched.data(), 4294967298.0, "ERangeError: Pixel format out of range"},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(v.vlCopyBackBuffer(r.destination, r.format), -1.0) << r.format;
        EXPECT_STREQ(v.vlGetLastError(), r.error);
    }
    EXPECT_EQ(std::count(untouched.begin(), untouched.end(), 0x5A), 16);
}

TEST(DllErrors, FailuresComeBackAsMinusOneWithTheirTextAndTheHostGoesOn) {
    Velmora& v = velmora();
    ASSERT_EQ(v.vlInit(double(uintptr_t(testWindow()))), 1.0);
    v.vlSetMapSize(8, 8);
    EXPECT_STREQ(v.vlLoadMap(3, "10x1"), "");
    EXPECT_STREQ(v.vlGetLastError(), "EConvertError: 'x' is not a valid integer value");

    const std::string missing = "no-such-dir\\missing.bmp";
    EXPECT_EQ(v.vlLoadTexture(1, missing.c_str()), -1.0);
    char full[MAX_PATH];
    GetFullPathNameA(missing.c_str(), MAX_PATH, full, nullptr);
    const std::string expected = std::string("EFOpenError: Cannot open file \"") + full + "\". ";
    EXPECT_EQ(std::string(v.vlGetLastError()).substr(0, expected.size()), expected);
    EXPECT_GT(std::strlen(v.vlGetLastError()), expected.size()) << "the system's reason follows";

    // Later calls work, and a successful call does not clear the last error.
    EXPECT_STREQ(v.vlLoadMap(0, "12"), "12");
    EXPECT_EQ(v.vlDrawScreen(), 1.0);
    EXPECT_EQ(std::string(v.vlGetLastError()).substr(0, 12), "EFOpenError:");
}

TEST(DllErrors, DrawingBeforeInitFailsForWantOfACanvas) {
    VelmoraApi api;
    HMODULE module = loadFreshCopy("VelmoraBeforeInit.dll", api);
    ASSERT_NE(module, nullptr);
    for (const vl::test::DrawingCall& c : vl::test::kDrawingCalls) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(api), -1.0);
        EXPECT_STREQ(api.vlGetLastError(), vl::test::kNoCanvasError);
    }
    FreeLibrary(module);
}

TEST(DllFloatingPoint, HostStateWithTrapsUnmaskedSurvivesEveryExport) {
    Velmora& v = velmora();
    ASSERT_EQ(v.vlInit(double(uintptr_t(testWindow()))), 1.0);
    unsigned int before = 0;
    _controlfp_s(&before, 0, 0);
    // A host runtime that traps on division by zero, overflow and invalid
    // operations, and rounds towards zero.
    unsigned int dummy = 0;
    const unsigned int hostControl = (before & ~(_EM_ZERODIVIDE | _EM_OVERFLOW | _EM_INVALID | _MCW_RC)) | _RC_CHOP;
    _controlfp_s(&dummy, hostControl, _MCW_EM | _MCW_RC);
    unsigned int inHost = 0;
    _controlfp_s(&inHost, 0, 0);

    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    v.vlSetWindowSize(nan, inf);
    v.vlSetWindowSize(512, 384);
    v.vlSetMapSize(1e300, -1e300);
    v.vlSetMapSize(8, 8);
    for (int x = 0; x < 8; ++x) v.vlLoadMap(x, x == 0 || x == 7 ? "11111111" : "10000001");
    v.vlSetRenderMode(2.5);  // ties to even whatever the host's rounding: mode 2
    v.vlSetTextureSize(64, 64);
    vl::test::BmpFields texture;
    texture.width = texture.height = 64;
    texture.pixels = vl::test::packRows(64, 64, 24, [](int32_t x, int32_t y) { return uint32_t(x * 4 + y * 1024 + 1); });
    const std::string file = tempPath("velmora-trap-texture.bmp");
    vl::test::writeBmpFile(file, texture);
    EXPECT_EQ(v.vlLoadTexture(1, file.c_str()), 0.0);
    v.vlSetFloorCeilTexture(1, 1);
    v.vlDrawRectangle(nan, -inf, 1e300, 2.5);
    v.vlDrawColor(nan, inf, -inf);
    // The renderer's legitimate divisions by zero: a sprite on the camera
    // (depth 0), a ray along a grid line (a zero direction), a camera on a
    // wall face (distance 0), a direction parallel to the plane.
    v.vlAddSprite(2.5, 2.5, 1);
    v.vlAddSprite(nan, inf, nan);
    v.vlSetPlayerPos(2.5, 2.5);
    v.vlSetPlayerDir(1, 0);
    v.vlSetPlane(0, 0.66);
    v.vlRaycastingScreen();
    v.vlSetPlayerPos(1.0, 2.5);
    v.vlSetPlayerDir(-1, 0);
    v.vlRaycastingScreen();
    v.vlSetPlane(-1, 0);
    v.vlRaycastingScreen();
    v.vlSetPlayerPos(nan, -inf);
    v.vlRaycastingScreen();
    v.vlSetRenderMode(1);
    v.vlRaycastingScreen();
    v.vlDrawScreen();
    // Rays along a grid line, from a wall face, of no length, and NaN.
    EXPECT_EQ(v.vlCastRay(2.5, 2.5, 1, 0), 4.5);
    EXPECT_EQ(v.vlCastRay(1.0, 2.5, -1, 0), 0.0);
    EXPECT_EQ(v.vlCastRay(2.5, 2.5, 0, 0), -1.0);
    EXPECT_EQ(v.vlCastRay(nan, 2.5, 1, inf), -1.0);
    EXPECT_EQ(v.vlCastRay(2.5, 2.5, 1e-200, -1e-200), -1.0);
    EXPECT_EQ(v.vlGetRayHit(nan), -1.0);
    v.vlSetPlayerPos(2.5, 2.5);  // parked: the later tests load their own worlds
    v.vlSetSpritePos(0, -50, -50);
    v.vlSetSpritePos(1, -50, -50);

    unsigned int after = 0;
    _controlfp_s(&after, 0, 0);
    _controlfp_s(&dummy, before, _MCW_EM | _MCW_RC);
    _clearfp();
    EXPECT_EQ(after & (_MCW_EM | _MCW_RC), inHost & (_MCW_EM | _MCW_RC));
}

}  // namespace
