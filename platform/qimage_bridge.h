#pragma once

#include "platform/bitmap.h"

#include <QImage>
#include <QStringList>

#include <string>

namespace vistrel {

// Conversions at the display edge only; both copy the pixels.
QImage toQImage(const TBitmap &bitmap);
TBitmap fromQImage(const QImage &image); // always a 24-bit bitmap

// Reads a picture file of any format this machine decodes, whatever its name: JPEG, BMP and PNG
// with the program's own codecs, others (GIF, WebP, TIFF, ICO...) through Qt's image readers, into
// 24 bits or 32 where the picture has transparency. Throws Error("Cannot read picture <path>:
// <reason>") and then opens nothing.
TBitmap ReadAnyPictureFile(const std::string &path);
// Whether the name's extension, in any letter case, is one of a format ReadAnyPictureFile reads.
bool IsPictureFileName(const std::string &path);
// The open dialogs' filters: every format ReadAnyPictureFile reads as one entry, then ours.
QStringList PictureFileFilters();

} // namespace vistrel
