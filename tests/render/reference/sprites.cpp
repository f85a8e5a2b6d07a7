#include "render/reference/sprites.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/reference/texels.h"
#include "render/reference/walls.h"

namespace vl::reference {

SpriteProjection projectSprite(const Camera& camera, int32_t screenWidth, int32_t screenHeight,
                               double spriteX, double spriteY, const SpriteScale& scale, int32_t pitch) {
    SpriteProjection p;
    const double spriteRelX = spriteX - camera.posX;
    const double spriteRelY = spriteY - camera.posY;
    // A direction parallel to the plane divides by zero here; the infinities
    // and NaNs that follow fail the depth test or clamp to the view.
    const double invDet = 1 / (camera.planeX * camera.dirY - camera.dirX * camera.planeY);
    p.transformX = invDet * (camera.dirY * spriteRelX - camera.dirX * spriteRelY);
    p.transformY = invDet * (-camera.planeY * spriteRelX + camera.planeX * spriteRelY);

    const int32_t h = roundToInt(double(screenWidth) / 2);
    p.spriteScreenX = h * (1 + p.transformX / p.transformY);

    // The divisors stay 1; the scale sizes the sprite in wall heights and
    // moves it so that its bottom edge stands `lift` above the floor.
    const int32_t uDiv = 1, vDiv = 1;
    p.vMoveScreen = roundToInt((0.5 - scale.lift - scale.height / 2) * screenHeight / p.transformY);

    p.spriteHeight = std::fabs(double(roundToInt(double(screenHeight) / p.transformY))) * scale.height / vDiv;
    p.drawStartY = roundToInt(-p.spriteHeight / 2 + double(screenHeight) / 2 + p.vMoveScreen + pitch);
    if (p.drawStartY < 0) p.drawStartY = 0;
    // Clamped to the last row, an exclusive bound, so that row is never drawn.
    p.drawEndY = roundToInt(p.spriteHeight / 2 + double(screenHeight) / 2 + p.vMoveScreen + pitch);
    if (p.drawEndY >= screenHeight) p.drawEndY = screenHeight - 1;

    p.spriteWidth = std::fabs(double(roundToInt(double(screenHeight) / p.transformY))) * scale.width / uDiv;
    p.drawStartX = roundToInt(-p.spriteWidth / 2 + p.spriteScreenX);
    if (p.drawStartX < 0) p.drawStartX = 0;
    p.drawEndX = roundToInt(p.spriteWidth / 2 + p.spriteScreenX);
    if (p.drawEndX >= screenWidth) p.drawEndX = screenWidth - 1;
    return p;
}

// Stages the visible texels of one projected sprite.
static void stageSprite(const SpriteProjection& p, const std::vector<Colour>& texture, const RenderSettings& view,
                        FrameBuffers& frame) {
    const int32_t w = fogWeightOf(view, p.transformY);
    const double textureWidth = view.textureWidth, textureHeight = view.textureHeight;
    for (int32_t stripe = p.drawStartX; stripe < p.drawEndX; ++stripe) {
        // Measured from the unrounded left edge, and not floored.
        const double spriteTexX =
            (stripe - (-p.spriteWidth / 2 + p.spriteScreenX)) * 256 * textureWidth / p.spriteWidth / 256;
        // Depth above 0.5 only (which also drops sprites behind the camera);
        // column 0 never shows a sprite; an equally deep wall hides it.
        if (!(p.transformY > 0.5)) continue;
        if (!(stripe > 0)) continue;
        if (!(stripe < view.screenWidth)) continue;
        if (!(p.transformY < frame.zBuffer[size_t(stripe)])) continue;
        for (int32_t y = p.drawStartY; y < p.drawEndY; ++y) {
            const int64_t bracket = (int64_t(y) - p.vMoveScreen - view.pitch) * 256 - int64_t(view.screenHeight) * 128;
            const double rowInSprite = double(bracket) + p.spriteHeight * 128;
            const double spriteTexY = floorToInt(textureHeight * rowInSprite / p.spriteHeight / 256);
            // Where rounding put the sprite's start before its unrounded edge,
            // the first row or column gives a small negative index; the
            // absolute value folds it back into the texture.
            const int64_t index = std::llabs(int64_t(floorToInt(textureWidth * spriteTexY + spriteTexX)));
            if (!hasTexel(texture, index)) continue;
            const Colour texel = texture[size_t(index)];
            if (texel != 0) stagePixel(frame, stripe, y, w > 0 ? fogged(texel, view.fogColour, w) : texel);  // 0 is transparent
        }
    }
}

void drawSprites(const RenderSettings& view, const Camera& camera, World& world, FrameBuffers& frame) {
    Sprites& s = world.sprites;
    size_t n = size_t(std::max(s.spriteCount, 0));
    for (size_t len : {s.spriteX.size(), s.spriteY.size(), s.spriteTexture.size(), s.spriteOrder.size(),
                       s.spriteDistance.size()})
        n = std::min(n, len);

    // Squared distances, no square root; the order starts afresh each frame.
    for (size_t i = 0; i < n; ++i) {
        s.spriteOrder[i] = int32_t(i);
        s.spriteDistance[i] = (camera.posX - s.spriteX[i]) * (camera.posX - s.spriteX[i]) +
                              (camera.posY - s.spriteY[i]) * (camera.posY - s.spriteY[i]);
    }
    combSort(s.spriteOrder.data(), s.spriteDistance.data(), int32_t(n));

    if (!textureSizeUsable(view) || frame.zBuffer.size() < size_t(std::max(view.screenWidth, 0))) return;
    // Far to near: nearer sprites cover farther ones; sprites are not
    // depth-tested against each other.
    for (size_t p = 0; p < n; ++p) {
        const size_t k = size_t(s.spriteOrder[p]);
        const std::vector<Colour>* texture = textureAt(world, s.spriteTexture[k]);
        if (!texture) continue;
        const SpriteProjection projection = projectSprite(camera, view.screenWidth, view.screenHeight, s.spriteX[k],
                                                          s.spriteY[k], spriteScaleOf(s, k), view.pitch);
        stageSprite(projection, *texture, view, frame);
    }
}

}  // namespace vl::reference
