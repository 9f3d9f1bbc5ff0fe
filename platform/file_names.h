#pragma once

#include <string>

namespace vistrel {

// The folder part of a path, with its trailing "/"; "" when the path has no separator.
std::string ExtractFilePath(const std::string &path);
// The file-name part of a path (after the last "/").
std::string ExtractFileName(const std::string &path);
// The extension of a path from the last "." of its file name on, "" when there is none.
std::string ExtractFileExt(const std::string &path);
// The folder with one trailing "/" ("" becomes "/").
std::string WithTrailingSlash(std::string folder);

// $HOME as the shell gives it, else the user's entry in the password database, else "/".
std::string HomeFolder();
// A base folder of the freedesktop layout: the variable's value when it is an absolute path, else
// belowHome inside the home folder (XDG_CACHE_HOME and ".cache", say).
std::string XdgBaseFolder(const char *variable, const char *belowHome);

} // namespace vistrel
