#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vistrel {

// One entry of a listed folder: what the list shows and what its selection paths are built from.
struct ShellItem {
    QString name;
    bool isFolder = false;
};

// The list's filter lines: "*.jpg"-style masks matched without regard to case; a line starting
// with "-" excludes what it matches; an empty line is an inclusion that matches nothing. A name is
// accepted when no exclusion matches and, if any inclusion exists, one of them does.
bool MatchFilter(const QString &fileName, const QStringList &filters);

// The entries of a folder as the list shows them: folders always, files only when they pass the
// filters; folders first, then by name ignoring case. Hidden entries are left out, as a Linux
// file manager does. An unreadable folder gives an empty list.
std::vector<ShellItem> ReadFolderItems(const QString &folder, const QStringList &filters);

// A folder path in the form the list reports it: absolute, cleaned, no trailing "/" except "/".
QString NormalizedFolderPath(const QString &path);

// The path of an entry of a folder, without doubling the "/" of the root.
QString ChildPath(const QString &folder, const QString &name);

} // namespace vistrel
