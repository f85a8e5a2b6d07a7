#pragma once
// Golden frames: a fixed set of scenes rendered through the exports, each
// reduced to a checksum of the whole 800 x 600 back buffer. The native tests
// and the DLL tests under wine render the same calls and must both match the
// checksums stored in tests/data/golden_frames.txt, so every optimisation of
// the renderer is held to the same pixels on both builds.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "velmora_api.h"

namespace vl::golden {

// Writes the scenes' bitmap files (several BMP forms) into dir.
void writeAssets(const std::string& dir);
// After vlInit: loads colours, textures, sprites and the overlay image.
void setupWorld(const VelmoraApi& api, const std::string& dir);

const std::vector<std::string>& frameNames();
// Paints a background, sets view, camera and sprites, renders frame i, and
// draws its overlays.
void renderFrame(const VelmoraApi& api, size_t i);

// FNV-1a over blue, green, red bytes of top-down rows of 0x00BBGGRR pixels.
uint64_t checksum(const std::vector<uint32_t>& pixels);

std::string goldenPath();
std::map<std::string, uint64_t> loadGolden(const std::string& path);
void saveGolden(const std::string& path, const std::map<std::string, uint64_t>& sums);
// Writes pixels (800 x 600, 0x00BBGGRR) as a binary PPM for a failing frame.
void writePpm(const std::string& path, const std::vector<uint32_t>& pixels);

}  // namespace vl::golden
