#pragma once

#include "platform/bitmap.h"

class QPrinter;

namespace vistrel {

// The printer of the whole program: what "Print dialog" chooses holds for every later "Print".
QPrinter &ProgramPrinter();

// False when there is nothing to print on: no printer installed and no file chosen to print to.
bool PrinterReady(const QPrinter &printer);

// One page: picture enlarged by the whole factor between the printer's and the screen's
// resolution, its corner at the printable area's, cut at the page edge. Throws Error when the
// printer cannot start or finish the document.
void PrintPicture(const TBitmap &picture, QPrinter &printer, int screenDpiX, int screenDpiY);

} // namespace vistrel
