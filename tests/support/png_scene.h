#pragma once
// PNG art through a library's exports, as a host uses it: a sprite texture
// whose transparency comes from alpha, and an overlay image, each compared
// with the BMP of the same image in a textured frame and on the back
// buffer. Runs natively, through the DLLs and through libvelmora.so.
#include <string>

#include "velmora_api.h"

namespace vl::test {

// Calls vlInit(window) and draws into the back buffer. Empty when the PNGs
// draw exactly as their BMPs (and the sprite shows), otherwise what differs.
std::string pngAgainstBmp(const VelmoraApi& api, double window, const std::string& dir);

}  // namespace vl::test
