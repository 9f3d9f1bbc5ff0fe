#pragma once

#include "mail/mail_message.h"
#include "platform/picture_io.h"
#include "platform/rect.h"

#include <string>

namespace vistrel {

// Items of the "Save As" dialog's filter, as kept in the settings file.
constexpr int kSaveJpegItem = 1;
constexpr int kSaveBmpItem = 2;
constexpr int kSavePngItem = 3;
constexpr char kSaveFilterSection[] = "Save Dlg Filter";
constexpr char kSaveFilterKey[] = "value";

struct SaveTarget {
    std::string Path;
    PictureFormat Format = PictureFormat::None;
};

// The file "Save As" writes for the name chosen with a filter item: ".jpg" (item 1), ".bmp"
// (item 2) or ".png" (item 3) is appended unless the name ends in exactly that, letter case
// included, so a.JPG becomes a.JPG.jpg. Any other item writes nothing (Format None).
SaveTarget SaveAsTarget(const std::string &fileName, int filterItem);

// How many printer dots one screen pixel takes: the printer's resolution divided by the screen's
// logical one, truncated. A printer coarser than the screen gives 0 (an empty page).
int PrintFactor(int printerDpi, int screenDpi);

// Where a picture lands on the printed page, in printer pixels from the printable area's corner.
TRect PrintRect(int pictureWidth, int pictureHeight, int factorX, int factorY);

// "Send as mail" of the picture's file: the program's feedback address for sender and recipient.
MailRequest PictureMailRequest(const std::string &picName);

} // namespace vistrel
