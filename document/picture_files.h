#pragma once

#include "platform/bitmap.h"

#include <string>

namespace vistrel {

enum class PictureFileKind { Jpeg, Bmp, Other };

// Opening compares the extension in upper case: ".JPG" and ".JPEG" are JPEG, ".BMP" is BMP.
PictureFileKind PictureKindForOpening(const std::string &path);

// Files dropped on the main window are opened only for the exact lower-case extensions ".jpg",
// ".bmp" and ".jpeg".
bool IsDroppablePicture(const std::string &path);

// Decodes a picture file by its extension; other extensions give an empty picture. Throws the
// decoder's Error for a file that cannot be read.
TBitmap LoadPictureFile(const std::string &path);

} // namespace vistrel
