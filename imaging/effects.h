#pragma once

#include "platform/bitmap.h"

#include <cstdint>

namespace vistrel {

// Pixel effects and quarter turns. Each converts its bitmap to 24 bits first.
void Invert(TBitmap &bitmap);
void GreyScale(TBitmap &bitmap);
void AntiAlias(TBitmap &bitmap);
void AntiAliasRect(TBitmap &bitmap, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void Emboss(TBitmap &bitmap);
void Shadow(TBitmap &bitmap);
void FlipDown(TBitmap &bitmap);
void FlipRight(TBitmap &bitmap);
void MirrorHorizontal(TBitmap &bitmap);
void MirrorVertical(TBitmap &bitmap);
void Rotate90Right(TBitmap &source, TBitmap &destination);
void Rotate90Left(TBitmap &source, TBitmap &destination);

} // namespace vistrel
