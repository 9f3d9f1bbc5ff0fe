#pragma once

#include "platform/jpeg_codec.h"

#include <cstdint>
#include <vector>

namespace vistrel::testing {

// The JPEG with an EXIF block, put right after its start marker, that carries the Orientation tag
// in either byte order.
inline std::vector<uint8_t> WithOrientation(std::vector<uint8_t> jpeg, int orientation, bool littleEndian = true)
{
    const auto u16 = [littleEndian](int v) {
        return littleEndian ? std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8)} : std::vector<uint8_t>{uint8_t(v >> 8), uint8_t(v)};
    };
    std::vector<uint8_t> tiff = {uint8_t(littleEndian ? 'I' : 'M'), uint8_t(littleEndian ? 'I' : 'M')};
    for (const auto &part : {u16(42), littleEndian ? std::vector<uint8_t>{8, 0, 0, 0} : std::vector<uint8_t>{0, 0, 0, 8},
                             u16(1), u16(0x0112), u16(3), littleEndian ? std::vector<uint8_t>{1, 0, 0, 0} : std::vector<uint8_t>{0, 0, 0, 1},
                             u16(orientation), u16(0), std::vector<uint8_t>{0, 0, 0, 0}})
        tiff.insert(tiff.end(), part.begin(), part.end());
    std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, uint8_t(8 + tiff.size()), 'E', 'x', 'i', 'f', 0, 0};
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    return jpeg;
}

// A JPEG of four coloured quarters (red, green / blue, white) with the Orientation tag.
inline std::vector<uint8_t> QuarteredJpegWithOrientation(int orientation, bool littleEndian)
{
    TBitmap picture(64, 32);
    const PaletteEntry quarters[4] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x)
            picture.setPixel(x, y, quarters[(y >= 16) * 2 + (x >= 32)]);
    return WithOrientation(WriteJpegMemory(picture), orientation, littleEndian);
}

} // namespace vistrel::testing
