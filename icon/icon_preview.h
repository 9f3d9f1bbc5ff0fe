#pragma once

#include "icon/icon_writer.h"
#include "platform/bitmap.h"

#include <cstdint>
#include <string>

namespace vistrel {

// The icon drawn at its natural size over a copy of picture, from the top-left corner and cut at
// picture's edges: where the icon's mask is transparent the picture shows through. This is what
// the converter shows as the icon preview and saves as a glyph.
TBitmap DrawIconOver(const TBitmap &picture, const TIcon &icon);

// The side of a custom icon size as typed: digits only, from 1 to kMaxIconSide. Throws Error
// otherwise, so that a wrong size never reaches the resampler.
int32_t ParseIconSide(const std::string &text);

} // namespace vistrel
