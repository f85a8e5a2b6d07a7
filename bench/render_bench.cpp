// Frame times of the renderer at the default 512 x 384 view: a textured frame
// (walls, floor, ceiling and 64 sprites) and a flat one, on a 24 x 24 map
// with the camera circling the open middle so every frame differs.
#include <benchmark/benchmark.h>

#include <cmath>

#include "render/frame.h"
#include "surface/surface.h"
#include "world/world.h"

namespace {

using namespace vl;

constexpr int kSide = 24;
constexpr int kSprites = 64;

std::vector<Colour> patternTexture(int seed, bool holes) {
    std::vector<Colour> t(kTexelsPerTexture);
    for (int y = 0; y < kTextureSide; ++y)
        for (int x = 0; x < kTextureSide; ++x) {
            const int v = (x ^ y) * 4;
            Colour c = makeColour(v + seed * 30, 255 - v, (x * y + seed * 50) & 0xFF);
            // Sprites get a transparent border so their texel test matters.
            if (holes && (x < 8 || x >= 56)) c = 0;
            t[size_t(y * kTextureSide + x)] = c;
        }
    return t;
}

struct Bench {
    World world;
    RenderSettings settings;
    Camera camera;
    FrameBuffers frame;
    Surface backBuffer;
    int step = 0;

    explicit Bench(int32_t mode) {
        setMapSize(world.worldMap, kSide, kSide);
        for (int x = 0; x < kSide; ++x)
            for (int y = 0; y < kSide; ++y) {
                int v = 0;
                if (x == 0 || y == 0 || x == kSide - 1 || y == kSide - 1) v = 1 + (x + y) % 4;
                // Pillars away from the camera's circle.
                if ((x == 3 || x == 20) && (y % 5 == 3)) v = 1 + (x * y) % 4;
                world.worldMap.cells[size_t(x) * kSide + size_t(y)] = v;
            }
        world.flatColors = {0, 0x000000C0, 0x0000C000, 0x00C00000, 0x00C0C0C0};
        world.textures.resize(8);
        for (int t = 1; t < 7; ++t) world.textures[size_t(t)] = patternTexture(t, false);
        world.textures[7] = patternTexture(7, true);
        for (int i = 0; i < kSprites; ++i)
            addSprite(world.sprites, 2.5 + 19.0 * (i % 8) / 7, 2.5 + 19.0 * (i / 8) / 7, 7);

        settings.screenWidth = 512;
        settings.screenHeight = 384;
        settings.textureWidth = settings.textureHeight = kTextureSide;
        settings.modeFlat = 1;
        settings.modeTextured = 2;
        settings.renderMode = mode;
        settings.floorTexture = 5;
        settings.ceilingTexture = 6;
        initFrameBuffers(frame);
        frame.zBuffer.assign(512, 0.0);
        setWidth(backBuffer, 800);
        setHeight(backBuffer, 600);
        setPixelFormat24(backBuffer);
    }

    // Walks a circle of radius 5 around the middle, looking along it.
    void moveCamera() {
        const double a = 0.01 * step++;
        const double dirX = -std::sin(a), dirY = std::cos(a);
        camera = Camera{12 + 5 * std::cos(a), 12 + 5 * std::sin(a), dirX, dirY, 0.66 * dirY, -0.66 * dirX};
    }
};

void runFrames(benchmark::State& state, int32_t mode) {
    Bench b(mode);
    for (auto _ : state) {
        b.moveCamera();
        renderFrame(b.settings, b.camera, b.world, b.frame, b.backBuffer);
        benchmark::DoNotOptimize(b.backBuffer.pixels.data());
    }
    state.SetItemsProcessed(state.iterations());  // items per second = frames per second
}

void BM_TexturedFrame(benchmark::State& state) { runFrames(state, 2); }
void BM_FlatFrame(benchmark::State& state) { runFrames(state, 1); }

BENCHMARK(BM_TexturedFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlatFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
