#pragma once

#include <QString>
#include <QStringList>

namespace vistrel {

enum class TransferAction { Copy, Move };

// As a file manager decides a drop: Ctrl copies, Shift moves, otherwise a move within one file
// system and a copy across file systems.
TransferAction ActionForDrop(const QString &source, const QString &targetFolder, bool control, bool shift);

// Copies or moves one entry into targetFolder under its own name, never replacing what is there.
// Folders are moved only within a file system and never copied. False when nothing was done.
bool TransferInto(const QString &source, const QString &targetFolder, TransferAction action);

// Deletes the named files for good: never a folder, and a symbolic link itself rather than what
// it points to. True when every one was deleted.
bool DeleteFiles(const QStringList &paths);

} // namespace vistrel
