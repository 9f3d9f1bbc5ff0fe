#pragma once

#include "platform/bitmap.h"

#include <array>
#include <cstdint>
#include <string_view>

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

// One pixel effect or quarter turn as the Tools menu, vistrel-cli and the benchmarks know it.
// Exactly one of InPlace and Turn is set: a turn writes a second bitmap of swapped sides.
struct EffectEntry {
    const char *Name;    // on the command line
    const char *Caption; // in the Tools menu
    void (*InPlace)(TBitmap &bitmap);
    void (*Turn)(TBitmap &source, TBitmap &destination);
    // Each row of the result depends on that row of the picture alone: the effect may run on a
    // band of rows at a time and give the same bytes.
    bool RowLocal = false;
};

extern const std::array<EffectEntry, 11> EffectTable;

// The entry of that command-line name; Error for a name the table does not hold.
const EffectEntry &EffectNamed(std::string_view name);

// Runs the entry on picture, which a turn replaces by the turned picture.
void ApplyEffect(const EffectEntry &effect, TBitmap &picture);

} // namespace vistrel
