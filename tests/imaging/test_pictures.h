#pragma once

#include "platform/bitmap.h"

#include <cstdint>

namespace vistrel::testing {

// A picture whose every channel differs, so that any misplaced byte shows.
inline TBitmap PatternPicture(int width, int height, uint32_t seed = 1)
{
    TBitmap b(width, height);
    uint32_t state = seed * 2654435761u + 12345u;
    for (int y = 0; y < height; ++y) {
        uint8_t *row = b.scanLine(y);
        for (int i = 0; i < width * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            row[i] = static_cast<uint8_t>(state >> 24);
        }
    }
    return b;
}

inline TBitmap FilledPicture(int width, int height, PaletteEntry colour)
{
    TBitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y, colour);
    return b;
}

} // namespace vistrel::testing
