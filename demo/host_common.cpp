#include "host_common.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "png_write.h"

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
    "keys: arrows or WASD move and turn, Q/E step sideways, 1 flat, 2 textured, M minimap, F fog,\n"
    "      Page Up/Page Down look up and down, Home levels the view, Esc quit\n";

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

namespace {

// Rows the view tilts per press of Page Up or Page Down.
constexpr int kLookStep = 20;

// One frame of keyboard movement for dt seconds.
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

}  // namespace

int runDemo(const VelmoraApi& api, const Options& options, const std::string& assets, const HostWindow& window) {
    Scene scene;
    scene.mode = options.mode;
    scene.minimap = options.minimap;
    std::string error;
    if (!setupScene(api, assets, scene, error)) {
        std::fprintf(stderr, "velmora_demo: %s\n", error.c_str());
        return 1;
    }

    Timer renderTimer, presentTimer;
    double fps = 0, fpsStart = now(), last = now();
    int fpsFrames = 0, frame = 0;
    bool presentFailed = false;
    for (;;) {
        const FrameInput input = window.poll();
        if (input.quit) break;
        const double t = now();
        const double dt = std::fmin(t - last, 0.1);  // no leaps after a stall
        last = t;
        if (input.modeRequest) scene.mode = input.modeRequest;
        if (input.toggleMinimap) scene.minimap = !scene.minimap;
        if (input.toggleFog) scene.fog = !scene.fog;
        if (options.walk) {
            if (!scriptedStep(scene, frame)) break;
        } else {
            steer(scene, input.forward, input.right, input.side, dt);
            if (input.levelView) scene.pitch = 0;
            tilt(scene, input.lookSteps * kLookStep);
            scene.seconds += dt;
        }

        drawScene(api, scene, renderTimer);
        if (isChecksumFrame(frame, options.checksumEvery)) {
            api.vlDrawScreen();
            std::printf("%s\n", checksumLine(frame, scene.mode, checksum(window.readFrame())).c_str());
        }
        drawHud(api, hudText(scene, fps, renderTimer.averageMs()));
        double presented = 0;
        presentTimer([&] { presented = api.vlDrawScreen(); });
        if (presented == -1.0 && !presentFailed) {
            std::fprintf(stderr, "velmora_demo: vlDrawScreen failed: %s\n", api.vlGetLastError());
            presentFailed = true;
        }

        ++frame;
        ++fpsFrames;
        if (t - fpsStart >= 0.5) {
            fps = fpsFrames / (t - fpsStart);
            fpsStart = t;
            fpsFrames = 0;
        }
        if (options.frames > 0 && frame >= options.frames) break;
    }

    if (!options.screenshot.empty() && frame > 0) {
        const std::vector<uint32_t> last = window.screenshot ? window.screenshot() : window.readFrame();
        if (!writePng(options.screenshot, last, kViewWidth, kViewHeight)) {
            std::fprintf(stderr, "velmora_demo: cannot write %s\n", options.screenshot.c_str());
            return 1;
        }
        std::printf("screenshot: %s\n", options.screenshot.c_str());
    }
    std::printf("frames: %d (%s mode at the end)\n", frame, scene.mode == 1 ? "flat" : "textured");
    std::printf("vlRaycastingScreen: %.3f ms average\n", renderTimer.averageMs());
    std::printf("vlDrawScreen: %.3f ms average\n", presentTimer.averageMs());
    std::fflush(stdout);
    return presentFailed ? 1 : 0;
}

}  // namespace demo
