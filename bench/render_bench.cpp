// Frame times of the renderer against the reference renderer (the formulas
// as first written), in the same process: every scene of bench_scene.h with
// the camera walking its circle, so every frame differs. Repetitions of the
// two are interleaved and the medians compared, since the machine is shared.
// Prints Google Benchmark's own report, then one "RESULT" line per row for
// the table that `make bench` assembles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_scene.h"
#include "render/frame.h"
#include "render/reference/frame.h"
#include "render/reference/sprites.h"
#include "render/sprites.h"
#include "surface/surface.h"
#include "world/world.h"

namespace {

using namespace vl;

using RenderFn = void (*)(const RenderSettings&, const Camera&, World&, FrameBuffers&, Surface&);

struct NativeScene {
    World world;
    RenderSettings settings;
    FrameBuffers frame;
    Surface backBuffer;
    int step = 0;

    NativeScene(const bench::Scene& s, int spriteCount) {
        setMapSize(world, bench::kMapSide, bench::kMapSide);
        for (int x = 0; x < bench::kMapSide; ++x)
            for (int y = 0; y < bench::kMapSide; ++y)
                world.worldMap.cells[size_t(x) * bench::kMapSide + size_t(y)] = bench::mapCell(x, y);
        world.flatColors.assign(1, 0);
        for (int k = 1; k <= bench::kWallTextures; ++k) world.flatColors.push_back(bench::flatColour(k));
        world.textures.resize(bench::kTextureCount + 1);
        for (int t = 1; t <= bench::kTextureCount; ++t) {
            std::vector<Colour>& tex = world.textures[size_t(t)];
            tex.resize(kTexelsPerTexture);
            for (int y = 0; y < kTextureSide; ++y)
                for (int x = 0; x < kTextureSide; ++x) tex[size_t(y * kTextureSide + x)] = bench::texel(t, x, y);
        }
        for (int i = 0; i < spriteCount; ++i) {
            double x, y;
            bench::spritePosition(i, spriteCount, x, y);
            addSprite(world.sprites, x, y, s.spriteTexture);
        }
        settings.screenWidth = s.width;
        settings.screenHeight = s.height;
        settings.textureWidth = settings.textureHeight = kTextureSide;
        settings.modeFlat = 1;
        settings.modeTextured = 2;
        settings.renderMode = s.mode;
        settings.floorTexture = bench::kFloorTexture;
        settings.ceilingTexture = bench::kCeilingTexture;
        frame.zBuffer.assign(size_t(s.width), 0.0);
        if (s.look) {
            settings.fogStart = bench::kFogStart;
            settings.fogEnd = bench::kFogEnd;
            settings.fogColour = bench::rgb(bench::kFogRed, bench::kFogGreen, bench::kFogBlue);
            settings.pitch = bench::kPitch;
            for (int x = 0; x < bench::kMapSide; ++x) {
                std::string row;
                for (int y = 0; y < bench::kMapSide; ++y) row += char('0' + bench::floorCell(x, y));
                loadLayerRow(world.floorMap, x, row);
            }
            for (int i = 0; i < spriteCount; ++i)
                setSpriteScale(world.sprites, i, bench::kSpriteScale, bench::kSpriteScale, 0);
        }
        backBuffer = frameSurface(kBackBufferWidth, kBackBufferHeight);
    }

    Camera nextCamera() {
        const bench::Pose p = bench::cameraPose(step++);
        return Camera{p.posX, p.posY, p.dirX, p.dirY, p.planeX, p.planeY};
    }
};

void runFrames(benchmark::State& state, const bench::Scene& scene, RenderFn render) {
    NativeScene s(scene, scene.sprites);
    for (auto _ : state) {
        const Camera camera = s.nextCamera();
        render(s.settings, camera, s.world, s.frame, s.backBuffer);
        benchmark::DoNotOptimize(s.backBuffer.pixels.data());
        benchmark::ClobberMemory();
    }
}

// The sprite pass without its pixels: distances, sort and projection of the
// scattered sprites, as a textured frame does them.
void referenceSortAndProject(World& world, const RenderSettings& view, const Camera& camera) {
    Sprites& s = world.sprites;
    const int32_t n = s.spriteCount;
    for (int32_t i = 0; i < n; ++i) {
        s.spriteOrder[size_t(i)] = i;
        s.spriteDistance[size_t(i)] = (camera.posX - s.spriteX[size_t(i)]) * (camera.posX - s.spriteX[size_t(i)]) +
                                      (camera.posY - s.spriteY[size_t(i)]) * (camera.posY - s.spriteY[size_t(i)]);
    }
    reference::combSort(s.spriteOrder.data(), s.spriteDistance.data(), n);
    for (int32_t p = 0; p < n; ++p) {
        const size_t k = size_t(s.spriteOrder[size_t(p)]);
        const reference::SpriteProjection projection = reference::projectSprite(
            camera, view.screenWidth, view.screenHeight, s.spriteX[k], s.spriteY[k]);
        benchmark::DoNotOptimize(projection);
    }
}

void runSortAndProject(benchmark::State& state, bool useReference) {
    NativeScene s(bench::kScenes[0], bench::kSpriteCapacity);
    FrameBuffers& frame = s.frame;
    for (auto _ : state) {
        const Camera camera = s.nextCamera();
        if (useReference)
            referenceSortAndProject(s.world, s.settings, camera);
        else
            benchmark::DoNotOptimize(sortAndProjectSprites(s.settings, camera, s.world, frame));
        benchmark::ClobberMemory();
    }
}

// Keeps the median of each benchmark's repetitions, in milliseconds.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> medians;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians[r.run_name.function_name] = r.GetAdjustedRealTime() * 1e3 /
                                                     benchmark::GetTimeUnitMultiplier(r.time_unit);
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string repetitions = "--benchmark_repetitions=9";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    std::string minTime = "--benchmark_min_time=0.05";
    for (std::string* flag : {&interleave, &repetitions, &aggregates, &minTime})
        args.insert(args.begin() + 1, flag->data());
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());

    for (const bench::Scene& scene : bench::kScenes) {
        benchmark::RegisterBenchmark(("before/" + std::string(scene.name)).c_str(), runFrames, scene,
                                     RenderFn(&reference::renderFrame))
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("after/" + std::string(scene.name)).c_str(), runFrames, scene,
                                     RenderFn(&renderFrame))
            ->Unit(benchmark::kMillisecond);
    }
    const char* sortRow = "sort and projection of 1000 sprites";
    benchmark::RegisterBenchmark(("before/" + std::string(sortRow)).c_str(), runSortAndProject, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("after/" + std::string(sortRow)).c_str(), runSortAndProject, false)
        ->Unit(benchmark::kMillisecond);

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::vector<std::string> names;
    for (const bench::Scene& scene : bench::kScenes) names.push_back(scene.name);
    names.push_back(sortRow);
    std::printf("\n%-38s %12s %12s %8s\n", "native, median frame", "before ms", "after ms", "ratio");
    for (const std::string& name : names) {
        const auto before = reporter.medians.find("before/" + name), after = reporter.medians.find("after/" + name);
        if (before == reporter.medians.end() || after == reporter.medians.end()) continue;
        std::printf("%-38s %12.4f %12.4f %8.2f\n", name.c_str(), before->second, after->second,
                    before->second / after->second);
    }
    for (const std::string& name : names) {
        const auto before = reporter.medians.find("before/" + name), after = reporter.medians.find("after/" + name);
        if (before == reporter.medians.end() || after == reporter.medians.end()) continue;
        std::printf("RESULT native|%s|%.4f|%.4f\n", name.c_str(), before->second, after->second);
    }
    return 0;
}
