#pragma once

#include "platform/bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vistrel {

// Whether pixel x of a 1-bit AND-mask row is set, that is transparent in the icon.
inline bool MaskBitSet(const uint8_t *maskRow, int x)
{
    return (maskRow[x >> 3] >> (7 - (x & 7))) & 1;
}

// Up to maxColours colours that represent the picture well: its own colours when it has no more
// than that, otherwise the population-weighted means of median-cut boxes.
std::vector<PaletteEntry> OptimalPalette(const TBitmap &picture, size_t maxColours);

// The picture at the given depth, as icons want it: 1 bit maps by luminance to black and white,
// 4 bits to the 16 VGA colours, 8 bits to OptimalPalette, 24 and 32 bits copy the colours
// (32-bit alpha is kept from a 32-bit picture, opaque otherwise).
TBitmap ConvertToIconDepth(const TBitmap &picture, PixelFormat format);

} // namespace vistrel
