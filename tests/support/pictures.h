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

// Pixel (x, y) holds b = x, g = y and the given red (coordinates below 256), so a copied or
// moved pixel tells where it came from.
inline TBitmap NumberedPicture(int width, int height, uint8_t red)
{
    TBitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y, PaletteEntry{static_cast<uint8_t>(x), static_cast<uint8_t>(y), red, 0});
    return b;
}

// Smooth diagonal ramps in each channel: what a photograph looks like to a JPEG encoder.
inline TBitmap SmoothPicture(int width, int height)
{
    TBitmap b(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t *row = b.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 255 / width);
            row[3 * x + 1] = static_cast<uint8_t>(y * 255 / height);
            row[3 * x + 2] = static_cast<uint8_t>((x + y) * 127 / (width + height) + 64);
        }
    }
    return b;
}

} // namespace vistrel::testing
