#pragma once

#include "platform/bitmap.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vistrel {

// Decodes a PNG file: 24 bits, or 32 bits (B, G, R, A) when the file has transparency. Throws
// Error("Cannot read picture <path>: <reason>") for a file that is missing, damaged or larger
// than a bitmap may be. Besides the pixels, a read holds a few megabytes at most, whatever the
// file declares.
TBitmap ReadPngFile(const std::string &path);

// True when the bytes start like a PNG file.
bool HasPngSignature(const uint8_t *bytes, size_t length);

// A PNG picture with the thumbnail cache's keys ("Thumb::…" text chunks); other text is dropped.
struct PngPicture {
    TBitmap Bitmap; // 24-bit; grey is widened, 16-bit samples narrowed and alpha dropped
    std::map<std::string, std::string> Text;
};

// Throws Error("Cannot read picture: <reason>") for damaged files and for pictures wider or
// higher than maxSide, which are refused before any pixel is allocated. Text chunks are kept up
// to 64 KB each and 16 in all.
PngPicture ReadPngMemory(const uint8_t *data, size_t size, int maxSide);

// An 8-bit RGB PNG of a 24-bit bitmap (other formats through a 24-bit copy) with the given text
// chunks, in order. Throws Error for an empty bitmap.
std::vector<uint8_t> WritePngMemory(const TBitmap &bitmap, const std::vector<std::pair<std::string, std::string>> &text);

// Writes the bitmap as WritePngMemory does, without text, through SafeFile: a failure throws
// Error("Unable to write to <path>: <reason>") and leaves the old file as it was.
void WritePngFile(const TBitmap &bitmap, const std::string &path);

// A PNG of 8-bit RGBA pixels, rows top-down, 4 bytes a pixel without padding (the large images
// of icon files). Throws Error when libpng refuses the picture.
std::vector<uint8_t> WritePngRgbaMemory(int width, int height, const std::vector<uint8_t> &rgba);

} // namespace vistrel
