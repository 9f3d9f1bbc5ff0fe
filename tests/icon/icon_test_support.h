#pragma once

#include "icon/icon_writer.h"
#include "platform/bitmap.h"
#include "tests/support/files.h"

#include <cstdint>
#include <vector>

namespace vistrel::testing {

inline uint32_t le16(const std::vector<uint8_t> &bytes, size_t at)
{
    return bytes.at(at) | (uint32_t{bytes.at(at + 1)} << 8);
}

inline uint32_t le32(const std::vector<uint8_t> &bytes, size_t at)
{
    return le16(bytes, at) | (le16(bytes, at + 2) << 16);
}

inline PaletteEntry rgb(int r, int g, int b)
{
    return PaletteEntry{static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 0};
}

// A 24-bit picture whose pixels cycle through the given colours in a diagonal pattern.
inline TBitmap patternPicture(int width, int height, const std::vector<PaletteEntry> &colours)
{
    TBitmap picture(width, height, PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, colours[static_cast<size_t>(x * 3 + y * 5) % colours.size()]);
    return picture;
}

// A mask with the pixels of the left column and of the bottom row transparent.
inline TBitmap borderMask(int width, int height)
{
    TBitmap mask(width, height, PixelFormat::pf1bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (x == 0 || y == height - 1)
                mask.setPixel(x, y, rgb(255, 255, 255));
    return mask;
}

inline bool isTransparent(const TBitmap &mask, int x, int y)
{
    return mask.pixel(x, y) == rgb(255, 255, 255);
}

inline TIcon solidIcon(int width, int height, PaletteEntry colour = PaletteEntry{10, 20, 30, 0})
{
    TIcon icon{TBitmap(width, height, PixelFormat::pf24bit), TBitmap(width, height, PixelFormat::pf1bit)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            icon.Colour.setPixel(x, y, colour);
    return icon;
}

} // namespace vistrel::testing
