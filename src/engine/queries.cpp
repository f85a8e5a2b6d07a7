// The questions game code asks about the world, answered with the
// renderer's own code so that the answer is what a frame shows.
#include <algorithm>
#include <cmath>

#include "base/error.h"
#include "base/numeric.h"
#include "engine/engine.h"
#include "render/walls.h"

namespace vl {

namespace {

// |(x, y)| without overflow or underflow. Scaling by a power of two is exact,
// so in the ordinary range this is sqrt(x * x + y * y) to the bit, on every
// target (unlike hypot, whose last bit differs between C runtimes).
double vectorLength(double x, double y) {
    const int e = std::ilogb(std::max(std::fabs(x), std::fabs(y)));
    x = std::ldexp(x, -e);
    y = std::ldexp(y, -e);
    return std::ldexp(std::sqrt(x * x + y * y), e);
}

}  // namespace

double castRay(EngineState& st, double x, double y, double dirX, double dirY) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(dirX) || !std::isfinite(dirY) ||
        (dirX == 0 && dirY == 0))
        fail("ERangeError", "Ray out of range");
    // The centre column of a view 2 wide has cameraX 0, so with no plane its
    // ray is exactly (dirX, dirY), set up, marched and measured as a frame's.
    const Camera camera{x, y, dirX, dirY, 0, 0};
    const ColumnCast c = castColumn(camera, st.world.worldMap, 2, 1, 1);
    // A NaN step length (both components' squares underflow or overflow, or
    // a start on a grid line with an infinite one) leaves the march no
    // direction: its answer would be a guess.
    if (std::isnan(c.sideDistX) || std::isnan(c.sideDistY)) fail("ERangeError", "Ray out of range");
    if (!c.hit) fail("ERangeError", "The ray leaves the map");
    // The march's quotient is never negative; its absolute value only turns
    // -0.0 into 0.0.
    const double q = c.perpWallDist;
    const double distance = q * vectorLength(dirX, dirY);
    const double hitX = x + q * dirX, hitY = y + q * dirY;
    if (!std::isfinite(distance) || !std::isfinite(hitX) || !std::isfinite(hitY))
        fail("ERangeError", "Ray out of range");
    st.lastRay = RayHit{true, {double(c.mapX), double(c.mapY), double(c.side), double(c.wall), hitX, hitY}};
    return distance;
}

double rayHit(const EngineState& st, double what) {
    int64_t index = -1;
    if (!roundTo64(what, index) || index < 0 || index > 5) fail("ERangeError", "Ray hit item out of range");
    if (!st.lastRay.valid) fail("ERangeError", "No ray has met a wall yet");
    return st.lastRay.values[index];
}

}  // namespace vl
