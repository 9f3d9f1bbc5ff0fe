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

// Whether the orientation stores the picture's rows as its columns (5–8): the upright picture is
// then as wide as the stored one is high.
bool SwapsSides(int orientation);

// Copies stored rows firstRow .. firstRow + rows.height() − 1 of a picture stored under
// `orientation` (2–8) to their places in `upright`, which has the upright size and rows' depth.
// Lets a picture be turned while it is decoded, a strip at a time.
void PlaceUpright(const TBitmap &rows, int firstRow, int orientation, TBitmap &upright);

} // namespace vistrel
