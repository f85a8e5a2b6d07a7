#pragma once
// Which back-buffer pixels a frame writes. Frames write their colours
// straight into the back buffer and read nothing back from it, so a pixel is
// written exactly when it comes out the same over an all-0x00 and an all-0xFF
// back buffer.
#include <cstdint>
#include <vector>

#include "render/frame.h"
#include "support/render_scene.h"

namespace vl::test {

struct WrittenPixels {
    std::vector<uint8_t> mask;  // [y * 800 + x], 1 where written
    bool at(int x, int y) const { return mask[size_t(y) * 800 + size_t(x)] != 0; }
    int countIn(int width, int height) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) n += at(x, y);
        return n;
    }
    int count() const { return countIn(800, 600); }
};

inline PixelRows backBufferRows(Surface& s) {
    return PixelRows{rowBytes(s, 0), rowBytes(s, 1) - rowBytes(s, 0)};
}

// Runs draw(scene) on two copies of s over the two back buffers, then on s
// itself, and tells which pixels it wrote.
template <class Draw>
WrittenPixels noteWrites(RenderScene& s, Draw draw) {
    RenderScene zeros = s, ones = s;
    std::fill(zeros.backBuffer.pixels.begin(), zeros.backBuffer.pixels.end(), uint8_t(0x00));
    std::fill(ones.backBuffer.pixels.begin(), ones.backBuffer.pixels.end(), uint8_t(0xFF));
    draw(zeros);
    draw(ones);
    draw(s);
    WrittenPixels w;
    w.mask.assign(800 * 600, 0);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) w.mask[size_t(y) * 800 + size_t(x)] = zeros.pixel(x, y) == ones.pixel(x, y);
    return w;
}

inline WrittenPixels renderNoting(RenderScene& s) {
    return noteWrites(s, [](RenderScene& t) { t.render(); });
}

}  // namespace vl::test
