#include "host_common.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace demo {

const char kUsage[] =
    "usage: velmora_demo [options]\n"
    "  --mode 1|2          start in flat (1) or textured (2) mode (default 2)\n"
    "  --walk              follow the fixed tour through the map instead of the keyboard\n"
    "  --frames N          stop after N frames\n"
    "  --screenshot FILE   write the last frame as a PNG file\n"
    "  --checksum K        print a checksum of every K-th frame before the HUD is drawn\n"
    "  --no-minimap        start with the minimap hidden\n"
    "  --assets DIR        where world.txt and the textures are (default: assets beside the program)\n"
    "keys: arrows or WASD move and turn, Q/E step sideways, 1 flat, 2 textured, M minimap, Esc quit\n";

bool parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h" || a == "/?") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (a == "--walk") {
            o.walk = true;
        } else if (a == "--no-minimap") {
            o.minimap = false;
        } else if (a == "--mode" && hasValue) {
            o.mode = std::atoi(argv[++i]);
            if (o.mode != 1 && o.mode != 2) return false;
        } else if (a == "--frames" && hasValue) {
            o.frames = std::atoi(argv[++i]);
        } else if (a == "--checksum" && hasValue) {
            o.checksumEvery = std::atoi(argv[++i]);
        } else if (a == "--screenshot" && hasValue) {
            o.screenshot = argv[++i];
        } else if (a == "--assets" && hasValue) {
            o.assets = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

void steer(Scene& scene, double forward, double right, double side, double dt) {
    constexpr double kSpeed = 3.0, kTurnSpeed = 2.4;  // cells and radians per second
    if (right != 0) turn(scene.camera, std::cos(right * kTurnSpeed * dt), std::sin(right * kTurnSpeed * dt));
    if (forward != 0) walkForward(scene, forward * kSpeed * dt);
    if (side != 0) {
        // Step along the plane: turn a quarter, walk, turn back.
        turn(scene.camera, 0, 1);
        walkForward(scene, side * kSpeed * dt);
        turn(scene.camera, 0, -1);
    }
}

}  // namespace demo
