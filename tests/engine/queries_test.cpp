// vlCastRay and vlGetRayHit as a host calls them, on the renderer's example
// map: the same walls, sides and distances as the frame's columns.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "render/walls.h"
#include "support/render_scene.h"
#include "velmora.h"

namespace {

using namespace vl;

const double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();

// The global record with the example map (8 x 8, walled with kind 1, cell
// (5, 2) of kind 2) and no vlInit: casting needs only the map.
EngineState& exampleWorld() {
    EngineState& st = globalEngine();
    st = EngineState{};
    st.world = test::RenderScene(1).world;
    return st;
}

std::vector<double> hit() {
    std::vector<double> v;
    for (int what = 0; what < 6; ++what) v.push_back(vlGetRayHit(what));
    return v;
}

TEST(CastRay, MeetsTheWallsOfTheFramesColumns) {
    exampleWorld();
    struct Case {
        double x, y, dirX, dirY;
        double distance;
        std::vector<double> hit;  // cell x, cell y, side, kind, point x, point y
    };
    const double sqrt2 = std::sqrt(2.0);
    const Case cases[] = {
        // The centre column: a zero y replaced by 1e-6 steers the march, the
        // hit point keeps the direction as given.
        {2.5, 2.5, 1, 0, 2.5, {5, 2, 0, 2, 5, 2.5}},
        {2.5, 2.5, 1, 1e-6, 2.5 * std::sqrt(1 + 1e-12), {5, 2, 0, 2, 5, 2.5 + 2.5e-6}},
        {2.5, 2.5, 2, 0, 2.5, {5, 2, 0, 2, 5, 2.5}},  // q 1.25 of a direction twice as long
        {2.5, 2.5, 1, 1, 4.5 * sqrt2, {6, 7, 1, 1, 7, 7}},  // ties step in y
        {2.5, 2.5, 0, 1, 4.5, {2, 7, 1, 1, 2.5, 7}},
        {2.5, 2.5, -1, 0, 1.5, {0, 2, 0, 1, 1, 2.5}},
        {2.5, 2.5, 0, -3, 1.5, {2, 0, 1, 1, 2.5, 1}},
        {5.5, 2.5, 1, 0, 1.5, {7, 2, 0, 1, 7, 2.5}},  // the start cell, a wall, is not tested
        {1.0, 2.5, -1, 0, 0, {0, 2, 0, 1, 1, 2.5}},   // on a wall face: distance 0
        {2.5, 2.5, 1e200, 0, 2.5, {5, 2, 0, 2, 5, 2.5}},  // no overflow in the length
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from (" << c.x << ", " << c.y << ") along (" << c.dirX << ", " << c.dirY << ")");
        EXPECT_DOUBLE_EQ(vlCastRay(c.x, c.y, c.dirX, c.dirY), c.distance);
        EXPECT_EQ(hit(), c.hit);
    }
    EXPECT_STREQ(vlGetLastError(), "");

    // Every column of the example view: the column's perpWallDist along its
    // ray direction, scaled by that direction's length.
    const test::RenderScene scene(1);
    for (int32_t x = 0; x < 512; ++x) {
        const ColumnCast column = castColumn(scene.camera, scene.world.worldMap, 512, 384, x);
        const double dirX = 1, dirY = 0.66 * column.cameraX;
        ASSERT_EQ(vlCastRay(2.5, 2.5, dirX, dirY), column.perpWallDist * std::sqrt(dirX * dirX + dirY * dirY)) << x;
        ASSERT_EQ(hit()[0], double(column.mapX)) << x;
        ASSERT_EQ(hit()[1], double(column.mapY)) << x;
        ASSERT_EQ(hit()[2], double(column.side)) << x;
    }
}

TEST(CastRay, RefusesWhatHasNoAnswerAndKeepsTheLastHit) {
    EngineState& st = exampleWorld();
    EXPECT_EQ(vlGetRayHit(0), -1.0);
    EXPECT_STREQ(vlGetLastError(), "ERangeError: No ray has met a wall yet");
    ASSERT_EQ(vlCastRay(2.5, 2.5, 1, 0), 2.5);
    const std::vector<double> first = hit();

    const std::string range = "ERangeError: Ray out of range", leaves = "ERangeError: The ray leaves the map";
    struct Case {
        const char* what;
        double x, y, dirX, dirY;
        std::string error;
    };
    const Case cases[] = {
        {"no direction", 2.5, 2.5, 0, -0.0, range},
        {"NaN point", kNaN, 2.5, 1, 0, range},
        {"infinite point", 2.5, -kInf, 1, 0, range},
        {"NaN direction", 2.5, 2.5, kNaN, 1, range},
        {"infinite direction", 2.5, 2.5, 1, kInf, range},
        {"squares that underflow", 2.5, 2.5, 1e-200, 1e-200, range},
        {"squares that overflow", 2.5, 2.5, -1e300, 1e300, range},
        {"off the map", 20.5, 2.5, -1, 0, leaves},
        {"through an open border", 2.5, 3.5, 1, 0, leaves},
    };
    st.world.worldMap.cells[7 * 8 + 3] = 0;  // opens the border at (7, 3)
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        st.lastError.clear();
        EXPECT_EQ(vlCastRay(c.x, c.y, c.dirX, c.dirY), -1.0);
        EXPECT_EQ(vlGetLastError(), c.error);
        EXPECT_EQ(hit(), first);
    }
    st.world.worldMap = MapGrid{};
    EXPECT_EQ(vlCastRay(2.5, 2.5, 1, 0), -1.0);
    EXPECT_EQ(vlGetLastError(), leaves);

    // Items are rounded; anything outside 0 to 5 is refused.
    EXPECT_EQ(vlGetRayHit(0.4), 5.0);
    for (double what : {-1.0, 6.0, 5.5, kNaN, kInf, 4294967296.0}) {
        st.lastError.clear();
        EXPECT_EQ(vlGetRayHit(what), -1.0) << what;
        EXPECT_STREQ(vlGetLastError(), "ERangeError: Ray hit item out of range") << what;
    }
}

}  // namespace
