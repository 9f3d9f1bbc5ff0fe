#pragma once

#include "platform/bitmap.h"

#include <functional>
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

// Reads like ReadBmpFile but hands the picture over in 24-bit strips of stripRows rows (the last
// one may have fewer), top to bottom, each read from the file as it is needed: started(width,
// height) first, then strip(rows, firstRow). An RLE file is decoded whole first. The strips
// may be changed by strip(). The same checks and errors as ReadBmpFile.
using BmpStarted = std::function<void(int width, int height)>;
using BmpStrip = std::function<void(TBitmap &rows, int firstRow)>;
void ReadBmpFileStrips(const std::string &path, int stripRows, const BmpStarted &started, const BmpStrip &strip);

// Always writes an uncompressed 24-bit bottom-up BMP. Writes through SafeFile:
// a failure throws Error("Unable to write to <path>: <reason>") and leaves the old file as it was.
void WriteBmpFile(const TBitmap &bitmap, const std::string &path);
std::vector<uint8_t> WriteBmpMemory(const TBitmap &bitmap);

} // namespace vistrel
