// The exported functions: each converts its arguments, runs the engine
// function on the one global record inside the error boundary, and returns a
// double (vlLoadMap a string). Results marked "none" in the API are 0.0.
#include "velmora.h"

#include <cmath>

#include "base/numeric.h"
#include "engine/engine.h"
#include "engine/guard.h"
#include "overlay/overlay.h"
#include "render/picks.h"

namespace {

vl::EngineState& g_engine = vl::globalEngine();

template <class Body>
double guarded(Body&& body) {
    return vl::runGuarded<double>(g_engine.lastError, -1.0, body);
}

std::string text(const char* s) { return s ? std::string(s) : std::string(); }

using vl::roundArg;

// The map's rows and its floor and ceiling layers load alike: the row text
// comes back, valid until the next of these calls.
template <class Load>
const char* loadRow(const char* cells, Load load) {
    static const char kEmpty[] = "";
    return vl::runGuarded<const char*>(g_engine.lastError, kEmpty, [&] {
        g_engine.mapRowText = text(cells);
        load(g_engine.mapRowText);
        return g_engine.mapRowText.c_str();
    });
}

}  // namespace

vl::EngineState& vl::globalEngine() {
    static EngineState engine;
    return engine;
}

extern "C" {

double VL_CALL vlInit(double window) {
    return guarded([&] { return vl::init(g_engine, roundArg(window)); });
}

double VL_CALL vlFree(void) { return 0.0; }

double VL_CALL vlTest(void) { return 0.0; }

double VL_CALL vlSetWindowSize(double width, double height) {
    return guarded([&] {
        vl::setWindowSize(g_engine, roundArg(width), roundArg(height));
        return 0.0;
    });
}

double VL_CALL vlSetRenderMode(double mode) {
    return guarded([&] {
        g_engine.settings.renderMode = roundArg(mode);
        return 0.0;
    });
}

double VL_CALL vlSetTextureSize(double width, double height) {
    return guarded([&] {
        g_engine.settings.textureWidth = roundArg(width);
        g_engine.settings.textureHeight = roundArg(height);
        return 0.0;
    });
}

double VL_CALL vlSetPlayerPos(double x, double y) {
    g_engine.camera.posX = x;
    g_engine.camera.posY = y;
    return 0.0;
}

double VL_CALL vlSetPlayerDir(double x, double y) {
    g_engine.camera.dirX = x;
    g_engine.camera.dirY = y;
    return 0.0;
}

double VL_CALL vlSetPlane(double x, double y) {
    g_engine.camera.planeX = x;
    g_engine.camera.planeY = y;
    return 0.0;
}

double VL_CALL vlSetFloorCeilTexture(double floor, double ceiling) {
    return guarded([&] {
        g_engine.settings.floorTexture = roundArg(floor);
        g_engine.settings.ceilingTexture = roundArg(ceiling);
        return 0.0;
    });
}

double VL_CALL vlSetMapSize(double rowLength, double rowCount) {
    return guarded([&] {
        vl::setMapSize(g_engine.world, roundArg(rowLength), roundArg(rowCount));
        return 0.0;
    });
}

const char* VL_CALL vlLoadMap(double row, const char* cells) {
    return loadRow(cells, [&](const std::string& t) { vl::loadMapRow(g_engine.world.worldMap, roundArg(row), t); });
}

double VL_CALL vlSetFlatWallColor(double index, double red, double green, double blue) {
    return guarded([&] {
        vl::setFlatWallColor(g_engine.world, roundArg(index),
                             vl::makeColour(roundArg(red), roundArg(green), roundArg(blue)));
        return 0.0;
    });
}

double VL_CALL vlLoadTexture(double index, const char* path) {
    return guarded([&] {
        vl::loadTexture(g_engine.world, roundArg(index), text(path));
        return 0.0;
    });
}

double VL_CALL vlAddSprite(double x, double y, double texture) {
    return guarded([&] { return double(vl::addSprite(g_engine.world.sprites, x, y, roundArg(texture))); });
}

double VL_CALL vlSetSpritePos(double index, double x, double y) {
    return guarded([&] {
        vl::setSpritePos(g_engine.world.sprites, roundArg(index), x, y);
        return 0.0;
    });
}

double VL_CALL vlLoadBitmap(const char* path) {
    return guarded([&] { return double(vl::loadOverlayImage(g_engine.world, text(path))); });
}

double VL_CALL vlRaycastingScreen(void) {
    return guarded([&] {
        vl::raycastingScreen(g_engine);
        return 0.0;
    });
}

double VL_CALL vlDrawColor(double red, double green, double blue) {
    return guarded([&] {
        vl::requireInit(g_engine);
        vl::drawColor(g_engine.backBuffer, vl::makeColour(roundArg(red), roundArg(green), roundArg(blue)));
        return 0.0;
    });
}

double VL_CALL vlDrawRectangle(double x1, double y1, double x2, double y2) {
    return guarded([&] {
        vl::requireInit(g_engine);
        vl::drawRectangle(g_engine.backBuffer, roundArg(x1), roundArg(y1), roundArg(x2), roundArg(y2));
        return 0.0;
    });
}

double VL_CALL vlDrawText(double x, double y, const char* str) {
    return guarded([&] {
        vl::requireInit(g_engine);
        vl::drawText(g_engine.backBuffer, roundArg(x), roundArg(y), text(str));
        return 0.0;
    });
}

double VL_CALL vlDrawSprite(double index, double x, double y) {
    return guarded([&] {
        vl::requireInit(g_engine);
        vl::drawOverlayImage(g_engine.backBuffer, g_engine.world, roundArg(index), roundArg(x), roundArg(y));
        return 0.0;
    });
}

double VL_CALL vlDrawScreen(void) {
    return guarded([&] {
        vl::drawScreen(g_engine);
        return double(g_engine.resultTrue);
    });
}

double VL_CALL vlCopyBackBuffer(void* destination, double format) {
    return guarded([&] {
        vl::requireInit(g_engine);
        return vl::copyBackBuffer(g_engine.backBuffer, destination, roundArg(format));
    });
}

const char* VL_CALL vlGetLastError(void) { return g_engine.lastError.c_str(); }

double VL_CALL vlSetFogColor(double red, double green, double blue) {
    return guarded([&] {
        g_engine.settings.fogColour = vl::makeColour(roundArg(red), roundArg(green), roundArg(blue));
        return 0.0;
    });
}

double VL_CALL vlSetFog(double start, double end) {
    return guarded([&] {
        if (!std::isfinite(start) || !std::isfinite(end)) vl::fail("ERangeError", "Fog distance out of range");
        g_engine.settings.fogStart = start;
        g_engine.settings.fogEnd = end;
        return 0.0;
    });
}

double VL_CALL vlSetPitch(double rows) {
    return guarded([&] {
        const int32_t pitch = roundArg(rows);
        if (pitch < -vl::kMaxPitch || pitch > vl::kMaxPitch) vl::fail("ERangeError", "Pitch out of range");
        g_engine.settings.pitch = pitch;
        return 0.0;
    });
}

const char* VL_CALL vlLoadFloorMap(double row, const char* cells) {
    return loadRow(cells, [&](const std::string& t) { vl::loadLayerRow(g_engine.world.floorMap, roundArg(row), t); });
}

const char* VL_CALL vlLoadCeilingMap(double row, const char* cells) {
    return loadRow(cells,
                   [&](const std::string& t) { vl::loadLayerRow(g_engine.world.ceilingMap, roundArg(row), t); });
}

double VL_CALL vlSetSpriteScale(double index, double width, double height, double lift) {
    return guarded([&] {
        // Every argument is judged before the index picks a sprite.
        if (!std::isfinite(index)) vl::fail("ERangeError", "Sprite scale out of range");
        vl::setSpriteScale(g_engine.world.sprites, roundArg(index), width, height, lift);
        return 0.0;
    });
}

double VL_CALL vlPickSprite(double screenX, double screenY) {
    return guarded([&] {
        return double(vl::pickSprite(g_engine.frame.picks, g_engine.world, roundArg(screenX), roundArg(screenY)));
    });
}

double VL_CALL vlCastRay(double x, double y, double dirX, double dirY) {
    return guarded([&] { return vl::castRay(g_engine, x, y, dirX, dirY); });
}

double VL_CALL vlGetRayHit(double what) {
    return guarded([&] { return vl::rayHit(g_engine, what); });
}

double VL_CALL vlSetPresentation(double mode) {
    return guarded([&] {
        vl::setPresentation(g_engine, roundArg(mode));
        return 0.0;
    });
}

double VL_CALL vlSetPresentArea(double left, double top, double right, double bottom) {
    return guarded([&] {
        vl::setPresentArea(g_engine, roundArg(left), roundArg(top), roundArg(right), roundArg(bottom));
        return 0.0;
    });
}

double VL_CALL vlSetWindow(double window) {
    return guarded([&] {
        vl::setWindow(g_engine, roundArg(window));
        return 1.0;
    });
}

}  // extern "C"
