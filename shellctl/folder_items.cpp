#include "shellctl/folder_items.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace vistrel {

namespace {

// The filter lines compiled once per listing rather than once per file name.
class CompiledFilters {
public:
    explicit CompiledFilters(const QStringList &filters)
    {
        for (const QString &line : filters) {
            const bool exclusion = line.startsWith('-');
            hasInclusion_ = hasInclusion_ || !exclusion;
            if (!line.isEmpty() && line != QLatin1String("-"))
                masks_.push_back({exclusion, QRegularExpression::fromWildcard(exclusion ? line.mid(1) : line,
                                                                              Qt::CaseInsensitive)});
        }
    }

    bool accepts(const QString &fileName) const
    {
        bool included = false;
        for (const Mask &mask : masks_) {
            if (!mask.exclusion && included)
                continue;
            if (mask.pattern.match(fileName).hasMatch()) {
                if (mask.exclusion)
                    return false;
                included = true;
            }
        }
        return !hasInclusion_ || included;
    }

private:
    struct Mask {
        bool exclusion;
        QRegularExpression pattern;
    };
    std::vector<Mask> masks_;
    bool hasInclusion_ = false;
};

bool ListsBefore(const ShellItem &a, const ShellItem &b)
{
    if (a.isFolder != b.isFolder)
        return a.isFolder;
    const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
    return byName != 0 ? byName < 0 : a.name < b.name;
}

} // namespace

bool MatchFilter(const QString &fileName, const QStringList &filters)
{
    return CompiledFilters(filters).accepts(fileName);
}

std::vector<ShellItem> ReadFolderItems(const QString &folder, const QStringList &filters)
{
    const CompiledFilters accepted(filters);
    std::vector<ShellItem> items;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &entry : entries) {
        const bool isFolder = entry.isDir();
        if (isFolder || accepted.accepts(entry.fileName()))
            items.push_back({entry.fileName(), isFolder});
    }
    std::sort(items.begin(), items.end(), ListsBefore);
    return items;
}

QString NormalizedFolderPath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString ChildPath(const QString &folder, const QString &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

} // namespace vistrel
