#pragma once

#include "platform/bitmap.h"
#include "platform/rect.h"

namespace vistrel {

// Ways to hide part of a picture. Each replaces the pixels for good: the result depends on the
// hidden pixels only through block means (Pixelate), a wide blur (Blur), or not at all (Fill).
enum class RedactMode { Pixelate, Blur, Fill };

// Pixelate's blocks lie on this grid counted from the picture's top-left corner, so they fall on
// whole JPEG blocks and chroma blocks, and the encoder mixes nothing hidden into its neighbours.
constexpr int kRedactBlock = 16;

// `area` (corners in any order) cut to the picture; an empty rectangle when nothing is left.
TRect ClipToPicture(const TRect &area, int width, int height);

// Hides the pixels of `area` (corners in any order, cut to the picture); those outside it keep
// their bytes. The picture becomes 24 bits per pixel, as for every effect. Throws Error when
// `area` lies wholly outside the picture.
void Redact(TBitmap &picture, const TRect &area, RedactMode mode, PaletteEntry fill = {});

} // namespace vistrel
