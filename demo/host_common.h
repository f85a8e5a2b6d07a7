#pragma once
// What the Windows and the Linux demo hosts share: their options, the frame
// timer and keyboard steering. Windows, keys and presentation are each
// host's own.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "scene.h"

namespace demo {

extern const char kUsage[];

struct Options {
    int mode = 2;
    bool walk = false;
    int frames = 0;  // 0: no limit
    int checksumEvery = 0;
    bool minimap = true;
    std::string screenshot;
    std::string assets;
};

// False on an unknown option or a missing value; --help prints the usage
// and exits.
bool parseOptions(int argc, char** argv, Options& o);

inline double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Average time of the calls it wraps.
struct Timer {
    double total = 0;
    int count = 0;
    template <class F>
    void operator()(F&& f) {
        const double start = now();
        f();
        total += now() - start;
        ++count;
    }
    double averageMs() const { return count ? 1000 * total / count : 0; }
};

// What a host's window says before each frame: keys pressed once since the
// last frame, and the steering axes held now, each -1, 0 or 1.
struct FrameInput {
    bool quit = false;
    int modeRequest = 0;  // 1 or 2: switch to that mode
    bool toggleMinimap = false;
    double forward = 0, right = 0, side = 0;
    bool toggleFog = false;
    int lookSteps = 0;      // Page Up presses (and repeats) less Page Down ones
    bool levelView = false;  // Home
};

// The windows' side of the frame loop: read the input, and read back the
// frame as shown (0x00BBGGRR, rows from the top) for checksums and the
// screenshot.
struct HostWindow {
    std::function<FrameInput()> poll;
    std::function<std::vector<uint32_t>()> readFrame;
    std::function<std::vector<uint32_t>()> screenshot;  // the last frame for --screenshot; readFrame if unset
};

// Runs the demo in a window whose handle vlInit has had: the scene, the
// frames until quit, the tour's end or --frames, then the screenshot and
// the timings. Returns the program's exit code: 1 when the scene could not
// be set up, the screenshot not written or a frame not presented.
int runDemo(const VelmoraApi& api, const Options& options, const std::string& assets, const HostWindow& window);

}  // namespace demo
