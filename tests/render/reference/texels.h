#pragma once
// Texture lookups shared by the casting passes. Sizes and indexes come from
// the host unchecked, so every pass goes through these before reading texels.
#include <cstdint>
#include <vector>

#include "render/reference/frame.h"
#include "world/world.h"

namespace vl::reference {

// Texel addressing assumes the stored 64-wide layout; any other size outside
// 1..64 could reach beyond a texture, so such frames draw no texel at all.
inline bool textureSizeUsable(const RenderSettings& s) {
    return s.textureWidth >= 1 && s.textureWidth <= kTextureSide && s.textureHeight >= 1 &&
           s.textureHeight <= kTextureSide;
}

// The texture at a table index, or null when the index names no loaded one.
inline const std::vector<Colour>* textureAt(const World& w, int64_t index) {
    if (index < 0 || uint64_t(index) >= w.textures.size()) return nullptr;
    const std::vector<Colour>& t = w.textures[size_t(index)];
    return t.empty() ? nullptr : &t;
}

inline bool hasTexel(const std::vector<Colour>& texture, int64_t index) {
    return index >= 0 && uint64_t(index) < texture.size();
}

}  // namespace vl::reference
