#pragma once

#include <string>

namespace vistrel {

// Where Vistrel.ini and Shots live, each ending in "/": VISTREL_HOME when set, else the
// executable's folder when it is writable and the program is not installed, else the XDG folders
// (~/.config/vistrel/ for the settings, the desktop's Pictures folder for the shots). An
// installed program never writes beside itself, also when run by a user who could (root).
struct ProgramFolders {
    std::string settingsFolder;
    std::string shotsParent;
};

ProgramFolders LocateProgramFolders();
ProgramFolders LocateProgramFolders(const std::string &executableFolder);

// The data folder of an installed program, <prefix>/share/vistrel/, for an executable in
// <prefix>/bin/; empty for a build tree or a copy run from anywhere else.
std::string InstalledDataFolder(const std::string &executableFolder);

// "Vistrel.hlp" in the program folder, else beside the executable, else the manual an installed
// program brings (Vistrel.html in its data folder); empty when there is none. Needs a
// QCoreApplication.
std::string FindHelpFile();
std::string FindHelpFile(const std::string &executableFolder);

// The help file to hand the desktop's opener, which picks the program by the file's name and
// knows ".hlp" only as Windows help: FindHelpFile() as it is when it names an ".html" file, else
// the symbolic link Vistrel.html to it in the user's cache folder ($XDG_CACHE_HOME/vistrel/, by
// default ~/.cache/vistrel/), pointed anew whenever it points elsewhere. Empty when there is no
// help file; throws Error when the cache folder or the link cannot be made.
std::string HelpFileToOpen();
std::string HelpFileToOpen(const std::string &executableFolder);

} // namespace vistrel
