#include "golden_frames.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include "bmp_writer.h"

namespace vl::golden {
namespace {

constexpr int kSide = 64;
uint32_t rgb(int r, int g, int b) { return uint32_t(r & 255) | uint32_t(g & 255) << 8 | uint32_t(b & 255) << 16; }

// Texture patterns from integer formulas only, so every build writes the
// same bytes.
uint32_t brick(int x, int y) {
    const bool mortar = y % 16 == 0 || (x + (y / 16 % 2) * 16) % 32 == 0;
    return mortar ? rgb(200, 200, 190) : rgb(150 + (x * 7 + y * 13) % 40, 50 + (x * y) % 30, 40);
}
uint32_t stripes(int x, int y) { return (x / 8 + y / 16) % 2 ? rgb(30, 90, 160) : rgb(220, 200, 60 + y); }
uint32_t checker(int x, int y) { return (x / 8 + y / 8) % 2 ? rgb(90, 90, 90) : rgb(170, 160, 140); }
uint32_t ceilingPattern(int x, int y) { return rgb(40 + x, 60 + y, 120 + (x ^ y) % 64); }
uint32_t ball(int x, int y) {  // 0 outside the circle: transparent
    const int dx = x - 32, dy = y - 32;
    return dx * dx + dy * dy < 28 * 28 ? rgb(255 - 3 * y, 80 + 2 * x, 30) : 0;
}
uint32_t post(int x, int y) { return std::abs(x - 32) < 6 + y / 16 ? rgb(120, 120 + y, 200) : 0; }

std::vector<uint8_t> rle8(int width, int height, uint32_t (*value)(int, int)) {
    std::vector<uint8_t> out;
    for (int y = height - 1; y >= 0; --y) {  // bottom-up
        for (int x = 0; x < width;) {
            int run = 1;
            while (x + run < width && run < 255 && value(x + run, y) == value(x, y)) ++run;
            out.push_back(uint8_t(run));
            out.push_back(uint8_t(value(x, y)));
            x += run;
        }
        out.push_back(0);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(1);
    return out;
}
uint32_t checkerIndex(int x, int y) { return (x / 8 + y / 8) % 2; }

struct Cam {
    double posX, posY, dirX, dirY, planeX, planeY;
};
struct SpritePos {
    double x, y;
};
// Fog, pitch, floor and ceiling maps and sprite sizes; the defaults draw
// every frame as it was before them.
struct Look {
    double fogStart = 0, fogEnd = 0;
    int pitch = 0;
    bool maps = false;    // a floor of its own in a checkerboard, ceilings in a band
    bool scaled = false;  // sprites of several sizes, standing and hanging
};
struct FrameSpec {
    const char* name;
    bool bigMap;
    int width, height, mode;
    Cam cam;
    int floorTexture, ceilingTexture;
    std::vector<SpritePos> sprites;  // positions of sprites 0.., the rest parked behind the camera
    bool overlays;
    Look look = {};
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kSprites = 12;

const std::vector<FrameSpec>& specs() {
    static const std::vector<FrameSpec> s = {
        {"flat-8x8-512x384", false, 512, 384, 1, {2.5, 2.5, 1, 0, 0, 0.66}, 0, 0, {}, false},
        {"textured-8x8-512x384", false, 512, 384, 2, {2.5, 2.5, 1, 0, 0, 0.66}, 3, 4, {}, false},
        {"textured-tie", false, 512, 384, 2, {2.5, 2.5, 1, 1, -0.66, 0.66}, 3, 4, {}, false},
        {"textured-zero-x-direction", false, 512, 384, 2, {2.5, 2.5, 0, 1, -0.66, 0}, 3, 0, {}, false},
        {"sprites-8x8", false, 512, 384, 2, {5, 5, -1, 0, 0, 0.66}, 3, 4,
         {{3, 5}, {4, 4.5}, {7, 5}, {3.5, 4.2}, {2.2, 6.1}}, false},
        {"textured-24x24-320x200", true, 320, 200, 2, {3.5, 11.5, 0.8, 0.6, -0.396, 0.528}, 3, 4,
         {{6, 12}, {8.5, 13.2}, {10, 10}, {12.5, 11.5}, {5, 9}, {15, 14}}, false},
        {"textured-24x24-512x384", true, 512, 384, 2, {3.5, 11.5, 0.8, 0.6, -0.396, 0.528}, 3, 4,
         {{6, 12}, {8.5, 13.2}, {10, 10}, {12.5, 11.5}, {5, 9}, {15, 14}}, false},
        {"textured-24x24-513x385", true, 513, 385, 2, {12.25, 5.75, -0.6, 0.8, -0.528, -0.396}, 4, 3,
         {{11, 8}, {9.5, 9.5}, {13, 9}, {8, 12}}, false},
        {"textured-24x24-800x600", true, 800, 600, 2, {12.25, 5.75, -0.6, 0.8, -0.528, -0.396}, 3, 4,
         {{11, 8}, {9.5, 9.5}, {13, 9}, {8, 12}, {12, 7}, {10.5, 10}}, false},
        {"flat-24x24-800x600", true, 800, 600, 1, {12.25, 5.75, -0.6, 0.8, -0.528, -0.396}, 0, 0, {}, false},
        {"flat-24x24-513x385", true, 513, 385, 1, {3.5, 11.5, 0.8, 0.6, -0.396, 0.528}, 0, 0, {}, false},
        {"overlays-over-textured", true, 512, 384, 2, {3.5, 11.5, 0.8, 0.6, -0.396, 0.528}, 3, 4,
         {{6, 12}}, true},
        {"camera-on-wall-face", false, 512, 384, 2, {1.0, 3.5, -1, 0, 0, 0.66}, 3, 4, {}, false},
        {"nan-camera", false, 512, 384, 2, {kNaN, 2.5, 1, 0, 0, 0.66}, 3, 4, {{4, 4}}, false},
        {"mode-3-draws-nothing", true, 512, 384, 3, {3.5, 11.5, 0.8, 0.6, -0.396, 0.528}, 3, 4, {}, false},
        {"look-24x24-512x384", true, 512, 384, 2, {3.5, 11.5, 0.8, 0.6, -0.396, 0.528}, 3, 4,
         {{6, 12}, {8.5, 13.2}, {10, 10}, {12.5, 11.5}, {5, 9}, {15, 14}}, false, {2, 12, 40, true, true}},
        {"look-24x24-800x600-down", true, 800, 600, 2, {12.25, 5.75, -0.6, 0.8, -0.528, -0.396}, 3, 4,
         {{11, 8}, {9.5, 9.5}, {13, 9}, {8, 12}, {12, 7}, {10.5, 10}}, false, {0, 9, -150, true, true}},
        {"look-24x24-513x385-up", true, 513, 385, 2, {12.25, 5.75, -0.6, 0.8, -0.528, -0.396}, 0, 3,
         {{11, 8}, {9.5, 9.5}, {13, 9}, {8, 12}}, false, {1, 30, 230, true, false}},
        {"look-flat-fog-pitch", true, 800, 600, 1, {3.5, 11.5, 0.8, 0.6, -0.396, 0.528}, 0, 0, {}, true,
         {1.5, 10, -35, false, false}},
    };
    return s;
}

const char* const kSmallMap[] = {"11111111", "10000001", "10000001", "10000001",
                                 "10000001", "12000001", "10000001", "11111111"};

std::string bigMapRow(int x) {
    std::string row(24, '0');
    for (int y = 0; y < 24; ++y) {
        const bool border = x == 0 || y == 0 || x == 23 || y == 23;
        const bool wall = (x % 6 == 0 && y % 5 != 2) || (y % 8 == 0 && x % 7 == 3);
        row[size_t(y)] = border ? char('1' + (x + y) % 2) : wall ? char('1' + (x * 3 + y) % 2) : '0';
    }
    return row;
}

}  // namespace

void writeAssets(const std::string& dir) {
    using test::BmpFields;
    using test::packRows;
    auto save = [&](const char* name, BmpFields f) { test::writeBmpFile(dir + "/" + name, f); };
    BmpFields t24;
    t24.width = kSide;
    t24.height = kSide;
    t24.pixels = packRows(kSide, kSide, 24, [](int32_t x, int32_t y) { return brick(x, y); });
    save("brick.bmp", t24);

    BmpFields pal8;  // stripes through a colour table
    pal8.width = kSide;
    pal8.height = -kSide;
    pal8.bitsPerPixel = 8;
    pal8.palette = {stripes(0, 0), stripes(8, 0), stripes(0, 63), stripes(8, 63)};
    for (int i = 0; i < 60; ++i) pal8.palette.push_back(stripes(0, i));
    pal8.pixels = packRows(kSide, -kSide, 8, [](int32_t x, int32_t y) {
        return uint32_t((x / 8 + y / 16) % 2 ? 1 : 4 + y % 60);
    });
    save("stripes.bmp", pal8);

    BmpFields rle;
    rle.width = kSide;
    rle.height = kSide;
    rle.bitsPerPixel = 8;
    rle.compression = 1;
    rle.palette = {checker(8, 0), checker(0, 0)};
    rle.pixels = rle8(kSide, kSide, checkerIndex);
    save("floor.bmp", rle);

    BmpFields b565;
    b565.width = kSide;
    b565.height = kSide;
    b565.bitsPerPixel = 16;
    b565.compression = 3;
    b565.masks = {0xF800, 0x07E0, 0x001F};
    b565.pixels = packRows(kSide, kSide, 16, [](int32_t x, int32_t y) {
        const uint32_t c = ceilingPattern(x, y);
        return ((c & 0xF8) << 8) | (((c >> 8) & 0xFC) << 3) | ((c >> 19) & 0x1F);
    });
    save("ceiling.bmp", b565);

    BmpFields s32;
    s32.width = kSide;
    s32.height = kSide;
    s32.bitsPerPixel = 32;
    s32.pixels = packRows(kSide, kSide, 32, [](int32_t x, int32_t y) {
        const uint32_t c = ball(x, y);  // 0x00BBGGRR to a 32-bit 0x00RRGGBB value
        return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
    });
    save("ball.bmp", s32);

    BmpFields s24;
    s24.width = kSide;
    s24.height = kSide;
    s24.pixels = packRows(kSide, kSide, 24, [](int32_t x, int32_t y) { return post(x, y); });
    save("post.bmp", s24);

    BmpFields logo;  // an overlay image in a colour table
    logo.width = 40;
    logo.height = 30;
    logo.bitsPerPixel = 8;
    logo.palette = {rgb(0, 0, 0), rgb(255, 255, 255), rgb(200, 30, 30), rgb(30, 200, 30)};
    logo.pixels = packRows(40, 30, 8, [](int32_t x, int32_t y) { return uint32_t((x / 5 + y / 5) % 4); });
    save("logo.bmp", logo);
}

void setupWorld(const VelmoraApi& api, const std::string& dir) {
    api.vlSetTextureSize(64, 64);
    api.vlSetFlatWallColor(1, 64, 128, 255);
    api.vlSetFlatWallColor(2, 0x40, 0x80, 0xFF);
    const char* files[] = {"brick.bmp", "stripes.bmp", "floor.bmp", "ceiling.bmp", "ball.bmp", "post.bmp"};
    for (int i = 0; i < 6; ++i) api.vlLoadTexture(i + 1, (dir + "/" + files[i]).c_str());
    for (int i = 0; i < kSprites; ++i) api.vlAddSprite(0, 0, 5 + i % 2);
    api.vlLoadBitmap((dir + "/logo.bmp").c_str());
}

const std::vector<std::string>& frameNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const FrameSpec& f : specs()) n.push_back(f.name);
        return n;
    }();
    return names;
}

void renderFrame(const VelmoraApi& api, size_t i) {
    const FrameSpec& f = specs()[i];
    if (f.bigMap) {
        api.vlSetMapSize(24, 24);
        for (int x = 0; x < 24; ++x) api.vlLoadMap(x, bigMapRow(x).c_str());
    } else {
        api.vlSetMapSize(8, 8);
        for (int x = 0; x < 8; ++x) api.vlLoadMap(x, kSmallMap[x]);
    }
    // Sky and ground over the whole back buffer: what the frame leaves alone.
    api.vlDrawColor(90, 140, 200);
    api.vlDrawRectangle(0, 0, 800, 300);
    api.vlDrawColor(60, 50, 40);
    api.vlDrawRectangle(0, 300, 800, 600);
    api.vlSetWindowSize(f.width, f.height);
    api.vlSetRenderMode(f.mode);
    api.vlSetFloorCeilTexture(f.floorTexture, f.ceilingTexture);
    api.vlSetPlayerPos(f.cam.posX, f.cam.posY);
    api.vlSetPlayerDir(f.cam.dirX, f.cam.dirY);
    api.vlSetPlane(f.cam.planeX, f.cam.planeY);
    // The look, or its defaults again; vlSetMapSize above cleared the maps.
    api.vlSetFogColor(70, 80, 96);
    api.vlSetFog(f.look.fogStart, f.look.fogEnd);
    api.vlSetPitch(f.look.pitch);
    if (f.look.maps) {
        for (int x = 0; x < 24; ++x) {
            std::string floor, ceiling;
            for (int y = 0; y < 24; ++y) {
                floor += char('0' + ((x + y) % 2 == 0 ? 1 : 0));
                ceiling += char('0' + (x >= 8 && x < 14 ? 2 : 0));
            }
            api.vlLoadFloorMap(x, floor.c_str());
            api.vlLoadCeilingMap(x, ceiling.c_str());
        }
    }
    const double scales[][3] = {{0.5, 0.5, 0}, {0.4, 0.3, 0.7}, {2, 1, 0}, {1, 0.25, 0.2}};
    for (int s = 0; s < kSprites; ++s) {
        const double* k = scales[s % 4];
        if (f.look.scaled)
            api.vlSetSpriteScale(s, k[0], k[1], k[2]);
        else
            api.vlSetSpriteScale(s, 1, 1, 0);
    }
    for (int s = 0; s < kSprites; ++s) {
        const bool placed = size_t(s) < f.sprites.size();
        api.vlSetSpritePos(s, placed ? f.sprites[size_t(s)].x : 0.5 - 40 * f.cam.dirX,
                           placed ? f.sprites[size_t(s)].y : 0.5 - 40 * f.cam.dirY);
    }
    api.vlRaycastingScreen();
    if (f.overlays) {
        api.vlDrawSprite(0, -10, -10);
        api.vlDrawSprite(0, 780, 590);
        api.vlDrawRectangle(600, 400, 700, 450);  // in the last brush colour
        api.vlDrawColor(255, 255, 0);
        api.vlDrawRectangle(10, 500, 60, 520);
    }
}

uint64_t checksum(const std::vector<uint32_t>& pixels) {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t p : pixels)
        for (int shift : {16, 8, 0}) h = (h ^ ((p >> shift) & 0xFF)) * 1099511628211ull;
    return h;
}

std::string goldenPath() { return std::string(VL_TEST_DATA_DIR) + "/golden_frames.txt"; }

std::map<std::string, uint64_t> loadGolden(const std::string& path) {
    std::map<std::string, uint64_t> sums;
    std::ifstream in(path);
    std::string name, hex;
    while (in >> name >> hex) sums[name] = std::stoull(hex, nullptr, 16);
    return sums;
}

void saveGolden(const std::string& path, const std::map<std::string, uint64_t>& sums) {
    std::ofstream out(path);
    for (const std::string& name : frameNames()) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016" PRIx64, sums.at(name));
        out << name << ' ' << hex << '\n';
    }
}

void writePpm(const std::string& path, const std::vector<uint32_t>& pixels) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n800 600\n255\n";
    for (uint32_t p : pixels) {
        const char bytes[3] = {char(p & 0xFF), char((p >> 8) & 0xFF), char((p >> 16) & 0xFF)};
        out.write(bytes, 3);
    }
}

}  // namespace vl::golden
