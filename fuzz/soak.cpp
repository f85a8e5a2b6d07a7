// A long run of random export calls in one process. After every thousand
// calls a fixed scene, kept in its own engine record, must still render the
// pixels it rendered before the run: nothing the calls did may have reached
// memory they do not own. Run under the sanitizer build.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "call_script.h"
#include "engine/engine.h"

namespace {

uint64_t renderChecksum(vl::EngineState& st) {
    st.camera = vl::Camera{2.5, 2.5, 1, 0.25, -0.165, 0.66};
    vl::raycastingScreen(st);
    uint64_t h = 1469598103934665603ull;
    for (int y = 0; y < st.settings.screenHeight; ++y) {
        const uint8_t* row = vl::scanLine(st.backBuffer, y);
        for (int i = 0; i < 3 * st.settings.screenWidth; ++i) h = (h ^ row[i]) * 1099511628211ull;
    }
    return h;
}

void buildScene(vl::EngineState& st) {
    vl::init(st, 0);
    vl::setWindowSize(st, 160, 120);
    vl::setMapSize(st.world.worldMap, 8, 8);
    for (int x = 0; x < 8; ++x)
        vl::loadMapRow(st.world.worldMap, x, (x == 0 || x == 7) ? "11111111" : x == 4 ? "10020001" : "10000001");
    st.world.textures.resize(4);
    for (int t = 1; t < 4; ++t) {
        st.world.textures[size_t(t)].resize(vl::kTexelsPerTexture);
        for (int i = 0; i < vl::kTexelsPerTexture; ++i)
            st.world.textures[size_t(t)][size_t(i)] = vl::makeColour(i * 7 + t, i / 64 * 3, t * 60);
    }
    st.settings.textureWidth = st.settings.textureHeight = 64;
    st.settings.renderMode = 2;
    st.settings.floorTexture = 3;
    st.settings.ceilingTexture = 1;
    vl::addSprite(st.world.sprites, 5.5, 3.5, 2);
    vl::addSprite(st.world.sprites, 3.5, 2.0, 3);
}

}  // namespace

int main(int argc, char** argv) {
    const long calls = argc > 1 ? std::atol(argv[1]) : 1000000;
    vl::EngineState scene;
    buildScene(scene);
    const uint64_t expected = renderChecksum(scene);

    std::mt19937_64 rng(20261208);
    std::vector<uint8_t> bytes(1 << 16);
    vl::fuzz::ByteStream in{bytes.data(), 0};
    vlInit(0);
    vlSetWindowSize(96, 72);
    const auto start = std::chrono::steady_clock::now();
    long checks = 0;
    for (long done = 0; done < calls; done += 1000) {
        int framesLeft = 10;
        for (int i = 0; i < 1000; ++i) {
            if (in.at + 64 > in.size) {
                for (uint8_t& b : bytes) b = uint8_t(rng());
                in = vl::fuzz::ByteStream{bytes.data(), bytes.size()};
            }
            vl::fuzz::oneCall(in, framesLeft);
        }
        ++checks;
        if (renderChecksum(scene) != expected) {
            std::printf("soak: the fixed scene changed after %ld calls\n", done + 1000);
            return 1;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("soak: %ld calls, %ld scene checks, %.1f s, scene unchanged\n", calls, checks, seconds);
    return 0;
}
