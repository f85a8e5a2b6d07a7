#pragma once
// What the Windows and the Linux demo hosts share: their options, the frame
// timer and keyboard steering. Windows, keys and presentation are each
// host's own.
#include <chrono>
#include <string>

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

// One frame of keyboard movement: each axis -1, 0 or 1 (forward, turn
// right, step right) for dt seconds.
void steer(Scene& scene, double forward, double right, double side, double dt);

}  // namespace demo
