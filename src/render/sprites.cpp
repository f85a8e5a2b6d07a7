#include "render/sprites.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/fast_round.h"
#include "render/texels.h"

namespace vl {
namespace {

// What projection shares between all sprites of a frame: the inverse
// determinant and half the view width, computed once by the same formulas.
struct SpriteCamera {
    const Camera* camera;
    double invDet;
    int32_t h;
    int32_t screenWidth, screenHeight, pitch;
};

SpriteCamera spriteCamera(const Camera& camera, int32_t screenWidth, int32_t screenHeight, int32_t pitch) {
    // A direction parallel to the plane divides by zero here; the infinities
    // and NaNs that follow fail the depth test or clamp to the view.
    const double invDet = 1 / (camera.planeX * camera.dirY - camera.dirX * camera.planeY);
    return SpriteCamera{&camera, invDet, roundFast(double(screenWidth) / 2), screenWidth, screenHeight, pitch};
}

SpriteProjection project(const SpriteCamera& v, double spriteX, double spriteY, const SpriteScale& scale) {
    const Camera& camera = *v.camera;
    const int32_t screenWidth = v.screenWidth, screenHeight = v.screenHeight;
    SpriteProjection p;
    const double spriteRelX = spriteX - camera.posX;
    const double spriteRelY = spriteY - camera.posY;
    p.transformX = v.invDet * (camera.dirY * spriteRelX - camera.dirX * spriteRelY);
    p.transformY = v.invDet * (-camera.planeY * spriteRelX + camera.planeX * spriteRelY);
    p.spriteScreenX = v.h * (1 + p.transformX / p.transformY);

    // Scaling is in wall heights and needs no divisors; the terms are kept
    // so the bounds read in full. A sprite's bottom edge stands `lift` above
    // the floor, which moves its middle by (0.5 - lift - height / 2) walls.
    const int32_t uDiv = 1, vDiv = 1;
    p.vMoveScreen = roundFast((0.5 - scale.lift - scale.height / 2) * screenHeight / p.transformY);

    // Both sizes come from screenHeight: a sprite of equal scales covers a
    // square of pixels. The quotient is taken once.
    const double size = std::fabs(double(roundFast(double(screenHeight) / p.transformY)));
    p.spriteHeight = size * scale.height / vDiv;
    // The rows follow the horizon, moved by pitch after vMoveScreen.
    p.drawStartY = roundFast(-p.spriteHeight / 2 + double(screenHeight) / 2 + p.vMoveScreen + v.pitch);
    if (p.drawStartY < 0) p.drawStartY = 0;
    // Clamped to the last row, an exclusive bound, so that row is never drawn.
    p.drawEndY = roundFast(p.spriteHeight / 2 + double(screenHeight) / 2 + p.vMoveScreen + v.pitch);
    if (p.drawEndY >= screenHeight) p.drawEndY = screenHeight - 1;
    p.rowShift = int64_t(p.vMoveScreen) + v.pitch;

    p.spriteWidth = size * scale.width / uDiv;
    p.drawStartX = roundFast(-p.spriteWidth / 2 + p.spriteScreenX);
    if (p.drawStartX < 0) p.drawStartX = 0;
    p.drawEndX = roundFast(p.spriteWidth / 2 + p.spriteScreenX);
    if (p.drawEndX >= screenWidth) p.drawEndX = screenWidth - 1;
    return p;
}

// A column is drawn only past these tests, in this order: depth above 0.5
// (which also drops sprites behind the camera), column above 0 (column 0
// never shows a sprite), column inside the view, and a nearer wall there
// (an equally deep wall hides the sprite). The first and third hold or
// fail for the whole sprite (drawEndX is at most screenWidth - 1), and the
// texture column each stripe computes first has no effect of its own.
bool sometimesVisible(const SpriteProjection& p) {
    return p.transformY > 0.5 && std::max(p.drawStartX, 1) < p.drawEndX && p.drawStartY < p.drawEndY;
}

// Runs of screen rows that show the same texture row: rows [start, end)
// show texture row `row`, whose texels start at `offset` = textureWidth * row.
struct RowRun {
    int32_t start, end, row, offset;
};
constexpr int32_t kMaxRows = kBackBufferHeight;

int32_t spriteRowRuns(const SpriteProjection& p, const RenderSettings& view, RowRun* runs) {
    int32_t count = 0;
    TexRowStepper rowOf;
    // A sprite moved by rowShift shows at row y what it shows unmoved at
    // y - rowShift.
    const int64_t firstRow = p.drawStartY - p.rowShift;
    const bool stepped = firstRow >= INT32_MIN && firstRow <= INT32_MAX &&
                         startTexRows(view.textureHeight, view.screenHeight, p.spriteHeight, int32_t(firstRow), rowOf);
    for (int32_t y = p.drawStartY; y < p.drawEndY; ++y) {
        const int32_t row = stepped ? rowOf.row
                                    : texRowByFormula(view.textureHeight, view.screenHeight, p.spriteHeight,
                                                      int64_t(y) - p.rowShift);
        if (count > 0 && runs[count - 1].row == row)
            runs[count - 1].end = y + 1;
        else
            runs[count++] = RowRun{y, y + 1, row, view.textureWidth * row};
        if (stepped) rowOf.next();
    }
    return count;
}

// Where a sprite texture is transparent, worked out once per frame for each
// texture a visible sprite uses. A texture with no texel other than 0 draws
// nothing anywhere; a texture column with no such texel among the
// textureWidth x textureHeight texels draws nothing wherever the stripe's
// index is textureWidth * row + column.
struct SpriteTexture {
    const std::vector<Colour>* texture = nullptr;
    bool anyOpaque = false;
    bool columns = false;                // opaqueRows describes the texture
    uint64_t opaqueRows[kTextureSide];   // per column: bit r when texel (column, r) is not 0
};

// The textures worked out so far in a frame. Few textures serve many
// sprites; past its size the oldest entry makes room.
struct SpriteTextures {
    static constexpr int kSize = 8;
    SpriteTexture known[kSize];
    int used = 0, next = 0;
};

const SpriteTexture& spriteTexture(SpriteTextures& cache, const std::vector<Colour>& texture,
                                   const RenderSettings& view) {
    for (int i = 0; i < cache.used; ++i)
        if (cache.known[i].texture == &texture) return cache.known[i];
    const int slot = cache.used < SpriteTextures::kSize ? cache.used++ : cache.next++ % SpriteTextures::kSize;
    SpriteTexture& t = cache.known[slot];
    t.texture = &texture;
    const int32_t width = view.textureWidth, height = view.textureHeight;
    const size_t reach = size_t(width) * size_t(height);
    t.columns = texture.size() >= reach;
    uint64_t any = 0;
    size_t rest = 0;  // where the texels the columns do not cover begin
    if (t.columns) {
        for (int32_t x = 0; x < width; ++x) {
            uint64_t rows = 0;
            for (int32_t y = 0; y < height; ++y) rows |= uint64_t(texture[size_t(y * width + x)] != 0) << y;
            t.opaqueRows[x] = rows;
            any |= rows;
        }
        rest = reach;
    }
    for (size_t i = rest; i < texture.size() && any == 0; ++i) any = texture[i] != 0;
    t.anyOpaque = any != 0;
    return t;
}

// A sprite's fog: one weight for all its pixels, at its depth. Transparency
// is decided on the texel before it is shaded. Sprites without fog draw
// through NoFog, so their loops carry no test of the weight.
struct Fog {
    Colour fog;
    int32_t weight;
    Colour operator()(Colour texel) const { return fogBlend(texel, fog, weight); }
};
struct NoFog {
    Colour operator()(Colour texel) const { return texel; }
};

inline void fillRun(uint8_t* px, ptrdiff_t pitch, int32_t count, Colour texel) {
    const uint32_t bytes = pixelBytes(texel);
    for (int32_t i = 0; i < count; ++i, px += pitch) putPixelBytes(px, bytes);
}

// The stripes whose texels come straight from their texture column are drawn
// row by row: each run of screen rows that shows one texture row is one line
// of pixels, built once and copied to every row of the run, opaque stretch
// by stretch. A sprite's pixels are each drawn at most once, so this order
// leaves what stripe by stripe would. columnOf[stripe] is the stripe's
// texture column, or -1 for stripes drawn otherwise or not at all.
template <class Shade>
void drawSpriteRows(const RowRun* runs, int32_t runCount, const int32_t* columnOf, int32_t first, int32_t last,
                    const SpriteTexture& info, Shade shade, PixelRows rows) {
    // Neighbouring stripes showing the same texture column share a texel:
    // group them once for all rows. Texture rows opaque in every group's
    // column keep the stretches that adjacent groups make.
    struct Group {
        int32_t stripe, count, column;
    };
    Group groups[kBackBufferWidth];
    int32_t groupCount = 0;
    int32_t solidSpans[kBackBufferWidth + 1], solidEnds = 0;  // from, to, from, to, ...
    uint64_t solidRows = ~uint64_t(0);                        // bit t: row t opaque in every group's column
    for (int32_t stripe = first; stripe < last; ++stripe) {
        const int32_t column = columnOf[stripe];
        if (column < 0) continue;
        Group* g = groupCount > 0 ? &groups[groupCount - 1] : nullptr;
        if (g && g->column == column && g->stripe + g->count == stripe) {
            ++g->count;
        } else {
            groups[groupCount++] = Group{stripe, 1, column};
            solidRows &= info.opaqueRows[column];
        }
        if (solidEnds > 0 && solidSpans[solidEnds - 1] == stripe)
            solidSpans[solidEnds - 1] = stripe + 1;
        else
            solidSpans[solidEnds++] = stripe, solidSpans[solidEnds++] = stripe + 1;
    }
    int32_t spanBuffer[kBackBufferWidth + 1];
    const Colour* texels = info.texture->data();
    const size_t size = info.texture->size();
    const auto fill = [](uint8_t* line, const Group& g, Colour texel) {
        const uint32_t bytes = pixelBytes(texel);
        uint8_t* const end = line + 4 * (g.stripe + g.count);
        for (uint8_t* at = line + 4 * g.stripe; at < end; at += 4) putPixelBytes(at, bytes);
    };
    for (int32_t r = 0; r < runCount; ++r) {
        const RowRun& run = runs[r];
        // The run's first row is drawn in place; the others copy it.
        uint8_t* const line = rows.at(0, run.start);
        const int32_t* spans = spanBuffer;
        int32_t spanEnds = 0;
        if (run.row >= 0 && (solidRows >> run.row & 1)) {
            // Every texel of the row is opaque and inside the whole texture.
            const Colour* texelRow = texels + run.offset;
            for (int32_t i = 0; i < groupCount; ++i) fill(line, groups[i], shade(texelRow[groups[i].column]));
            spans = solidSpans;
            spanEnds = solidEnds;
        } else {
            int32_t end = -1;  // where the open stretch stops, -1 for none
            for (int32_t i = 0; i < groupCount; ++i) {
                const Group& g = groups[i];
                Colour texel;
                if (run.row >= 0) {
                    texel = texels[run.offset + g.column];  // inside the whole texture
                } else {
                    // Texture row -1 (the top row, where rounding started the
                    // sprite before its edge): the absolute value folds the
                    // index back into the texture.
                    const size_t index = size_t(std::abs(run.offset + g.column));
                    texel = index < size ? texels[index] : 0;
                }
                if (texel == 0) continue;  // 0 is transparent
                if (end != g.stripe) {
                    if (end >= 0) spanBuffer[spanEnds++] = end;
                    spanBuffer[spanEnds++] = g.stripe;
                }
                end = g.stripe + g.count;
                fill(line, g, shade(texel));
            }
            if (end >= 0) spanBuffer[spanEnds++] = end;
        }
        for (int32_t y = run.start + 1; y < run.end; ++y) {
            uint8_t* const row = rows.at(0, y);
            for (int32_t i = 0; i < spanEnds; i += 2)
                std::memcpy(row + 4 * spans[i], line + 4 * spans[i], size_t(4 * (spans[i + 1] - spans[i])));
        }
    }
}

template <class Shade>
void drawSprite(const SpriteProjection& p, const SpriteTexture& info, const RenderSettings& view,
                const double* zBuffer, Shade shade, PixelRows rows) {
    if (!info.anyOpaque) return;  // every pixel would be transparent
    RowRun runs[kMaxRows];
    const int32_t runCount = spriteRowRuns(p, view, runs);
    const double textureWidth = view.textureWidth;
    const std::vector<Colour>& texture = *info.texture;
    const Colour* texels = texture.data();
    const size_t size = texture.size();
    const ptrdiff_t pitch = rows.pitch;
    // Texture rows lie in [-1, textureHeight - 1] (checked here), so
    // n = textureWidth * row is a whole number of magnitude at most 2^12.
    // For a texture column t of magnitude below 2^8, n + t is below 2^13,
    // where Reals are at most 2^-40 apart: rounding moves the sum by at most
    // 2^-41, and never past a whole number. So unless the fraction of t is
    // within 2^-40 of 1, the floor of the rounded sum is n + floor(t), in
    // integers.
    const bool rowsInRange = runCount > 0 && runs[0].row >= -1 && runs[runCount - 1].row < view.textureHeight;
    const bool wholeTexture = info.columns;
    const double left = -p.spriteWidth / 2 + p.spriteScreenX;  // the unrounded left edge
    const int32_t first = std::max(p.drawStartX, 1), last = p.drawEndX;
    int32_t columnOf[kBackBufferWidth];
    bool byRows = false;
    for (int32_t stripe = first; stripe < last; ++stripe) {
        columnOf[stripe] = -1;
        if (!(p.transformY < zBuffer[stripe])) continue;
        // Measured from the unrounded left edge, and not floored.
        const double spriteTexX = (stripe - left) * 256 * textureWidth / p.spriteWidth / 256;
        uint8_t* column = rows.at(stripe, 0);
        const int32_t texColumn = floorFast(spriteTexX);
        if (rowsInRange && spriteTexX > -256.0 && spriteTexX < 256.0 && spriteTexX - texColumn < 1 - 0x1p-40) {
            if (wholeTexture && texColumn >= 0 && texColumn < view.textureWidth) {
                // Every index of rows 0 and up lies inside the texture, and a
                // column without an opaque texel there has nothing to draw
                // (texture row -1 reads another column).
                if (runs[0].row < 0 || info.opaqueRows[texColumn] != 0) {
                    columnOf[stripe] = texColumn;
                    byRows = true;
                }
                continue;
            }
            for (int32_t r = 0; r < runCount; ++r) {
                // Where rounding put the sprite's start before its unrounded
                // edge, the first row or column gives a small negative index;
                // the absolute value folds it back into the texture.
                const size_t index = size_t(std::abs(runs[r].offset + texColumn));
                if (index >= size || texels[index] == 0) continue;  // 0 is transparent
                fillRun(column + ptrdiff_t(runs[r].start) * pitch, pitch, runs[r].end - runs[r].start, shade(texels[index]));
            }
            continue;
        }
        for (int32_t r = 0; r < runCount; ++r) {
            const int32_t index = floorFast(textureWidth * double(runs[r].row) + spriteTexX);
            const uint32_t magnitude = index < 0 ? 0u - uint32_t(index) : uint32_t(index);
            if (magnitude >= size || texels[magnitude] == 0) continue;
            fillRun(column + ptrdiff_t(runs[r].start) * pitch, pitch, runs[r].end - runs[r].start,
                    shade(texels[magnitude]));
        }
    }
    if (byRows) drawSpriteRows(runs, runCount, columnOf, first, last, info, shade, rows);
}

// Whether order[0..n) holds each of 0..n-1 once.
bool isPermutation(const int32_t* order, int32_t n, std::vector<uint8_t>& seen) {
    seen.assign(size_t(n), 0);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t k = order[i];
        if (k < 0 || k >= n || seen[size_t(k)]) return false;
        seen[size_t(k)] = 1;
    }
    return true;
}

}  // namespace

SpriteProjection projectSprite(const Camera& camera, int32_t screenWidth, int32_t screenHeight,
                               double spriteX, double spriteY, const SpriteScale& scale, int32_t pitch) {
    return project(spriteCamera(camera, screenWidth, screenHeight, pitch), spriteX, spriteY, scale);
}

int32_t sortSprites(const Camera& camera, Sprites& s, std::vector<uint8_t>& seen) {
    size_t count = size_t(std::max(s.spriteCount, 0));
    for (size_t len : {s.spriteX.size(), s.spriteY.size(), s.spriteTexture.size(), s.spriteOrder.size(),
                       s.spriteDistance.size()})
        count = std::min(count, len);
    const int32_t n = int32_t(count);
    int32_t* order = s.spriteOrder.data();
    double* distance = s.spriteDistance.data();
    const double* spriteX = s.spriteX.data();
    const double* spriteY = s.spriteY.data();
    // Squared distances, no square root.
    const auto distanceOf = [&](int32_t i) {
        return (camera.posX - spriteX[i]) * (camera.posX - spriteX[i]) +
               (camera.posY - spriteY[i]) * (camera.posY - spriteY[i]);
    };

    // With distinct distances, none NaN, the comb sort's result is the one
    // strictly decreasing arrangement, however it gets there. Sprites move
    // little between frames, so last frame's order, when it is still a
    // permutation, is nearly that arrangement: an insertion sort from it
    // costs little. Ties, NaNs or too much moving fall back to the comb sort.
    if (n > 1 && isPermutation(order, n, seen)) {
        bool usable = true;
        for (int32_t p = 0; p < n && usable; ++p) {
            distance[p] = distanceOf(order[p]);
            usable = distance[p] == distance[p];
        }
        int64_t budget = 16 * int64_t(n);
        for (int32_t p = 1; p < n && usable; ++p) {
            const double d = distance[p];
            const int32_t k = order[p];
            int32_t q = p;
            for (; q > 0 && distance[q - 1] < d; --q) {
                distance[q] = distance[q - 1];
                order[q] = order[q - 1];
            }
            distance[q] = d;
            order[q] = k;
            budget -= p - q;
            usable = budget >= 0 && (q == 0 || distance[q - 1] != d);
        }
        if (usable) return n;
    }
    // The order starts afresh, as the comb sort expects.
    for (int32_t i = 0; i < n; ++i) {
        order[i] = i;
        distance[i] = distanceOf(i);
    }
    combSort(order, distance, n);
    return n;
}

int32_t sortAndProjectSprites(const RenderSettings& view, const Camera& camera, World& world,
                              FrameBuffers& frame) {
    Sprites& s = world.sprites;
    const int32_t n = sortSprites(camera, s, frame.orderSeen);
    const SpriteCamera v = spriteCamera(camera, view.screenWidth, view.screenHeight, view.pitch);
    int32_t visible = 0;
    for (int32_t p = 0; p < n; ++p) {
        const size_t k = size_t(s.spriteOrder[size_t(p)]);
        if (!textureAt(world, s.spriteTexture[k])) continue;
        visible += sometimesVisible(project(v, s.spriteX[k], s.spriteY[k], spriteScaleOf(s, k)));
    }
    return visible;
}

void drawSprites(const RenderSettings& view, const Camera& camera, World& world, FrameBuffers& frame,
                 PixelRows rows) {
    Sprites& s = world.sprites;
    const int32_t n = sortSprites(camera, s, frame.orderSeen);
    SpritePicks& picks = frame.picks;
    picks.valid = true;
    picks.view = view;
    picks.drawn.clear();
    if (!textureSizeUsable(view) || frame.zBuffer.size() < size_t(std::max(view.screenWidth, 0))) return;
    // renderFrame keeps the view inside the back buffer, and so the rows of
    // a sprite within kMaxRows.
    if (view.screenHeight > kMaxRows || view.screenWidth > kBackBufferWidth) return;
    picks.depth.assign(frame.zBuffer.begin(), frame.zBuffer.begin() + view.screenWidth);
    const SpriteCamera v = spriteCamera(camera, view.screenWidth, view.screenHeight, view.pitch);
    SpriteTextures textures;
    // Far to near: nearer sprites cover farther ones; sprites are not
    // depth-tested against each other.
    for (int32_t p = 0; p < n; ++p) {
        const size_t k = size_t(s.spriteOrder[size_t(p)]);
        const std::vector<Colour>* texture = textureAt(world, s.spriteTexture[k]);
        if (!texture) continue;
        const SpriteProjection projection = project(v, s.spriteX[k], s.spriteY[k], spriteScaleOf(s, k));
        if (!sometimesVisible(projection)) continue;
        picks.drawn.push_back(DrawnSprite{int32_t(k), s.spriteTexture[k], projection});
        const SpriteTexture& info = spriteTexture(textures, *texture, view);
        if (const int32_t w = fogWeight(view, projection.transformY); w != 0)
            drawSprite(projection, info, view, frame.zBuffer.data(), Fog{view.fogColour, w}, rows);
        else
            drawSprite(projection, info, view, frame.zBuffer.data(), NoFog{}, rows);
    }
}

}  // namespace vl
