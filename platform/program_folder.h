#pragma once

#include <string>

namespace vistrel {

// Where Vistrel.ini and Shots live, each ending in "/": VISTREL_HOME when set, else the
// executable's folder when it is writable, else the XDG folders (~/.config/vistrel/ for the
// settings, the desktop's Pictures folder for the shots). Needs a QCoreApplication.
struct ProgramFolders {
    std::string settingsFolder;
    std::string shotsParent;
};

ProgramFolders LocateProgramFolders();

// "Vistrel.hlp" in the program folder, else beside the executable; empty when neither has it.
std::string FindHelpFile();

} // namespace vistrel
