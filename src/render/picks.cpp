#include "render/picks.h"

#include <algorithm>

#include "render/fast_round.h"
#include "render/texels.h"

namespace vl {

int32_t pickSprite(const SpritePicks& picks, const World& world, int32_t x, int32_t y) {
    const RenderSettings& view = picks.view;
    if (!picks.valid || x < 0 || y < 0 || x >= view.screenWidth || y >= view.screenHeight) return -1;
    // Near to far: the first sprite with an opaque texel here is the one the
    // frame drew last at this pixel. Each test is the drawing's own, by the
    // same formulas.
    for (size_t i = picks.drawn.size(); i-- > 0;) {
        const DrawnSprite& d = picks.drawn[i];
        const SpriteProjection& p = d.projection;
        if (x < std::max(p.drawStartX, 1) || x >= p.drawEndX || y < p.drawStartY || y >= p.drawEndY) continue;
        if (size_t(x) >= picks.depth.size() || !(p.transformY < picks.depth[size_t(x)])) continue;
        const std::vector<Colour>* texture = textureAt(world, d.texture);
        if (!texture) continue;
        const double textureWidth = view.textureWidth;
        const double spriteTexX = (x - (-p.spriteWidth / 2 + p.spriteScreenX)) * 256 * textureWidth / p.spriteWidth / 256;
        const int32_t spriteTexY =
            texRowByFormula(view.textureHeight, view.screenHeight, p.spriteHeight, int64_t(y) - p.rowShift);
        const int32_t index = floorFast(textureWidth * spriteTexY + spriteTexX);
        const uint32_t magnitude = index < 0 ? 0u - uint32_t(index) : uint32_t(index);
        if (magnitude < texture->size() && (*texture)[magnitude] != 0) return d.sprite;  // 0 is transparent
    }
    return -1;
}

}  // namespace vl
