#pragma once

#include "platform/bitmap.h"

#include <array>
#include <cstdint>

namespace vistrel {

void Solorize(const TBitmap &source, TBitmap &destination, int32_t threshold);
void Posterize(const TBitmap &source, TBitmap &destination, int32_t step);
void HeightMap(TBitmap &bitmap, int32_t amount);
void TexturizeTile(TBitmap &bitmap, int32_t amount);
void TexturizeOverlap(TBitmap &bitmap, int32_t amount);
void RippleRandom(TBitmap &bitmap, int32_t amount);
void RippleTooth(TBitmap &bitmap, int32_t amount);
void RippleTriangle(TBitmap &bitmap, int32_t amount);
void Triangles(TBitmap &bitmap, int32_t amount);
void KeepBlue(TBitmap &bitmap, long double factor);
void KeepGreen(TBitmap &bitmap, long double factor);

// The enhancement dialog's function table, shared with vistrel-cli.
constexpr int kEnhancementCount = 11;
extern const std::array<const char *, kEnhancementCount> EnhancementItems;

// result := a copy of source, then function `index` runs with the arguments that the dialog
// derives from the spin value v. An index outside the table leaves result a plain copy.
void ApplyEnhancement(int index, const TBitmap &source, TBitmap &result, int32_t v);

} // namespace vistrel
