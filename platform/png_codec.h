#pragma once

#include "platform/bitmap.h"

#include <string>

namespace vistrel {

// Decodes a PNG file: 24 bits, or 32 bits (B, G, R, A) when the file has transparency. Throws
// Error("Cannot read picture <path>: <reason>") for a file that is missing, damaged or larger
// than a bitmap may be.
TBitmap ReadPngFile(const std::string &path);

// True when the bytes start like a PNG file.
bool HasPngSignature(const uint8_t *bytes, size_t length);

} // namespace vistrel
