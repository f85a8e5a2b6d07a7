#include "support/png_scene.h"

#include <cstdint>
#include <vector>

#include "support/bmp_writer.h"
#include "support/png_writer.h"

namespace vl::test {
namespace {

uint32_t rgb(int r, int g, int b) { return uint32_t(r & 255) | uint32_t(g & 255) << 8 | uint32_t(b & 255) << 16; }

// A disc on a magenta ground. Outside the disc alpha runs through 0..127,
// the ground's colour showing wherever alpha were ignored; the disc's rim
// has alpha 128, the least that stays opaque.
std::array<uint16_t, 4> spriteRgba(uint32_t x, uint32_t y) {
    const int dx = int(x) - 32, dy = int(y) - 32, d = dx * dx + dy * dy;
    if (d >= 24 * 24) return {255, 0, 255, uint16_t((x * 5 + y * 3) % 128)};
    return {uint16_t(250 - 3 * y), uint16_t(60 + 2 * x), 40, uint16_t(d >= 22 * 22 ? 128 : 255)};
}

std::vector<uint32_t> backBuffer(const VelmoraApi& api) {
    std::vector<uint32_t> pixels(800 * 600);
    api.vlCopyBackBuffer(pixels.data(), 1);
    return pixels;
}

}  // namespace

std::string pngAgainstBmp(const VelmoraApi& api, double window, const std::string& dir) {
    PngFields png;
    png.width = png.height = 64;
    png.samples = spriteRgba;
    BmpFields bmp;
    bmp.width = bmp.height = 64;
    bmp.pixels = packRows(64, 64, 24, [](int32_t x, int32_t y) {
        const auto s = spriteRgba(uint32_t(x), uint32_t(y));
        return s[3] < 128 ? 0u : rgb(s[0], s[1], s[2]);
    });
    BmpFields wall = bmp;
    wall.pixels = packRows(64, 64, 24, [](int32_t x, int32_t y) { return rgb(90 + x, 80, 60 + y); });
    const std::string pngFile = dir + "/sprite.png", bmpFile = dir + "/sprite.bmp", wallFile = dir + "/wall.bmp";
    writeFile(pngFile, encodePng(png));
    writeBmpFile(bmpFile, bmp);
    writeBmpFile(wallFile, wall);

    if (api.vlInit(window) != 1.0) return std::string("vlInit: ") + api.vlGetLastError();
    api.vlSetWindowSize(320, 200);
    api.vlSetTextureSize(64, 64);
    api.vlSetRenderMode(2);
    api.vlSetMapSize(5, 5);
    for (int x = 0; x < 5; ++x) api.vlLoadMap(x, x == 0 || x == 4 ? "11111" : "10001");
    api.vlLoadTexture(1, wallFile.c_str());
    api.vlSetFloorCeilTexture(1, 1);
    api.vlSetPlayerPos(1.5, 2.5);
    api.vlSetPlayerDir(1, 0);
    api.vlSetPlane(0, 0.66);
    api.vlRaycastingScreen();
    const std::vector<uint32_t> empty = backBuffer(api);

    api.vlAddSprite(2.8, 2.5, 2);
    if (api.vlLoadTexture(2, pngFile.c_str()) != 0.0) return std::string("vlLoadTexture(PNG): ") + api.vlGetLastError();
    api.vlRaycastingScreen();
    const std::vector<uint32_t> fromPng = backBuffer(api);
    api.vlLoadTexture(2, bmpFile.c_str());
    api.vlRaycastingScreen();
    if (fromPng == empty) return "the PNG sprite does not show";
    if (fromPng != backBuffer(api)) return "the PNG sprite draws otherwise than the BMP one";

    // Overlay images are drawn opaque: pixels of alpha below 128 show black.
    const double pngImage = api.vlLoadBitmap(pngFile.c_str()), bmpImage = api.vlLoadBitmap(bmpFile.c_str());
    if (pngImage < 0 || bmpImage < 0) return std::string("vlLoadBitmap: ") + api.vlGetLastError();
    api.vlDrawSprite(pngImage, 400, 0);
    api.vlDrawSprite(bmpImage, 400, 100);
    const std::vector<uint32_t> shown = backBuffer(api);
    for (int y = 0; y < 64; ++y)
        for (int x = 400; x < 464; ++x)
            if (shown[size_t(y * 800 + x)] != shown[size_t((y + 100) * 800 + x)]) return "the PNG overlay image differs";

    const std::string broken = dir + "/broken.png";
    std::vector<uint8_t> bytes = encodePng(png);
    bytes[25] = 5;  // colour type 5 does not exist
    writeFile(broken, bytes);
    if (api.vlLoadTexture(3, broken.c_str()) != -1.0 ||
        std::string(api.vlGetLastError()) != "EInvalidGraphic: PNG image is not valid: bad ctype")
        return std::string("a broken PNG: ") + api.vlGetLastError();
    return "";
}

}  // namespace vl::test
