// The renderer against the reference renderer (tests/render/reference: the
// formulas as first written, staging and composition included) on random
// scenes: random maps with open borders, odd cameras, NaN and huge sprites,
// missing and short textures, every render mode and view sizes from 1 x 1 to
// the whole back buffer. Both must leave every observable byte the same: the
// back buffer, its brush, zBuffer, spriteOrder and spriteDistance; and no
// staged colour may be left behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "render/floor_ceiling.h"
#include "render/frame.h"
#include "render/reference/floor_ceiling.h"
#include "render/reference/frame.h"
#include "render/reference/walls.h"
#include "render/walls.h"
#include "surface/surface.h"
#include "world/world.h"

namespace vl {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Scene {
    World world;
    RenderSettings settings;
    Camera camera;
    FrameBuffers frame;
    Surface backBuffer;
};

class Random {
public:
    explicit Random(uint32_t seed) : rng_(seed) {}
    int32_t range(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng_); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
    bool chance(double p) { return real(0, 1) < p; }
    template <class T>
    T pick(std::initializer_list<T> values) {
        return values.begin()[range(0, int32_t(values.size()) - 1)];
    }
    uint32_t bits() { return uint32_t(rng_()); }

    // A coordinate: mostly inside the map, sometimes on a grid line or a
    // cell centre, sometimes wild.
    double coordinate(int32_t side) {
        switch (range(0, 9)) {
            case 0: return double(range(0, side));
            case 1: return range(0, side) + 0.5;
            case 2: return pick({kNaN, HUGE_VAL, -HUGE_VAL, 1e300, -1e300, -0.0, 1e-300, 3e9, -7.25});
            case 3: return double(range(0, side)) + pick({1e-9, -1e-9, 1e-13, -1e-13});
            default: return real(-0.5, side + 0.5);
        }
    }
    // A camera vector component: ordinary, zero, tiny, huge or NaN.
    double component() {
        switch (range(0, 11)) {
            case 0: return 0.0;
            case 1: return -0.0;
            case 2: return pick({kNaN, HUGE_VAL, 1e300, 1e-300, 1e-6, -1e-6});
            case 3: return pick({1.0, -1.0, 0.66, -0.66, 0.5});
            default: return real(-1.5, 1.5);
        }
    }

private:
    std::mt19937 rng_;
};

void randomMap(Random& r, MapGrid& map) {
    const int32_t rows = r.pick({0, 1, 2, 5, 8, 24, r.range(1, 40)});
    const int32_t cols = r.pick({0, 1, 3, 8, 24, r.range(1, 40)});
    setMapSize(map, cols, rows);
    const bool closed = r.chance(0.6);
    const double density = r.real(0, 0.4);
    for (int32_t x = 0; x < rows; ++x)
        for (int32_t y = 0; y < cols; ++y) {
            int32_t v = 0;
            const bool border = x == 0 || y == 0 || x == rows - 1 || y == cols - 1;
            if ((border && closed) || r.chance(density)) v = r.range(1, 9);
            if (r.chance(0.01)) v = r.pick({-1, -100, 1000, 70000, INT32_MAX, INT32_MIN});
            map.cells[size_t(x) * size_t(cols) + size_t(y)] = v;
        }
    if (r.chance(0.03)) map.cells.resize(map.cells.size() / 2);  // fewer cells than its sizes claim
}

std::vector<Colour> randomTexture(Random& r) {
    const size_t size = r.chance(0.9) ? size_t(kTexelsPerTexture) : size_t(r.pick({0, 1, 100, 4095, 5000}));
    std::vector<Colour> t(size);
    const int style = r.range(0, 3);
    for (size_t i = 0; i < size; ++i) {
        Colour c = r.bits() & 0xFFFFFF;
        if (style == 1 && (i % 64 < 10 || (i / 64) % 7 == 3)) c = 0;  // transparent parts
        if (style == 2) c = r.bits();                                 // top byte set too
        if (style == 3 && r.chance(0.5)) c = 0;
        t[i] = c;
    }
    return t;
}

void randomWorld(Random& r, World& w, int32_t spriteCount) {
    randomMap(r, w.worldMap);
    w.flatColors.assign(size_t(r.range(1, 12)), 0);
    for (Colour& c : w.flatColors) c = r.chance(0.05) ? (0x80000000u | uint32_t(r.range(0, 30))) : r.bits() & 0xFFFFFF;
    w.textures.assign(size_t(r.range(1, 12)), {});
    for (size_t i = 1; i < w.textures.size(); ++i)
        if (r.chance(0.9)) w.textures[i] = randomTexture(r);
    // A few positions shared by several sprites give equal distances.
    const double shared[] = {r.real(0, 24), r.real(0, 24), r.real(0, 24)};
    for (int32_t i = 0; i < spriteCount; ++i) {
        double x = r.coordinate(24), y = r.coordinate(24);
        if (r.chance(0.1)) x = shared[r.range(0, 2)], y = shared[r.range(0, 2)];
        addSprite(w.sprites, x, y, r.chance(0.9) ? r.range(0, int32_t(w.textures.size()) + 1) : r.pick({-1, 999}));
    }
    // Whatever order the last frame left, or something that is no order.
    for (int32_t& o : w.sprites.spriteOrder) o = r.chance(0.02) ? r.range(-5, spriteCount + 5) : o;
}

Camera randomCamera(Random& r, const MapGrid& map) {
    const int32_t side = std::max(map.rowCount, map.rowLength);
    Camera c{r.coordinate(side), r.coordinate(side), r.component(), r.component(), r.component(), r.component()};
    switch (r.range(0, 5)) {
        case 0: {  // the usual: a unit direction with a perpendicular plane
            const double a = r.real(0, 6.3);
            c.dirX = std::cos(a);
            c.dirY = std::sin(a);
            c.planeX = -0.66 * c.dirY;
            c.planeY = 0.66 * c.dirX;
            break;
        }
        case 1:  // on or just off a grid line, looking along an axis
            c.posX = std::floor(c.posX) + r.pick({0.0, 1e-7, -1e-7, 1e-12});
            c.dirX = r.pick({1.0, -1.0, 0.0});
            c.dirY = c.dirX == 0 ? r.pick({1.0, -1.0}) : 0.0;
            c.planeX = -0.66 * c.dirY;
            c.planeY = 0.66 * c.dirX;
            break;
        case 2:  // direction parallel to the plane
            c.planeX = 2 * c.dirX;
            c.planeY = 2 * c.dirY;
            break;
        default: break;
    }
    return c;
}

// The back buffer: usually the engine's 800 x 600, 24-bit, full of noise;
// sometimes smaller than the view, of another depth, or empty.
void randomBackBuffer(Random& r, Surface& s) {
    const int kind = r.range(0, 9);
    if (kind == 0) return;  // empty
    if (kind == 2) s.bitsPerPixel = 8;  // not drawing targets: 8 and 24 bits
    if (kind != 2 && kind != 3) setFrameLayout(s);
    setWidth(s, kind == 1 ? r.range(1, 700) : kBackBufferWidth);
    setHeight(s, kind == 1 ? r.range(1, 500) : kBackBufferHeight);
    for (uint8_t& b : s.pixels) b = uint8_t(r.bits());
    if (r.chance(0.3)) setBrushStyle(s, bsClear);
    else if (r.chance(0.5)) setBrushColor(s, r.bits() & 0xFFFFFF);
}

void randomSettings(Random& r, RenderSettings& s, int round) {
    static const std::pair<int32_t, int32_t> sizes[] = {{512, 384}, {800, 600}, {513, 385}, {1, 1},
                                                         {320, 200}, {2, 3},     {799, 599}, {5000, 5000}};
    const auto size = sizes[size_t(round) % (sizeof sizes / sizeof sizes[0])];
    s.screenWidth = r.chance(0.8) ? size.first : r.pick({0, -3, r.range(1, 800)});
    s.screenHeight = r.chance(0.8) ? size.second : r.pick({0, -3, r.range(1, 600)});
    s.textureWidth = r.chance(0.6) ? 64 : r.pick({0, 1, 2, 32, 63, 65, -5, r.range(1, 64)});
    s.textureHeight = r.chance(0.6) ? 64 : r.pick({0, 1, 16, 63, 65, r.range(1, 64)});
    s.modeFlat = 1;
    s.modeTextured = r.chance(0.03) ? 1 : 2;
    s.renderMode = r.pick({2, 2, 2, 2, 1, 1, 0, 3});
    s.floorTexture = r.pick({0, 1, 2, 3, 4, 5, -1, 40, r.range(0, 11)});
    s.ceilingTexture = r.pick({0, 1, 2, 3, 4, 6, -1, 40, r.range(0, 11)});
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0);
}
bool allZero(const std::vector<Colour>& v) {
    for (Colour c : v)
        if (c != 0) return false;
    return true;
}

// Renders a copy of the scene with each renderer and compares what they
// leave; the scene then continues as the fast renderer left it.
void renderBoth(Scene& fast, Scene& slow, const std::string& what) {
    renderFrame(fast.settings, fast.camera, fast.world, fast.frame, fast.backBuffer);
    reference::renderFrame(slow.settings, slow.camera, slow.world, slow.frame, slow.backBuffer);
    ASSERT_TRUE(fast.backBuffer.pixels == slow.backBuffer.pixels) << what;
    const Canvas &a = fast.backBuffer.canvas, &b = slow.backBuffer.canvas;
    ASSERT_EQ(a.made, b.made) << what;
    ASSERT_EQ(a.brushColor, b.brushColor) << what;
    ASSERT_EQ(a.brushStyle, b.brushStyle) << what;
    ASSERT_EQ(a.fontHeight, b.fontHeight) << what;
    ASSERT_TRUE(sameBits(fast.frame.zBuffer, slow.frame.zBuffer)) << what;
    ASSERT_EQ(fast.world.sprites.spriteOrder, slow.world.sprites.spriteOrder) << what;
    ASSERT_TRUE(sameBits(fast.world.sprites.spriteDistance, slow.world.sprites.spriteDistance)) << what;
    ASSERT_TRUE(allZero(fast.frame.colorBuffer)) << what;
    ASSERT_TRUE(allZero(slow.frame.colorBuffer)) << what;
}

// Fog, pitch, floor and ceiling maps and sprite scales: ordinary values,
// their edges (fog weights 0 and 256, a horizon off the view) and wild ones.
void randomLook(Random& r, Scene& s) {
    RenderSettings& v = s.settings;
    if (r.chance(0.5)) v.renderMode = v.modeTextured, v.textureWidth = v.textureHeight = 64;
    if (r.chance(0.7)) {
        v.fogStart = r.pick({0.0, 0.0, 1.0, -1.0, r.real(0, 5), 1e300, -1e300});
        v.fogEnd = v.fogStart + r.pick({0.0, -1.0, 1e-9, 0.5, r.real(0, 20), 1e300, kNaN});
        v.fogColour = r.chance(0.3) ? r.pick<Colour>({0, 0xFFFFFF, 0x808080}) : r.bits() & 0xFFFFFF;
    }
    if (r.chance(0.7))
        v.pitch = r.pick({0, 1, -1, 40, -40, r.range(-300, 300), 191, 192, -192, 600, -600, 10000, -10000});
    const MapGrid& map = s.world.worldMap;
    for (CellLayer* layer : {&s.world.floorMap, &s.world.ceilingMap}) {
        *layer = CellLayer{map.rowLength, map.rowCount, {}, {}};
        if (!r.chance(0.5)) continue;
        const bool checker = r.chance(0.5);
        for (int32_t x = 0; x < map.rowCount; ++x) {
            std::string row;
            for (int32_t y = 0; y < map.rowLength; ++y)
                row += char('0' + (checker ? (x / 2 + y) % 3 : r.range(0, 9) * r.chance(0.3)));
            loadLayerRow(*layer, x, row);
        }
    }
    Sprites& sprites = s.world.sprites;
    for (int32_t i = 0; i < sprites.spriteCount; ++i) {
        if (!r.chance(0.5)) continue;
        const double height = r.pick({1.0, 0.5, 0.25, 2.0, 0.1, 1e-3, r.real(0.01, 3), 1e300});
        const double width = r.chance(0.5) ? height : r.pick({1.0, 0.5, 3.0, r.real(0.01, 3)});
        setSpriteScale(sprites, i, width, height, r.pick({0.0, 0.0, 0.5, 1.0 - height, -0.5, r.real(-1, 2), 1e300}));
    }
}

void runScene(Random& r, int round, int32_t spriteCount, bool look = false) {
    Scene fast;
    randomWorld(r, fast.world, spriteCount);
    randomSettings(r, fast.settings, round);
    if (look) randomLook(r, fast);
    fast.camera = randomCamera(r, fast.world.worldMap);
    const int32_t width = std::max(0, std::min(fast.settings.screenWidth, kBackBufferWidth));
    const size_t depths = r.pick({size_t(width), size_t(width), size_t(0), size_t(width / 2), size_t(900)});
    fast.frame.zBuffer.assign(depths, r.real(0, 20));
    if (r.chance(0.05)) fast.frame = FrameBuffers{};  // buffers never made
    randomBackBuffer(r, fast.backBuffer);
    Scene slow = fast;

    // A few frames with the camera and some sprites moving a little, so
    // that each frame starts from the sprite order the last one left.
    for (int frame = 0; frame < 3; ++frame) {
        const std::string what = "round " + std::to_string(round) + " frame " + std::to_string(frame);
        renderBoth(fast, slow, what);
        if (::testing::Test::HasFatalFailure()) return;
        const double dx = r.real(-0.05, 0.05), dy = r.real(-0.05, 0.05);
        for (Scene* s : {&fast, &slow}) {
            s->camera.posX += dx;
            s->camera.posY += dy;
        }
        Sprites& sprites = fast.world.sprites;
        for (int32_t i = 0; i < sprites.spriteCount; i += 7) {
            sprites.spriteX[size_t(i)] += dy;
            slow.world.sprites.spriteX[size_t(i)] = sprites.spriteX[size_t(i)];
        }
    }
}

TEST(RenderDifferential, RandomScenesMatchTheReference) {
    Random r(20240607);
    for (int round = 0; round < 240; ++round) {
        runScene(r, round, r.pick({0, 1, 2, 3, 13, 64, r.range(0, 200)}));
        if (HasFatalFailure()) return;
    }
}

TEST(RenderDifferential, RandomScenesWithFogPitchMapsAndScalesMatchTheReference) {
    Random r(20261210);
    for (int round = 0; round < 240; ++round) {
        runScene(r, round, r.pick({0, 1, 2, 13, 64, r.range(0, 200)}), true);
        if (HasFatalFailure()) return;
    }
}

TEST(RenderDifferential, ManySpritesAndFarSortsMatchTheReference) {
    Random r(77);
    for (int round = 0; round < 12; ++round) {
        runScene(r, round, 1000);
        if (HasFatalFailure()) return;
    }
}

// Whole frames whose floor points fall on texel ties, and an ulp or two off
// them, across whole rows: the camera stands on a tie and looks along an
// axis or a diagonal with a plane of few binary digits, so that row
// distances like 1, 2 or 3 put rows of points exactly on ties. Only the
// Real arithmetic decides how those round, so the stepped rows must leave
// each of them to it. Sizes include non-powers of two; the wide open map
// gives far floor points with large texel coordinates.
TEST(RenderDifferential, FloorRowsAtTexelTiesMatchTheReference) {
    struct Look {
        double dirX, dirY, planeX, planeY;
    };
    // The last two are short: seen from just off the map, their nearest
    // floor points still lie off it.
    const Look looks[] = {{1, 0, 0, 0.5},   {0, -1, 0.5, 0},      {-1, 0, 0, -0.66}, {0.6, 0.8, -0.48, 0.36},
                          {1, 1, -1, 1},    {0, 1, -0.75, 0},     {0.5, 0, 0, 0.25}, {0.4, 0.01, 0, 0.2}};
    const std::pair<int32_t, int32_t> textureSizes[] = {{64, 64}, {32, 16}, {1, 1}, {2, 64}, {63, 17}, {64, 5}};
    const std::pair<int32_t, int32_t> views[] = {{512, 384}, {800, 600}, {320, 200}, {513, 385}, {7, 10}};
    Random r(1234);
    for (int round = 0; round < 100; ++round) {
        Scene fast;
        const int32_t side = r.pick({12, 300});
        // Or a camera just off the map, looking in through an opening in
        // its border: the floor points nearest to it have negative
        // coordinates.
        const bool outside = r.chance(0.2);
        setMapSize(fast.world, side, side);
        for (int32_t x = 0; x < side; ++x)
            for (int32_t y = 0; y < side; ++y)
                fast.world.worldMap.cells[size_t(x) * size_t(side) + size_t(y)] =
                    (x == 0 && !outside) || y == 0 || x == side - 1 || y == side - 1 ? 1 + (x + y) % 2 : 0;
        fast.world.textures.assign(5, std::vector<Colour>(kTexelsPerTexture));
        for (int t = 1; t <= 4; ++t)
            for (int i = 0; i < kTexelsPerTexture; ++i) fast.world.textures[size_t(t)][size_t(i)] = Colour(i * 4 + t);
        const auto view = views[size_t(r.range(0, 4))];
        const auto size = textureSizes[size_t(r.range(0, 5))];
        fast.settings = RenderSettings{view.first, view.second, size.first, size.second, 2, 1, 2, 3, 4};
        // A tie on each axis, moved by up to two ulps, or by as little as a
        // ray direction of 1e-6 (an axis-aligned ray's) moves floor points.
        const auto tie = [&](int32_t texels, int32_t from, int32_t to) {
            double v = (r.range(from * texels, to * texels - 1) + 0.5) / texels;
            if (r.chance(0.3)) return v + r.pick({1e-5, -1e-5, 4e-6, -4e-6}) / texels;
            for (int n = r.range(-2, 2); n != 0; n += n > 0 ? -1 : 1) v = std::nextafter(v, n > 0 ? 1e9 : -1e9);
            return v;
        };
        const Look look = looks[size_t(outside ? r.range(6, 7) : r.range(0, 7))];
        double posX = outside ? tie(size.first, -1, 0) : tie(size.first, 1, side - 1);
        double posY = tie(size.second, 1, side - 1);
        // Or on a cell's edge, an ulp or two off it, under a floor and a
        // ceiling that change from cell to cell: the points of rays along
        // that edge fall on it.
        if (r.chance(0.3)) {
            for (int32_t x = 0; x < side; ++x) {
                std::string cells;
                for (int32_t y = 0; y < side; ++y) cells += char('0' + 1 + (x + y) % 2 * 2);
                loadLayerRow(fast.world.floorMap, x, cells);
                loadLayerRow(fast.world.ceilingMap, x, cells);
            }
            const auto edge = [&](double v) {
                v = std::floor(v);
                for (int n = r.range(-2, 2); n != 0; n += n > 0 ? -1 : 1) v = std::nextafter(v, n > 0 ? 1e9 : -1e9);
                return v;
            };
            posX = outside ? posX : edge(posX);
            posY = edge(posY);
            if (r.chance(0.5)) fast.settings.pitch = r.pick({1, -1, 30});
        }
        fast.camera = Camera{posX, posY, look.dirX, look.dirY, look.planeX, look.planeY};
        fast.frame.zBuffer.assign(size_t(view.first), 0.0);
        fast.backBuffer = frameSurface(kBackBufferWidth, kBackBufferHeight);
        Scene slow = fast;
        renderBoth(fast, slow, "round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

// Rays that meet a wall exactly at its corner, where the march steps into
// the cell of the other face: wallX wraps to 0 and the foot lies a whole
// cell off the ray along that face (y for the second camera, x for the
// others), while the other axis is exact. The column's tie margin must be
// the larger axis's, so that it takes the Real arithmetic like the
// reference.
TEST(RenderDifferential, FloorColumnsWhoseRayMeetsAWallCornerMatchTheReference) {
    struct Corner {
        Camera camera;
        int32_t width, height, column;
    };
    const Corner corners[] = {{{7.0078125, 7.9453125, 1, -1, 1, 1}, 800, 600, 292},
                              {{2.0546875, 2.6171875, -1, 1, -1, -1}, 800, 600, 100},
                              {{2.5, 2.5, 1, 1, -1, 1}, 512, 384, 256}};
    const std::pair<int32_t, int32_t> textureSizes[] = {{64, 64}, {32, 16}};
    for (const Corner& corner : corners)
        for (const auto& size : textureSizes)
            for (const bool fog : {false, true}) {
                Scene fast;
                const int32_t side = 12;
                setMapSize(fast.world, side, side);
                for (int32_t x = 0; x < side; ++x)
                    for (int32_t y = 0; y < side; ++y)
                        fast.world.worldMap.cells[size_t(x) * size_t(side) + size_t(y)] =
                            x == 0 || y == 0 || x == side - 1 || y == side - 1;
                fast.world.textures.assign(2, std::vector<Colour>(kTexelsPerTexture));
                for (int i = 0; i < kTexelsPerTexture; ++i) fast.world.textures[1][size_t(i)] = Colour(i * 4 + 1);
                fast.settings = RenderSettings{corner.width, corner.height, size.first, size.second, 2, 1, 2, 1, 1};
                if (fog) fast.settings.fogEnd = 50;
                fast.camera = corner.camera;
                const ColumnCast c = castColumn(fast.camera, fast.world.worldMap, corner.width, corner.height,
                                                corner.column);
                ASSERT_EQ(c.wallX, 0.0) << "the ray of column " << corner.column << " no longer meets a corner";
                fast.frame.zBuffer.assign(size_t(corner.width), 0.0);
                fast.backBuffer = frameSurface(kBackBufferWidth, kBackBufferHeight);
                Scene slow = fast;
                renderBoth(fast, slow,
                           "column " + std::to_string(corner.column) + ", texture " + std::to_string(size.first) +
                               " x " + std::to_string(size.second) + (fog ? ", fog" : ""));
                if (HasFatalFailure()) return;
            }
}

// Wall slices at the edges of their texture, one column at a time: wallX
// at 0, just below 1 and rounded up to 1 (texture column -1 or
// textureWidth once mirrored), slices just shorter and taller than the
// texture or the view, odd and even view heights, and textures of every
// shape, including one too short for its size.
TEST(RenderDifferential, WallColumnsAtTextureEdgesMatchTheReference) {
    World world;
    world.textures.resize(3);
    world.textures[1].resize(kTexelsPerTexture);
    world.textures[2].resize(100);
    for (int t = 1; t <= 2; ++t)
        for (size_t i = 0; i < world.textures[size_t(t)].size(); ++i) world.textures[size_t(t)][i] = Colour(i * 8 + t);
    FrameBuffers staged;
    reference::initFrameBuffers(staged);
    std::vector<uint8_t> zeros, ones;
    for (const auto& size : {std::make_pair(64, 64), std::make_pair(63, 17), std::make_pair(32, 64),
                             std::make_pair(1, 1), std::make_pair(64, 1)})
        for (int32_t screenHeight : {384, 385, 8})
            for (int32_t lineHeight : {0, 1, 2, 16, 17, 63, 64, 65, 383, 384, 385, 1000, 1 << 22, (1 << 22) + 1})
                for (double wallX : {0.0, 0.5, std::nextafter(1.0, 0.0), 1.0})
                    for (int case_ = 0; case_ < 8; ++case_) {
                        RenderSettings view;
                        view.screenWidth = 1;
                        view.screenHeight = screenHeight;
                        view.textureWidth = size.first;
                        view.textureHeight = size.second;
                        reference::ColumnCast ref;
                        ref.hit = true;
                        ref.wall = 1 + (case_ >> 2);  // texture 2 is too short
                        ref.side = case_ & 1;
                        ref.rayDirX = ref.rayDirY = case_ & 2 ? 1.0 : -1.0;
                        ref.wallX = wallX;
                        ref.lineHeight = lineHeight;
                        ref.drawStart = std::max(0, (screenHeight - lineHeight) >> 1);
                        ref.drawEnd = std::min(screenHeight - 1, (screenHeight + lineHeight) >> 1);
                        std::fill(staged.drawnFlags.begin(), staged.drawnFlags.end(), 0);
                        reference::stageWallColumn(ref, 0, view, world, staged);
                        ColumnCast c;
                        c.hit = true;
                        c.wall = ref.wall;
                        c.side = ref.side;
                        c.rayDirX = ref.rayDirX;
                        c.rayDirY = ref.rayDirY;
                        c.wallX = ref.wallX;
                        c.lineHeight = ref.lineHeight;
                        c.drawStart = ref.drawStart;
                        c.drawEnd = ref.drawEnd;
                        zeros.assign(3 * size_t(screenHeight), 0x00);
                        ones.assign(3 * size_t(screenHeight), 0xFF);
                        drawWallColumn(c, 0, view, world, PixelRows{zeros.data(), 3});
                        drawWallColumn(c, 0, view, world, PixelRows{ones.data(), 3});
                        for (int32_t y = 0; y < screenHeight; ++y) {
                            const size_t i = size_t(y) * kBackBufferWidth, at = 3 * size_t(y);
                            const bool written = std::memcmp(&zeros[at], &ones[at], 3) == 0;
                            const Colour colour =
                                Colour(zeros[at]) << 16 | Colour(zeros[at + 1]) << 8 | Colour(zeros[at + 2]);
                            ASSERT_EQ(written, staged.drawnFlags[i] == 1)
                                << size.first << "x" << size.second << " " << screenHeight << " " << lineHeight
                                << " " << wallX << " " << case_ << " row " << y;
                            if (written) {
                                ASSERT_EQ(colour, staged.colorBuffer[i] & 0xFFFFFF) << "row " << y;
                            }
                        }
                    }
}

// Floor points within a few units in the last place of a texel tie: the
// camera stands on a tie ((k + 0.5) / size) and the wall's foot on the same
// line, so each row's point lands on the tie or an ulp or two off it, and the
// row's weight alone decides which way it rounds. Random scenes almost never
// come this close, so these columns check the floor arithmetic is unchanged
// down to the last bit.
TEST(RenderDifferential, FloorPointsAtTexelTiesMatchTheReference) {
    Random r(4242);
    World world;
    world.textures.resize(3);
    for (int t = 1; t <= 2; ++t) {
        world.textures[size_t(t)].resize(kTexelsPerTexture);
        for (int i = 0; i < kTexelsPerTexture; ++i) world.textures[size_t(t)][size_t(i)] = Colour(i * 2 + t);
    }
    FrameBuffers staged, scratch;
    reference::initFrameBuffers(staged);
    std::vector<uint8_t> zeros, ones;
    for (int round = 0; round < 1500; ++round) {
        RenderSettings view;
        view.screenWidth = r.range(1, 9);
        view.screenHeight = r.range(2, 600);
        view.textureWidth = r.pick({64, 64, 32, 63, 1, 17});
        view.textureHeight = r.pick({64, 64, 16, 63, 1, 5});
        view.floorTexture = 1;
        view.ceilingTexture = 2;
        // A tie on each axis, or a few ulps off it.
        auto tie = [&](int32_t size) {
            double v = (r.range(0, 40 * size) + 0.5) / size;
            for (int n = r.range(-2, 2); n != 0; n += n > 0 ? -1 : 1) v = std::nextafter(v, n > 0 ? 100.0 : -100.0);
            return v;
        };
        const Camera camera{tie(view.textureWidth), tie(view.textureHeight), 1, 0, 0, 0.66};
        FloorCeilingFrame f;
        ASSERT_TRUE(prepareFloorCeiling(view, camera, world, scratch, f));
        std::fill(staged.drawnFlags.begin(), staged.drawnFlags.end(), 0);
        for (int32_t x = 0; x < view.screenWidth; ++x) {
            if (r.chance(0.1)) continue;  // a column without a wall has no floor
            // The wall's foot shares the camera's coordinate on its free axis.
            reference::ColumnCast ref;
            ref.side = r.range(0, 1);
            ref.rayDirX = r.pick({1.0, -1.0});
            ref.rayDirY = r.pick({1.0, -1.0});
            const double along = ref.side == 0 ? camera.posY : camera.posX;
            const double jitter = r.pick({0.0, 0.0, 1e-15, -1e-15});
            ref.wallX = along + jitter - std::floor(along + jitter);
            ref.mapX = int64_t(std::floor(ref.side == 0 ? r.real(0, 40) : camera.posX + jitter));
            ref.mapY = int64_t(std::floor(ref.side == 0 ? camera.posY + jitter : r.real(0, 40)));
            ref.perpWallDist = r.chance(0.3) ? r.range(1, 30) : r.real(0.2, 30);
            ref.drawEnd = ref.drawEndUnclamped = r.range(view.screenHeight / 2, view.screenHeight - 1);
            ref.hit = true;
            reference::stageFloorCeilingColumn(ref, x, camera, view, world, staged);

            ColumnCast c;
            c.side = ref.side;
            c.rayDirX = ref.rayDirX;
            c.rayDirY = ref.rayDirY;
            c.wallX = ref.wallX;
            c.mapX = ref.mapX;
            c.mapY = ref.mapY;
            c.perpWallDist = ref.perpWallDist;
            c.drawEnd = ref.drawEnd;
            c.hit = true;
            noteFloorColumn(c, x, f);
        }
        const size_t pitch = 4 * size_t(view.screenWidth), bytes = pitch * size_t(view.screenHeight);
        zeros.assign(bytes, 0x00);
        ones.assign(bytes, 0xFF);
        drawFloorCeiling(f, PixelRows{zeros.data(), ptrdiff_t(pitch)});
        drawFloorCeiling(f, PixelRows{ones.data(), ptrdiff_t(pitch)});
        for (int32_t y = 0; y < view.screenHeight; ++y)
            for (int32_t x = 0; x < view.screenWidth; ++x) {
                const size_t i = size_t(y) * kBackBufferWidth + size_t(x), at = size_t(y) * pitch + 4 * size_t(x);
                const bool written = std::memcmp(&zeros[at], &ones[at], 3) == 0;
                ASSERT_EQ(written, staged.drawnFlags[i] == 1) << "round " << round << " pixel " << x << "," << y;
                if (!written) continue;
                const Colour c = Colour(zeros[at]) << 16 | Colour(zeros[at + 1]) << 8 | Colour(zeros[at + 2]);
                ASSERT_EQ(c, staged.colorBuffer[i] & 0xFFFFFF) << "round " << round << " pixel " << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace vl
