#pragma once
// PNG output for screenshots.
#include <cstdint>
#include <string>
#include <vector>

// Writes 0x00BBGGRR pixels, rows from the top, as an RGB PNG file.
bool writePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);
