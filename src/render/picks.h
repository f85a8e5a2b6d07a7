#pragma once
// Which sprite a frame left at a pixel, asked after the frame: the frame
// records its sprites (SpritePicks), and the answer replays the sprite pass's
// tests for that one pixel, so it costs the frame nothing but the record.
#include <cstdint>

#include "render/frame.h"
#include "world/world.h"

namespace vl {

// The sprite whose texel the frame recorded in picks left at pixel (x, y)
// of its view, or -1 where it left none. Reads the textures as they are now.
int32_t pickSprite(const SpritePicks& picks, const World& world, int32_t x, int32_t y);

}  // namespace vl
