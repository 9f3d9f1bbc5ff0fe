#pragma once

#include "platform/bitmap.h"

#include <array>
#include <cstdint>

namespace vistrel {

// Read source (untouched) and write destination, which must be at least as large (else Error).
// Posterize throws Error for the step 0.
void Solorize(const TBitmap &source, TBitmap &destination, int32_t threshold);
void Posterize(const TBitmap &source, TBitmap &destination, int32_t step);
// In place; any amount is safe, pixels that an amount would move out of the picture are dropped.
void HeightMap(TBitmap &bitmap, int32_t amount);
// Keep the bitmap's pixel format; pictures too small for a tile of at least 1 pixel stay unchanged.
void TexturizeTile(TBitmap &bitmap, int32_t amount);
void TexturizeOverlap(TBitmap &bitmap, int32_t amount);
// RippleRandom draws its offsets from a generator seeded the same way on every call.
void RippleRandom(TBitmap &bitmap, int32_t amount);
void RippleTooth(TBitmap &bitmap, int32_t amount);
void RippleTriangle(TBitmap &bitmap, int32_t amount);
void Triangles(TBitmap &bitmap, int32_t amount);
// Throw Error, changing nothing, when 255 · factor is not a finite value within 64-bit integers.
void KeepBlue(TBitmap &bitmap, long double factor);
void KeepGreen(TBitmap &bitmap, long double factor);

// One entry of the enhancement dialog's list, which vistrel-cli shares. Apply starts from result
// holding a copy of source and runs the routine with the argument derived from the spin value v.
struct EnhancementEntry {
    const char *Name;    // on the command line
    const char *Caption; // in the dialog's list
    void (*Apply)(const TBitmap &source, TBitmap &result, int32_t v);
};

constexpr int kEnhancementCount = 11;
extern const std::array<EnhancementEntry, kEnhancementCount> EnhancementTable;

// result := a copy of source, then entry `index` applies. An index outside the table leaves
// result a plain copy.
void ApplyEnhancement(int index, const TBitmap &source, TBitmap &result, int32_t v);

} // namespace vistrel
