#pragma once

#include "platform/bitmap.h"

#include <string>

namespace vistrel {

// "SShot" + slot + "_" + n + ".jpg"; slot 1 to 12 is the function key.
std::string ShotFileName(int slot, int number);

// Creates the first free shot file of `slot` in `folder` (which ends in "/") exclusively and
// returns its path: the file then belongs to the caller, so neither another capture of this
// program nor of a second running one can take the same name. Throws Error when no file can be
// created there.
std::string ReserveShotFile(const std::string &folder, int slot);

// Writes `pixels` as the next shot of `slot` into `shotsFolder` (no trailing "/"), creating that
// folder (one level) when missing, and returns the file's path. The reserved (empty) file holds
// the name while the picture is written beside it, and the complete picture is renamed over it.
// On failure nothing is left behind and the file layer's Error passes on.
std::string WriteShot(const TBitmap &pixels, const std::string &shotsFolder, int slot);

} // namespace vistrel
