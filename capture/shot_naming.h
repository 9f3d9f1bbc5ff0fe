#pragma once

#include "platform/bitmap.h"
#include "platform/picture_io.h"

#include <string>

namespace vistrel {

// Shots are JPEG files unless the user chose PNG.
// "SShot" + slot + "_" + n + ".jpg" (or ".png"); slot 1 to 12 is the function key.
std::string ShotFileName(int slot, int number, PictureFormat format = PictureFormat::Jpeg);

// Creates the first free shot file of `slot` in `folder` (which ends in "/") exclusively and
// returns its path: the file then belongs to the caller, so neither another capture of this
// program nor of a second running one can take the same name. A number is free when neither its
// JPEG nor its PNG name exists, so switching the type never reuses a number. Throws Error when
// no file can be created there.
std::string ReserveShotFile(const std::string &folder, int slot, PictureFormat format = PictureFormat::Jpeg);

// Writes `pixels` as the next shot of `slot` into `shotsFolder` (no trailing "/") as a JPEG or
// PNG file, creating that folder (one level) when missing, and returns the file's path. The reserved (empty) file holds
// the name while the picture is written beside it, and the complete picture is renamed over it.
// On failure nothing is left behind and the file layer's Error passes on.
std::string WriteShot(const TBitmap &pixels, const std::string &shotsFolder, int slot,
                      PictureFormat format = PictureFormat::Jpeg);

} // namespace vistrel
