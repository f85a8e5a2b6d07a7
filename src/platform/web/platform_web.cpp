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

// 1: presented, or no canvas to present into (as for a headless host);
// 0: the canvas takes no 2D image (it already has a WebGL context, or it is
// not a canvas). putImageData clips the image to a smaller canvas. The
// context is asked for again only when the page swaps the canvas. Nothing
// may be thrown from here: an exception would leave the module mid-call.
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

bool presentImage(int32_t, const uint8_t* bits, int32_t width, int32_t height, std::string& error) {
    // Made once: the back buffer never changes size.
    static std::vector<uint8_t> rgba;
    rgba.resize(size_t(width) * size_t(height) * 4);
    convertTo32(bits, width, height, rgba.data(), Layout32::RGBA);
    if (putImageIntoCanvas(rgba.data(), width, height)) return true;
    error = "The canvas takes no 2D image (a canvas drawn with WebGL has no 2D context); use backBufferRGBA()";
    return false;
}

bool hostMemoryHolds(const void* address, size_t bytes) {
    const size_t size = __builtin_wasm_memory_size(0) * 65536;
    const size_t at = reinterpret_cast<size_t>(address);
    return bytes <= size && at <= size - bytes;
}

}  // namespace vl::platform
