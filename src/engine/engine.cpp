#include "engine/engine.h"

#include <algorithm>

#include "base/error.h"
#include "overlay/overlay.h"
#include "platform/platform.h"

namespace vl {

double init(EngineState& st, int32_t window) {
    setWindow(st, window);
    st.windowBitmap = Surface{};
    if (st.backBuffer.width == kBackBufferWidth && st.backBuffer.height == kBackBufferHeight &&
        isFrameLayout(st.backBuffer)) {
        // A new white back buffer with a new canvas; reusing the old one's
        // memory looks the same from outside and spares 1.9 MB of fresh pages.
        st.backBuffer.canvas = Canvas{};
        std::fill(st.backBuffer.pixels.begin(), st.backBuffer.pixels.end(), uint8_t(0xFF));
    } else {
        st.backBuffer = frameSurface(kBackBufferWidth, kBackBufferHeight);
    }
    st.resultTrue = 1;
    st.settings.modeFlat = 1;
    st.settings.modeTextured = 2;
    st.settings.renderMode = st.settings.modeFlat;
    st.settings.screenWidth = 512;
    st.settings.screenHeight = 384;
    st.camera.planeX = 0.0;
    st.camera.planeY = 0.66;
    st.frame.picks = SpritePicks{};  // no textured frame since vlInit
    // Entry 0 of both tables stands for open space and is never loaded.
    st.world.flatColors.push_back(0);
    st.world.textures.emplace_back();
    st.initialised = true;
    return st.resultTrue;
}

void setWindowSize(EngineState& st, int32_t width, int32_t height) {
    // The view lives in the back buffer, so it can be at most that big;
    // larger or negative sizes are clamped rather than rendered off its end.
    st.settings.screenWidth = std::clamp(width, 0, kBackBufferWidth);
    st.settings.screenHeight = std::clamp(height, 0, kBackBufferHeight);
    st.frame.zBuffer.resize(size_t(st.settings.screenWidth), 0.0);
}

void setPresentation(EngineState& st, int32_t mode) {
    if (mode < kPresentActual || mode > kPresentWhole) fail("ERangeError", "Presentation mode out of range");
    st.presentation.mode = mode;
}

void setPresentArea(EngineState& st, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (!(0 <= left && left < right && right <= kBackBufferWidth && 0 <= top && top < bottom &&
          bottom <= kBackBufferHeight))
        fail("ERangeError", "Presentation area out of range");
    st.presentation = {st.presentation.mode, left, top, right, bottom};
}

void setWindow(EngineState& st, int32_t window) {
    st.windowHandle = window;
    platform::forgetWindow();
}

void drawScreen(EngineState& st) {
    requireInit(st);
    PresentSource how;
    how.mode = st.presentation.mode;
    how.left = st.presentation.left;
    how.top = st.presentation.top;
    how.right = st.presentation.right;
    how.bottom = st.presentation.bottom;
    present(st.windowHandle, st.windowBitmap, st.backBuffer, how);
}

void requireInit(const EngineState& st) {
    if (!st.initialised) fail("EInvalidOperation", "Canvas does not allow drawing");
}

void raycastingScreen(EngineState& st) {
    requireInit(st);
    renderFrame(st.settings, st.camera, st.world, st.frame, st.backBuffer);
}

}  // namespace vl
