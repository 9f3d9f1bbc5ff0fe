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
// RippleRandom draws its offsets from a generator started from `seed`: one seed, one picture.
void RippleRandom(TBitmap &bitmap, int32_t amount, uint32_t seed);
void RippleTooth(TBitmap &bitmap, int32_t amount);
void RippleTriangle(TBitmap &bitmap, int32_t amount);
void Triangles(TBitmap &bitmap, int32_t amount);
// Throw Error, changing nothing, when 255 · factor is not a finite value within 64-bit integers.
void KeepBlue(TBitmap &bitmap, long double factor);
void KeepGreen(TBitmap &bitmap, long double factor);
void KeepRed(TBitmap &bitmap, long double factor);

// One entry of the enhancement dialog's list, which vistrel-cli shares. Apply starts from result
// holding a copy of source and runs the routine with the argument derived from the spin value v;
// `seed` starts the random routines.
struct EnhancementEntry {
    const char *Name;    // on the command line
    const char *Caption; // in the dialog's list; null for the command line's own entries, which come last
    void (*Apply)(const TBitmap &source, TBitmap &result, int32_t v, uint32_t seed);
};

constexpr int kEnhancementCount = 12;
extern const std::array<EnhancementEntry, kEnhancementCount> EnhancementTable;

// result := a copy of source, then entry `index` applies. An index outside the table leaves
// result a plain copy.
void ApplyEnhancement(int index, const TBitmap &source, TBitmap &result, int32_t v, uint32_t seed);

// A seed that differs from one call to the next, for random enhancements nobody asked to repeat.
uint32_t SeedFromClock();

} // namespace vistrel
