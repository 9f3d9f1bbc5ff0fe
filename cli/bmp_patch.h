#pragma once

#include "platform/bitmap.h"
#include "platform/rect.h"

#include <string>

namespace vistrel {

// Writes `input`, an uncompressed 24-bit BMP file, to `output` with the pixels of `area` taken
// from `changed` (the input's picture after a change inside `area` only): every other byte of the
// file stays as it was, header included. False, writing nothing, for any other kind of input.
bool WriteBmpPatched(const std::string &input, const TBitmap &changed, const TRect &area, const std::string &output);

} // namespace vistrel
