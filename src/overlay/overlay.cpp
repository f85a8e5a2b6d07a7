#include "overlay/overlay.h"

#include "base/error.h"
#include "base/pixels32.h"
#include "platform/platform.h"

namespace vl {

void drawColor(Surface& backBuffer, Colour c) {
    setBrushColor(backBuffer, c);
    setFontColor(backBuffer, c);
}

void drawRectangle(Surface& backBuffer, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // Reversed corners are not swapped: they make an empty rectangle.
    fillRect(backBuffer, x1, y1, x2, y2);
}

void drawText(Surface& backBuffer, int32_t x, int32_t y, const std::string& text) {
    setBrushStyle(backBuffer, bsClear);
    textOut(backBuffer, x, y, text);
}

void drawOverlayImage(Surface& backBuffer, const World& world, int32_t index, int32_t x, int32_t y) {
    if (index < 0 || size_t(index) >= world.overlayImages.size()) return;
    drawImage(backBuffer, x, y, world.overlayImages[size_t(index)]);
}

void present(int32_t windowHandle, Surface& windowBitmap, Surface& backBuffer, PresentSource how) {
    // The window bitmap is never sized; its canvas only stands for the
    // window while the image is copied.
    canvas(windowBitmap);
    if (isEmpty(backBuffer) || !isFrameLayout(backBuffer) || backBuffer.width < how.right ||
        backBuffer.height < how.bottom)
        return;
    how.bits = backBuffer.pixels.data();
    how.width = backBuffer.width;
    how.height = backBuffer.height;
    std::string error;
    if (!platform::presentImage(windowHandle, how, error)) fail("EOSError", error);
    // From the next frame on, the back buffer lives where presenting reads
    // it without a copy of ours, where the platform has such memory.
    if (!backBuffer.pixels.lentBlock())
        if (std::shared_ptr<PixelBlock> block = platform::presentableMemory(backBuffer.pixels.size()))
            backBuffer.pixels.moveInto(std::move(block));
}

double copyBackBuffer(const Surface& backBuffer, void* destination, int32_t format) {
    if (!destination) fail("EInvalidPointer", "Destination is a null pointer");
    if (format != int32_t(Layout32::RGBA) && format != int32_t(Layout32::BGRA))
        fail("ERangeError", "Pixel format out of range");
    if (isEmpty(backBuffer) || !isFrameLayout(backBuffer))
        fail("EInvalidOperation", "Canvas does not allow drawing");
    const size_t count = size_t(backBuffer.width) * size_t(backBuffer.height), bytes = count * 4;
    if (!platform::hostMemoryHolds(destination, bytes))
        fail("EInvalidPointer", "Destination lies outside the module's memory");
    copyFramePixels(backBuffer.pixels.data(), count, static_cast<uint8_t*>(destination), Layout32(format));
    return double(bytes);
}

}  // namespace vl
