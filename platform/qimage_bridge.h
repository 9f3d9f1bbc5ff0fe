#pragma once

#include "platform/bitmap.h"

#include <QImage>

namespace vistrel {

// Conversions at the display edge only; both copy the pixels.
QImage toQImage(const TBitmap &bitmap);
TBitmap fromQImage(const QImage &image); // always a 24-bit bitmap

} // namespace vistrel
