#pragma once
// The demo's world and everything it draws, written against the library's
// exports only. Shared by the Windows demo and the native replay tool, so
// both issue exactly the same calls for the same frame.
#include <cstdint>
#include <string>
#include <vector>

#include "velmora_api.h"

namespace demo {

constexpr int kViewWidth = 800;   // the view fills the whole back buffer
constexpr int kViewHeight = 600;
constexpr double kScriptedFps = 60.0;  // scripted runs advance time by this per frame

struct Point {
    double x = 0, y = 0;
};

// What the level file says about the look: fog, floor and ceiling tiles per
// cell, sprite sizes, and the tour's view tilting up and down (the keys fog,
// floorrow, ceilingrow, scale and look).
struct LevelLook {
    struct Row {
        int x;
        std::string cells;
    };
    struct Scale {
        int texture;  // every sprite of this texture
        double width, height, lift;
    };
    struct Tilt {
        int waypoint, pitch;  // from this tour waypoint on, the view eases to this pitch
    };
    bool fog = false;
    int fogRed = 0, fogGreen = 0, fogBlue = 0;
    double fogStart = 0, fogEnd = 0;
    std::vector<Row> floorRows, ceilingRows;
    std::vector<Scale> scales;
    std::vector<Tilt> tilts;
};

// The level file that gen_assets.py writes next to the textures.
struct Level {
    struct Texture {
        int index;
        std::string file;
    };
    struct Flat {
        int index, red, green, blue;
    };
    struct Sprite {
        double x, y;
        int texture;
    };
    std::vector<Texture> textures;
    std::vector<Flat> flats;
    int floorTexture = 0, ceilingTexture = 0;
    int rowLength = 0, rowCount = 0;  // the map is rowCount rows (world x) of rowLength cells (world y)
    std::vector<std::string> rows;
    std::vector<Sprite> sprites;
    Point start, startDir{1, 0};
    std::vector<Point> walk;
    std::string logo;
    int patrolSprite = -1;  // a sprite that goes back and forth between two points
    Point patrolFrom, patrolTo;
    double patrolSeconds = 1;
    LevelLook look;
};

bool loadLevel(const std::string& path, Level& level, std::string& error);
// The map cell at (x, y); everything outside the map counts as wall.
int cellAt(const Level& level, int x, int y);

struct Camera {
    double posX = 0, posY = 0, dirX = 1, dirY = 0, planeX = 0, planeY = 0.66;
};

struct Scene {
    Level level;
    Camera camera;
    int mode = 2;          // 1 flat, 2 textured
    bool minimap = true;
    int logo = -1;         // overlay image index
    std::vector<int> spriteIds;
    size_t waypoint = 0;   // next point of the scripted walk
    double seconds = 0;    // world time, drives the moving sprite
    bool fog = true;       // the level's fog, if it has one
    int pitch = 0;         // rows the horizon moves down (looking up)
};

constexpr int kMaxPitch = 200;  // a third of the view up or down

// Loads textures, colours, map, sprites and logo from assetsDir into the
// library and places the camera at the level's start.
bool setupScene(const VelmoraApi& api, const std::string& assetsDir, Scene& scene, std::string& error);

// Turns the camera by the angle whose cosine and sine are given (positive
// turns right, towards the camera plane).
void turn(Camera& camera, double cosAngle, double sinAngle);
// Looks up (positive rows) or down, within kMaxPitch.
void tilt(Scene& scene, int rows);
// Moves along the view direction (negative: backwards), sliding along walls.
void walkForward(Scene& scene, double distance);
// One frame of the scripted tour: turn towards the next point, then walk to
// it. Uses only + - * / and sqrt, so every platform computes the same camera.
// Returns false once the tour is over.
bool scriptedStep(Scene& scene, int frame);

// One frame up to the HUD, in this order: camera and moving sprite, the
// background the frame does not cover, the view, the logo and minimap.
// timeRender(f) must call f once; the Windows demo times it there.
template <class TimeRender>
void drawScene(const VelmoraApi& api, Scene& scene, TimeRender&& timeRender);

void prepareFrame(const VelmoraApi& api, Scene& scene);
void drawOverlays(const VelmoraApi& api, const Scene& scene);
void drawHud(const VelmoraApi& api, const std::string& text);
std::string hudText(const Scene& scene, double fps, double renderMs);

template <class TimeRender>
void drawScene(const VelmoraApi& api, Scene& scene, TimeRender&& timeRender) {
    prepareFrame(api, scene);
    timeRender([&] { api.vlRaycastingScreen(); });
    drawOverlays(api, scene);
}

// FNV-1a over the red, green and blue bytes of 0x00BBGGRR pixels.
uint32_t checksum(const std::vector<uint32_t>& pixels);
bool isChecksumFrame(int frame, int every);
std::string checksumLine(int frame, int mode, uint32_t sum);

}  // namespace demo
