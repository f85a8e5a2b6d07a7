#pragma once
// One frame of the first-person view: the column pass (walls, then that
// column's floor and ceiling) and the sprite pass, far to near.
//
// Every pass writes its final colours straight into the back buffer's rows.
// Staging each pixel and composing afterwards would give the same bytes: a
// pixel is written exactly when some pass stages it, with the colour staged
// last, and nothing reads a staged colour or a flag before composition. So
// writing in the same order (walls, that column's floor and ceiling, then the
// sprites far to near) leaves every pixel as composition would, while
// colorBuffer stays all zero and drawnFlags goes unused.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include <emmintrin.h>

#include "surface/surface.h"
#include "world/world.h"

namespace vl {

struct Camera {
    double posX = 0, posY = 0;
    double dirX = 0, dirY = 0;
    double planeX = 0, planeY = 0;
};

struct RenderSettings {
    int32_t screenWidth = 0, screenHeight = 0;
    int32_t textureWidth = 0, textureHeight = 0;
    int32_t renderMode = 0, modeFlat = 0, modeTextured = 0;
    int32_t floorTexture = 0, ceilingTexture = 0;
    // Fog (off while fogEnd <= fogStart) and the horizon's offset in rows.
    // Their defaults leave every frame as it was before they existed.
    double fogStart = 0, fogEnd = 0;
    Colour fogColour = 0;
    int32_t pitch = 0;
};

// The horizon moves by at most this many rows either way.
constexpr int32_t kMaxPitch = 10000;

// Fog weight w in 0..256 of a pixel at distance d: 0 keeps its colour, 256
// gives the fog colour. NaN distances get no fog.
inline int32_t fogWeight(double start, double end, double d) {
    if (!(end > start)) return 0;
    double a = (d - start) / (end - start);
    if (a < 0) a = 0;
    if (a > 1) a = 1;
    return a == a ? int32_t(256 * a) : 0;  // 256 a lies in [0, 256]: truncation is its floor
}
inline int32_t fogWeight(const RenderSettings& s, double d) { return fogWeight(s.fogStart, s.fogEnd, d); }
inline bool fogOn(const RenderSettings& s) { return s.fogEnd > s.fogStart; }

// (c (256 - w) + f w + 128) >> 8 for each of the three low bytes of c and f,
// two channels at a time: every channel's sum stays below 2^16, so none
// carries into the next. Works on Colours and pixel bytes alike; the top
// byte is dropped.
inline uint32_t fogBlend(uint32_t c, uint32_t f, int32_t w) {
    const uint32_t keep = uint32_t(256 - w), take = uint32_t(w);
    const uint32_t outer = (((c & 0xFF00FFu) * keep + (f & 0xFF00FFu) * take + 0x800080u) >> 8) & 0xFF00FFu;
    const uint32_t middle = (((c & 0x00FF00u) * keep + (f & 0x00FF00u) * take + 0x008000u) >> 8) & 0x00FF00u;
    return outer | middle;
}

// The working values of one column. Cell coordinates are 64-bit so a march
// that starts from a saturated cell cannot overflow while it steps.
struct ColumnCast {
    double cameraX = 0;
    double rayPosX = 0, rayPosY = 0;
    double rayDirX = 0, rayDirY = 0;
    int64_t mapX = 0, mapY = 0;  // the wall cell, once hit
    double deltaDistX = 0, deltaDistY = 0;
    double sideDistX = 0, sideDistY = 0;
    int stepX = 0, stepY = 0;   // -1 or +1
    bool hit = false;   // false when the ray left the grid without meeting a wall
    int side = 0;       // 0: an x grid line was crossed last, 1: a y grid line
    int32_t wall = 0;   // value of the wall cell hit
    double quotient = 0;  // signed distance along the ray to the wall face
    double perpWallDist = 0;
    int32_t lineHeight = 0, drawStart = 0, drawEnd = 0;
    int32_t drawEndUnclamped = 0;  // where the floor below the wall starts
    double wallX = 0;   // where along the face the ray hit, in [0, 1)
};

// One sprite's place on screen. The sizes are whole numbers held as doubles
// unless the sprite is scaled; the draw bounds are already clamped (starts
// from below, ends from above).
struct SpriteProjection {
    double transformX = 0, transformY = 0;
    double spriteScreenX = 0;
    int32_t vMoveScreen = 0;
    int64_t rowShift = 0;  // vMoveScreen plus the pitch: how far the rows move down
    double spriteHeight = 0, spriteWidth = 0;
    int32_t drawStartY = 0, drawEndY = 0;
    int32_t drawStartX = 0, drawEndX = 0;
};

// What a textured frame drew of its sprites, so that a host can ask which
// sprite shows at a pixel of that frame later: the view and depths it drew
// with, and the sprites that could show, in drawing order (far to near).
struct DrawnSprite {
    int32_t sprite, texture;
    SpriteProjection projection;
};
struct SpritePicks {
    bool valid = false;  // false until a textured frame, and after a frame in another mode
    RenderSettings view;
    std::vector<double> depth;  // zBuffer as the sprites met it
    std::vector<DrawnSprite> drawn;
};

// The view can grow up to the whole back buffer.
constexpr int32_t kBackBufferWidth = 800;
constexpr int32_t kBackBufferHeight = 600;
constexpr size_t kStagingEntries = size_t(kBackBufferWidth) * size_t(kBackBufferHeight);

struct FrameBuffers {
    // Staging buffers: frames here never use them (see above), so the engine
    // leaves them empty. The literal renderer that the tests keep as an
    // oracle stages into them, [row * kBackBufferWidth + column].
    std::vector<Colour> colorBuffer;
    std::vector<int32_t> drawnFlags;
    std::vector<double> zBuffer;       // one wall distance per screen column

    // Scratch reused from frame to frame; nothing in them outlives a frame
    // but rowDistance, which holds for as long as the view's height and the
    // pitch, and picks, which answers for the last textured frame.
    std::vector<ColumnCast> columns;   // the column pass's rays, one per screen column
    std::vector<double> rowDistance;   // floor distance of each screen row (and below, with pitch)
    int32_t rowDistancePitch = 0;      // the pitch rowDistance was made for
    std::vector<double> footX, footY;  // per column: the floor point at the wall's foot
    std::vector<double> wallDistance;  // per column: perpWallDist
    std::vector<int32_t> firstFloorRow; // per column: the first floor row (past the last row: none)
    std::vector<int32_t> tieLimit;     // per column: the margin of its stepped texel coordinates
    // Floor and ceiling texels as pixel bytes (the floor's halved): entry 0
    // for the frame's own textures, n for cells of the floor and ceiling
    // maps that hold n.
    std::vector<uint32_t> floorPixels[10], ceilingPixels[10];
    std::vector<uint8_t> spareRows;    // stands in for a back buffer smaller than the view
    std::vector<uint8_t> orderSeen;    // for checking the last sprite order
    SpritePicks picks;                 // the last textured frame's sprites
};

// Where a frame's pixels go: pixel (x, y) is 4 bytes, blue, green, red, 255
// (the frame layout), at row0 + y * pitch + 4x.
struct PixelRows {
    uint8_t* row0 = nullptr;
    ptrdiff_t pitch = 0;
    uint8_t* at(int32_t x, int32_t y) const { return row0 + ptrdiff_t(y) * pitch + 4 * ptrdiff_t(x); }
};

// A Colour with its bytes in pixel order: blue in the low byte, then green,
// then red (the top byte 0, so that the bytes can be shifted and blended),
// ready to store with putPixelBytes, which adds the fourth byte.
inline uint32_t pixelBytes(Colour c) { return __builtin_bswap32(c) >> 8; }
inline void putPixelBytes(uint8_t* p, uint32_t v) {
    v |= kFrameAlpha;
    std::memcpy(p, &v, 4);
}
inline void putPixel(uint8_t* p, Colour c) { putPixelBytes(p, pixelBytes(c)); }
// Four neighbouring pixels' bytes, p to p + 15, in one store.
inline void putPixelVector(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_or_si128(v, _mm_set1_epi32(int32_t(kFrameAlpha))));
}
inline void putPixelQuad(uint8_t* p, uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    putPixelVector(p, _mm_setr_epi32(int32_t(a), int32_t(b), int32_t(c), int32_t(d)));
}

// Renders one frame into backBuffer (the engine's is the 800 x 600 surface
// in the frame layout; any other surface in that layout gets the pixels that
// fall inside it). Writes zBuffer, spriteOrder and spriteDistance in
// textured mode.
void renderFrame(const RenderSettings& settings, const Camera& camera, World& world,
                 FrameBuffers& frame, Surface& backBuffer);

}  // namespace vl
