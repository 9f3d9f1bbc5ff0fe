#pragma once

#include "platform/bitmap.h"

#include <string>

namespace vistrel {

// The one place that decides which codec reads or writes a picture file. Icons are written by
// icon/icon_writer.h (WriteIcon), which needs the icon's own depth conversion.

enum class PictureFormat { None, Jpeg, Bmp, Png };

// How each road into the program tells a picture file by its name. The rules differ in letter
// case; each road has its own name so that one can change without moving the others.
enum class PictureNaming {
    // The main window's "Open", and the last shot opened by "Off": ".jpg", ".jpeg", ".bmp" and
    // ".png" in any letter case (compared in upper case).
    Opening,
    // Files dropped on the main window: as Opening.
    Dropping,
    // The icon converter's source picture: exactly
    // ".jpg" or ".jpeg" (JPEG) and ".bmp" (BMP), letter case included; ".JPG" is none.
    ExactExtension,
    // vistrel-cli's file names: ".jpg", ".jpeg", ".bmp" and ".png" in any letter case.
    CommandLine,
};

// The format a file name stands for under `naming`; None for any other extension.
PictureFormat PictureFormatFor(const std::string &path, PictureNaming naming);

// Decodes the file with the codec of `format`; None gives an empty picture without touching
// the file. Throws Error("Cannot read picture <path>: <reason>").
TBitmap ReadPictureFile(const std::string &path, PictureFormat format);
// Decodes the file by its name under `naming`; other extensions give an empty picture.
TBitmap ReadPictureFile(const std::string &path, PictureNaming naming);
// Decodes the file by what it holds (the JPEG, BMP and PNG signatures), whatever its name. A
// file that is none of them goes to the decoder its name suggests under `hint`, whose error then
// says what is wrong with it.
TBitmap ReadPictureByContent(const std::string &path, PictureNaming hint);

// The format the file's first bytes announce; None when it is none of ours or cannot be read.
PictureFormat PictureFormatOfContent(const std::string &path);

// Writes JPEG (at kJpegQuality), BMP or PNG through SafeFile. Throws Error("Unable to write to
// <path>: <reason>") and then leaves any old file as it was.
void WritePictureFile(const TBitmap &picture, const std::string &path, PictureFormat format);

} // namespace vistrel
