#pragma once

#include "platform/bitmap.h"

#include <string>

namespace vistrel {

constexpr int kJpegQuality = 90;

// Decodes at full size with the accurate integer DCT into a 24-bit bitmap. Throws Error with a
// clear message for unreadable, truncated or oversized files (checked before allocating pixels).
TBitmap ReadJpegFile(const std::string &path);
TBitmap ReadJpegMemory(const uint8_t *data, size_t size);

// Baseline, 3-component RGB, encoder defaults, the given quality. Any format is written through
// a 24-bit copy. Throws Error("Unable to write to " + path) style messages on failure.
void WriteJpegFile(const TBitmap &bitmap, const std::string &path, int quality = kJpegQuality);
std::vector<uint8_t> WriteJpegMemory(const TBitmap &bitmap, int quality = kJpegQuality);

} // namespace vistrel
