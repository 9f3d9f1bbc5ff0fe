#pragma once

#include <QUrl>

#include <string>
#include <vector>

namespace vistrel {

// Paths here are raw bytes, as the file system holds them, whatever their encoding.

enum class TransferAction { Copy, Move };

// The path of a file: URL as bytes; QUrl::toLocalFile would show bytes that are not UTF-8 as
// U+FFFD. Empty for other URLs.
std::string LocalFilePath(const QUrl &url);
// The file: URL of a path, every byte kept; LocalFilePath gives the path back.
QUrl FileUrl(const std::string &path);

// As a file manager decides a drop: Ctrl copies, Shift moves, otherwise a move within one file
// system and a copy across file systems.
TransferAction ActionForDrop(const std::string &source, const std::string &targetFolder, bool control, bool shift);

// Copies or moves one entry into targetFolder under its own name, never replacing what is there.
// Folders are moved only within a file system and never copied. False when nothing was done.
bool TransferInto(const std::string &source, const std::string &targetFolder, TransferAction action);

// Deletes the named files for good: never a folder, and a symbolic link itself rather than what
// it points to. True when every one was deleted.
bool DeleteFiles(const std::vector<std::string> &paths);

} // namespace vistrel
