#pragma once
// The benchmark world, described once so that the native benchmark (which
// builds it directly) and the DLL benchmark (which builds it through the
// exports, textures written as BMP files) time exactly the same frames: a
// 24 x 24 map with pillars, 64 x 64 textures, sprites on a grid or scattered
// over the map, and a camera walking a circle round the open middle.
#include <cmath>
#include <cstdint>

namespace vl::bench {

constexpr int kMapSide = 24;
constexpr int kTextureSide = 64;
constexpr int kWallTextures = 4;     // textures 1 to 4; wall kinds 1 to 4
constexpr int kFloorTexture = 5;
constexpr int kCeilingTexture = 6;
constexpr int kSpriteTexture = 7;    // with a transparent border
constexpr int kClearTexture = 8;     // all transparent: sprites that draw no pixel
constexpr int kTextureCount = 8;

// Wall kind of cell (x, y): 0 is open.
inline int mapCell(int x, int y) {
    if (x == 0 || y == 0 || x == kMapSide - 1 || y == kMapSide - 1) return 1 + (x + y) % 4;
    if ((x == 3 || x == 20) && y % 5 == 3) return 1 + (x * y) % 4;  // pillars off the camera's circle
    return 0;
}

inline uint32_t rgb(int r, int g, int b) {
    return uint32_t(r & 0xFF) | (uint32_t(g & 0xFF) << 8) | (uint32_t(b & 0xFF) << 16);
}

// Texel (x, y) of texture t as 0x00BBGGRR; 0 is transparent on sprites.
inline uint32_t texel(int t, int x, int y) {
    if (t == kClearTexture || (t == kSpriteTexture && (x < 8 || x >= 56))) return 0;
    const int v = (x ^ y) * 4;
    const uint32_t c = rgb(v + t * 30, 255 - v, (x * y + t * 50) & 0xFF);
    return c == 0 ? 1 : c;  // only the sprite border is transparent
}

inline uint32_t flatColour(int kind) {
    const uint32_t colours[] = {0, 0x000000C0, 0x0000C000, 0x00C00000, 0x00C0C0C0};
    return colours[kind];
}

// Sprite i of count: up to 64 on an 8 x 8 grid over the open middle, more
// scattered over the whole inside of the map by a fixed sequence.
inline void spritePosition(int i, int count, double& x, double& y) {
    if (count <= 64) {
        x = 2.5 + 19.0 * (i % 8) / 7;
        y = 2.5 + 19.0 * (i / 8) / 7;
        return;
    }
    uint32_t h = uint32_t(i) * 2654435761u + 12345u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    x = 1.2 + 21.6 * double(h & 0xFFFF) / 65536.0;
    y = 1.2 + 21.6 * double(h >> 16) / 65536.0;
}

struct Pose {
    double posX, posY, dirX, dirY, planeX, planeY;
};

// Step n of the walk: a circle of radius 5 round the middle, looking along it.
inline Pose cameraPose(int n) {
    const double a = 0.01 * (n % 629);
    const double dirX = -std::sin(a), dirY = std::cos(a);
    return Pose{12 + 5 * std::cos(a), 12 + 5 * std::sin(a), dirX, dirY, 0.66 * dirY, -0.66 * dirX};
}

// The rows of the results table. Sprites clear of pixels still cost their
// sort, projection and column tests, which is what the sprite count adds
// beyond drawing.
struct Scene {
    const char* name;
    int mode;  // 1 flat, 2 textured
    int width, height;
    int sprites;
    int spriteTexture;
    bool look = false;  // with the look below
};
constexpr Scene kScenes[] = {
    {"textured 512x384, 64 sprites", 2, 512, 384, 64, kSpriteTexture},
    {"textured 800x600, 64 sprites", 2, 800, 600, 64, kSpriteTexture},
    {"flat 512x384", 1, 512, 384, 0, kSpriteTexture},
    {"textured 512x384, no sprites", 2, 512, 384, 0, kSpriteTexture},
    {"textured 512x384, 1000 sprites", 2, 512, 384, 1000, kSpriteTexture},
    {"textured 512x384, 1000 clear sprites", 2, 512, 384, 1000, kClearTexture},
    {"textured 512x384, 64 sprites, look", 2, 512, 384, 64, kSpriteTexture, true},
};

// The look: fog from 2 to 14 cells, the horizon 40 rows down, a floor of
// two textures in a checkerboard and sprites half a wall high.
constexpr double kFogStart = 2, kFogEnd = 14;
constexpr int kFogRed = 96, kFogGreen = 104, kFogBlue = 112;
constexpr int kPitch = 40;
constexpr double kSpriteScale = 0.5;
inline int floorCell(int x, int y) { return (x + y) % 2 == 0 ? kFloorTexture : 2; }
constexpr int kSceneCount = int(sizeof kScenes / sizeof kScenes[0]);
constexpr int kSpriteCapacity = 1000;

}  // namespace vl::bench
