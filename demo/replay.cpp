// The demo's scripted walk replayed on the native core library, with no
// window: it makes the same calls as the Windows demo for the same frames and
// prints the same checksum lines, computed from the back buffer itself. The
// demo's test compares the two, which checks the DLL, its presentation and
// the native build against each other.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "scene.h"

namespace {

std::vector<uint32_t> backBufferPixels() {
    const vl::Surface& s = vl::globalEngine().backBuffer;
    std::vector<uint32_t> pixels;
    pixels.reserve(size_t(demo::kViewWidth) * size_t(demo::kViewHeight));
    for (int y = 0; y < demo::kViewHeight; ++y) {
        for (int x = 0; x < demo::kViewWidth; ++x) pixels.push_back(vl::pixelAt(s, x, y));
    }
    return pixels;
}

}  // namespace

int main(int argc, char** argv) {
    std::string assets;
    int mode = 2, frames = 0, every = 0;
    bool minimap = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--assets" && hasValue) assets = argv[++i];
        else if (a == "--mode" && hasValue) mode = std::atoi(argv[++i]);
        else if (a == "--frames" && hasValue) frames = std::atoi(argv[++i]);
        else if (a == "--checksum" && hasValue) every = std::atoi(argv[++i]);
        else if (a == "--no-minimap") minimap = false;
        else if (a == "--walk") continue;  // the replay always walks
        else {
            std::fputs("usage: velmora_replay --assets DIR [--mode 1|2] [--frames N] [--checksum K] [--no-minimap]\n",
                       stderr);
            return 2;
        }
    }

    VelmoraApi api;
#define VL_BIND(name) api.name = &::name;
    VELMORA_EXPORTS(VL_BIND)
#undef VL_BIND
    api.vlInit(0);
    demo::Scene scene;
    scene.mode = mode;
    scene.minimap = minimap;
    std::string error;
    if (!demo::setupScene(api, assets, scene, error)) {
        std::fprintf(stderr, "velmora_replay: %s\n", error.c_str());
        return 1;
    }
    int frame = 0;
    for (; frames <= 0 || frame < frames; ++frame) {
        if (!demo::scriptedStep(scene, frame)) break;
        demo::drawScene(api, scene, [](auto&& render) { render(); });
        if (demo::isChecksumFrame(frame, every))
            std::printf("%s\n", demo::checksumLine(frame, scene.mode, demo::checksum(backBufferPixels())).c_str());
    }
    std::printf("frames: %d\n", frame);
    return 0;
}
