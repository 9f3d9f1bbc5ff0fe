#pragma once

#include "platform/bitmap.h"

#include <string>

namespace vistrel {

// Cameras and phones store pictures as the sensor saw them and say in the EXIF Orientation tag
// (1–8) how to turn them upright.

// The Orientation tag of a JPEG file's EXIF block; 1 (as stored) when there is none or the file
// cannot be read. Reads at most the markers before the picture data, each bounded by its length.
int ReadJpegOrientation(const std::string &path);

// The 24-bit picture turned upright from the given orientation; other values leave it as it is.
TBitmap Upright(TBitmap picture, int orientation);

} // namespace vistrel
