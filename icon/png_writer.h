#pragma once

#include <cstdint>
#include <vector>

namespace vistrel {

// A PNG file of 8-bit RGBA pixels, rows top-down, 4 bytes per pixel without padding. Icons store
// their large images this way.
std::vector<uint8_t> EncodePngRgba(int width, int height, const std::vector<uint8_t> &rgba);

} // namespace vistrel
