#pragma once
// A small world for renderer tests: an 8 x 8 map walled with kind 1, cell
// (5, 2) a wall of kind 2, a camera at (2.5, 2.5) looking along +x, a 512 x
// 384 view and 64 x 64 textures whose texels tell their own index.
#include <cstdint>
#include <vector>

#include "render/frame.h"
#include "surface/surface.h"
#include "world/world.h"

namespace vl::test {

// Every channel is even, so a halved texel still decodes: red and green give
// the texel column and row, blue the texture number.
inline Colour indexTexel(int texture, int index) {
    return makeColour(2 * (index % 64), 2 * (index / 64), 2 * texture);
}
inline std::vector<Colour> indexTexture(int texture) {
    std::vector<Colour> t(kTexelsPerTexture);
    for (int i = 0; i < kTexelsPerTexture; ++i) t[size_t(i)] = indexTexel(texture, i);
    return t;
}

struct Texel {
    int texture, index;
    bool operator==(const Texel& o) const { return texture == o.texture && index == o.index; }
};
inline Texel decodeTexel(Colour c, bool halved) {
    const int r = int(c & 0xFF), g = int((c >> 8) & 0xFF), b = int((c >> 16) & 0xFF);
    return halved ? Texel{b, g * 64 + r} : Texel{b / 2, (g / 2) * 64 + r / 2};
}

inline Colour backPixel(const Surface& s, int x, int y) {
    const uint8_t* p = rowBytes(s, y) + 4 * x;
    return makeColour(p[2], p[1], p[0]);
}

struct RenderScene {
    World world;
    RenderSettings settings;
    Camera camera;
    FrameBuffers frame;
    Surface backBuffer;

    explicit RenderScene(int32_t renderMode) {
        setMapSize(world, 8, 8);
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 8; ++j)
                setCell(i, j, (i == 0 || j == 0 || i == 7 || j == 7) ? 1 : 0);
        setCell(5, 2, 2);
        world.flatColors = {0, 0x00102030, 0x00FF8040};
        world.textures.resize(5);
        for (int t = 1; t < 5; ++t) world.textures[size_t(t)] = indexTexture(t);
        settings.screenWidth = 512;
        settings.screenHeight = 384;
        settings.textureWidth = settings.textureHeight = 64;
        settings.modeFlat = 1;
        settings.modeTextured = 2;
        settings.renderMode = renderMode;
        camera = Camera{2.5, 2.5, 1, 0, 0, 0.66};
        frame.zBuffer.assign(512, 0.0);
        backBuffer = frameSurface(800, 600);
    }
    void setCell(int x, int y, int32_t v) { world.worldMap.cells[size_t(x) * 8 + size_t(y)] = v; }
    void render() { renderFrame(settings, camera, world, frame, backBuffer); }
    Colour pixel(int x, int y) const { return backPixel(backBuffer, x, y); }
    Texel texelAt(int x, int y, bool halved = false) const { return decodeTexel(pixel(x, y), halved); }
    int32_t addSprite(double x, double y, int32_t texture) { return vl::addSprite(world.sprites, x, y, texture); }
};

}  // namespace vl::test
