#pragma once

#include "platform/bitmap.h"

#include <functional>
#include <optional>
#include <string>

namespace vistrel {

// A JPEG decoded at an eighth of its size (each 8 × 8 block becomes one pixel, the size rounded
// up), from the DC coefficients alone: the entropy-coded rest is skipped without being decoded,
// at about one and a half times the speed of a full decoder's pass over it. Subsampled chroma is
// interpolated bilinearly.
struct EighthJpeg {
    TBitmap Bitmap; // 24 bits
    int FullWidth = 0;
    int FullHeight = 0;
};

// Handles one-scan baseline Huffman files of 8-bit greyscale or YCbCr, which is what cameras and
// most programs write. Anything else, a file damaged in any way, or one whose full size
// wanted(width, height) turns down, gives nothing: a full decoder then reads it and reports what
// is wrong. Reads the file a block at a time.
std::optional<EighthJpeg> ReadJpegEighth(const std::string &path, const std::function<bool(int, int)> &wanted);

} // namespace vistrel
