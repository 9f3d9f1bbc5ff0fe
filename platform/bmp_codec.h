#pragma once

#include "platform/bitmap.h"

#include <string>
#include <vector>

namespace vistrel {

// Reads 1, 4, 8, 16, 24 and 32-bit BMP files, RLE4 and RLE8, bottom-up and top-down. Indexed
// files keep their format and colour table; 16-bit files become 24-bit; 32-bit stay 32-bit with
// the fourth byte (alpha) kept. Throws Error("Cannot read picture <path>: <reason>") for
// malformed, truncated or oversized files, before allocating pixels. RLE data that ends early
// is not an error: the pixels it does not reach keep index 0.
TBitmap ReadBmpFile(const std::string &path);
TBitmap ReadBmpMemory(const uint8_t *data, size_t size);

// Always writes an uncompressed 24-bit bottom-up BMP. Writes through SafeFile:
// a failure throws Error("Unable to write to <path>: <reason>") and leaves the old file as it was.
void WriteBmpFile(const TBitmap &bitmap, const std::string &path);
std::vector<uint8_t> WriteBmpMemory(const TBitmap &bitmap);

} // namespace vistrel
