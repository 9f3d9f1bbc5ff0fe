#pragma once

#include <string>

namespace vistrel {

// The paint program a Linux desktop is likely to have (kolourpaint, pinta, mtpaint, gimp, the
// first found on PATH), else xdg-open, which hands the file to the desktop's choice.
std::string PaintProgram();

} // namespace vistrel
