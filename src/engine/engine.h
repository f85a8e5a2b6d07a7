#pragma once
// The one engine record and the functions the exports bind to it. Tests make
// their own EngineState and call the same functions.
#include <cstdint>
#include <string>

#include "base/present_scale.h"
#include "render/frame.h"
#include "surface/surface.h"
#include "world/world.h"

namespace vl {

// What the last successful vlCastRay met, in vlGetRayHit's order: the wall
// cell's x and y, the side (0 or 1), the wall's kind, the hit point's x and y.
struct RayHit {
    bool valid = false;
    double values[6] = {};
};

// vlSetPresentation and vlSetPresentArea: how vlDrawScreen fits the back
// buffer's presented area to the window. They hold from library load on;
// vlInit leaves them alone.
struct PresentSettings {
    int32_t mode = kPresentActual;
    int32_t left = 0, top = 0, right = kBackBufferWidth, bottom = kBackBufferHeight;
};

struct EngineState {
    bool initialised = false;     // vlInit has run: the surfaces and buffers exist
    int32_t windowHandle = 0;
    Surface windowBitmap;
    Surface backBuffer;
    int32_t resultTrue = 0;
    PresentSettings presentation;
    RenderSettings settings;      // screenWidth, renderMode, textureWidth, floorTexture, ...
    Camera camera;                // posX, dirX, planeX, ...
    World world;
    FrameBuffers frame;
    std::string mapRowText;       // what vlLoadMap returns; valid until its next call
    std::string lastError;        // "Class: message" of the last failed call
    RayHit lastRay;               // kept by vlInit: it answers for the map it was cast in
};

// The record the exports work on (zeroed at library load).
EngineState& globalEngine();

double init(EngineState& st, int32_t window);
void setWindowSize(EngineState& st, int32_t width, int32_t height);
void raycastingScreen(EngineState& st);
// Refused with ERangeError, leaving the settings as they were.
void setPresentation(EngineState& st, int32_t mode);
void setPresentArea(EngineState& st, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Presents into another window from now on; nothing else changes.
void setWindow(EngineState& st, int32_t window);
void drawScreen(EngineState& st);
// The drawing calls need the surfaces vlInit makes.
void requireInit(const EngineState& st);
// The host's questions, answered by the renderer's own ray.
double castRay(EngineState& st, double x, double y, double dirX, double dirY);
double rayHit(const EngineState& st, double what);

}  // namespace vl
