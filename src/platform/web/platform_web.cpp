// The browser's own platform functions: presentation, which puts the back
// buffer into the canvas the page gave the module (options.canvas) through
// its 2D context, and the bounds of the module's memory. Files, and the
// answers for fonts and system colours, come from posix/platform_posix.cpp.
// There are no windows, so vlInit's handle plays no part here.
#include <emscripten.h>

#include <vector>

#include "base/pixels32.h"
#include "platform/platform.h"

namespace {

// The canvas's size, asked on every call since the page may resize it; 0 x 0
// without a canvas.
EM_JS(void, canvasSize, (int32_t* width, int32_t* height), {
    var canvas = Module["canvas"];
    HEAP32[width >> 2] = canvas ? canvas.width | 0 : 0;
    HEAP32[height >> 2] = canvas ? canvas.height | 0 : 0;
});

// 1: presented, or no canvas to present into (as for a headless host);
// 0: the canvas takes no 2D image (it already has a WebGL context, or it is
// not a canvas). The image goes in at 1:1 with putImageData, which no
// smoothing touches; it clips an image larger than the canvas. The context
// is asked for again only when the page swaps the canvas. Nothing may be
// thrown from here: an exception would leave the module mid-call.
EM_JS(int, putImageIntoCanvas, (const uint8_t* rgba, int width, int height), {
    var canvas = Module["canvas"];
    if (!canvas) return 1;
    try {
        if (Module.velmoraCanvas !== canvas) {
            Module.velmoraCanvas = canvas;
            Module.velmoraContext = canvas.getContext("2d");
        }
        var context = Module.velmoraContext;
        if (!context) return 0;
        var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
        context.putImageData(new ImageData(pixels, width, height), 0, 0);
        return 1;
    } catch (e) {
        return 0;
    }
});

}  // namespace

namespace vl::platform {

bool presentImage(int32_t, const PresentSource& source, std::string& error) {
    int32_t width = 0, height = 0;
    canvasSize(&width, &height);
    const Placement placement = placeArea(source, width, height);
    if (placement.width <= 0 || placement.height <= 0) return true;
    // One image of the whole client area, bars included: putImageData is
    // the one way to draw that no state of the page's context (transform,
    // alpha, clip) can touch. Kept, grown only when the canvas does.
    static std::vector<uint8_t> rgba;
    static ScaleCache cache;
    const size_t stride = size_t(placement.width) * 4;
    rgba.resize(stride * size_t(placement.height));
    ScreenRect bars[4];
    for (int i = 0, n = barsOf(placement, bars); i < n; ++i) fillBlack(rgba.data(), stride, bars[i]);
    const ScreenRect shown = shownRect(placement);
    drawArea(source, placement, rgba.data() + size_t(shown.y) * stride + size_t(shown.x) * 4, stride, Layout32::RGBA,
             cache);
    if (putImageIntoCanvas(rgba.data(), placement.width, placement.height)) return true;
    error = "The canvas takes no 2D image (a canvas drawn with WebGL has no 2D context); use backBufferRGBA()";
    return false;
}

// The canvas takes its own copy of the pixels whatever memory they are in.
std::shared_ptr<PixelBlock> presentableMemory(size_t) { return nullptr; }

// The canvas stays the page's; nothing else is kept.
void forgetWindow() {}

bool hostMemoryHolds(const void* address, size_t bytes) {
    const size_t size = __builtin_wasm_memory_size(0) * 65536;
    const size_t at = reinterpret_cast<size_t>(address);
    return bytes <= size && at <= size - bytes;
}

}  // namespace vl::platform
