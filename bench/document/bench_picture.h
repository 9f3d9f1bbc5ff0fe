#pragma once

#include "platform/bitmap.h"
#include "platform/jpeg_codec.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vistrel {

// A photo-like 4000 x 3000 picture (smooth shading with fine texture), so the JPEG compresses
// like a real photo rather than like a flat colour.
inline void WriteBenchPhoto(const std::string &path, int width = 4000, int height = 3000)
{
    TBitmap picture(width, height, PixelFormat::pf24bit);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        uint8_t *row = picture.scanLine(y);
        for (int x = 0; x < width; ++x, row += 3) {
            noise = noise * 1103515245u + 12345u;
            const int grain = static_cast<int>((noise >> 16) & 31) - 16;
            const double shade = std::sin(x * 0.004) * std::cos(y * 0.005);
            row[0] = static_cast<uint8_t>(std::clamp(128 + static_cast<int>(90 * shade) + grain, 0, 255));
            row[1] = static_cast<uint8_t>(std::clamp(100 + (x * 120) / width + grain, 0, 255));
            row[2] = static_cast<uint8_t>(std::clamp(60 + (y * 160) / height - grain, 0, 255));
        }
    }
    WriteJpegFile(picture, path);
}

} // namespace vistrel
