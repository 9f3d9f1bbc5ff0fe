#include "shellctl/folder_items.h"

#include "platform/file_io.h"
#include "platform/file_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace vistrel {

QString ColumnCaption(int column)
{
    static const char *const captions[kColumnCount] = {"Name", "Size", "Type", "Modified", "Attributes"};
    return column >= 0 && column < kColumnCount ? QString::fromLatin1(captions[column]) : QString();
}

TShFilter::TShFilter(const QStringList &lines, TShFilterOptions options)
    : active_(!lines.isEmpty()), filterFolders_(options & foFilterFolders)
{
    for (const QString &line : lines) {
        const bool exclusion = line.startsWith('-');
        lines_.push_back({exclusion, TMask(exclusion ? line.mid(1) : line)});
    }
}

// Linux file names may hold "*" and "?", which masks refuse in names; as ordinary characters
// of the name they must simply be matched like any other.
static QString WithLiteralWildcards(const QString &name)
{
    if (!name.contains('*') && !name.contains('?'))
        return name;
    const QChar stand(0xE000); // a private-use character that no mask contains
    return QString(name).replace('*', stand).replace('?', stand);
}

bool TShFilter::MatchFilter(const QString &name, bool isFolder) const
{
    if (isFolder && !filterFolders_)
        return true;
    const QString fileName = WithLiteralWildcards(name);
    bool anyInclusion = false, included = false;
    for (const Line &line : lines_) {
        if (line.exclusion) {
            if (line.mask.Matches(fileName))
                return false;
        } else {
            anyInclusion = true;
            if (!included)
                included = line.mask.Matches(fileName);
        }
    }
    return !anyInclusion || included;
}

int64_t SizeValue(int64_t bytes, TShSizeStyle style)
{
    if (style == ssFull)
        return bytes;
    int64_t kb = bytes / 1024;
    const int64_t rest = bytes % 1024;
    if (rest > 512 || (rest == 512 && kb % 2 == 1))
        ++kb;
    return kb == 0 ? 1 : kb;
}

QString SizeText(int64_t bytes, TShSizeStyle style, const QLocale &locale)
{
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    const QString number = grouped.toString(static_cast<qlonglong>(SizeValue(bytes, style)));
    return style == ssFull ? number : number + QStringLiteral("KB");
}

QString TypeText(const QString &fileName, bool isFolder)
{
    static const QMimeDatabase database;
    const QMimeType type = isFolder ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                                    : database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (type.isValid() && !type.isDefault() && !type.comment().isEmpty())
        return type.comment();
    const int dot = fileName.lastIndexOf('.');
    return dot > 0 ? fileName.mid(dot + 1) + QStringLiteral(" File") : QStringLiteral("File");
}

QString ModifiedText(int64_t mtime, const QLocale &locale)
{
    if (mtime == 0)
        return {};
    return locale.toString(QDateTime::fromSecsSinceEpoch(mtime), QLocale::ShortFormat);
}

QString AttributeText(bool readOnly, bool hidden, bool system, bool compressed)
{
    QString letters;
    if (readOnly)
        letters += 'R';
    if (hidden)
        letters += 'H';
    if (system)
        letters += 'S';
    if (compressed)
        letters += 'C';
    return letters;
}

namespace {

bool IsCompressed(const std::string &path)
{
    // Only regular files and folders are opened: a FIFO would wait for a writer.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW));
    int flags = 0;
    return file.valid() && ::ioctl(file.get(), FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_COMPR_FL);
}

void TakeStatus(TShItemData &item, const struct stat &info, TShSizeStyle style)
{
    item.Kind = S_ISDIR(info.st_mode) ? ItemKind::Folder : ItemKind::File;
    item.IsSystem = !S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode);
    item.Bytes = item.Kind == ItemKind::Folder ? 0 : static_cast<int64_t>(info.st_size);
    item.Size = item.Kind == ItemKind::Folder ? 0 : SizeValue(item.Bytes, style);
    item.MTime = static_cast<int64_t>(info.st_mtime);
}

// Follows a link for what it points to; a dangling link stands for itself.
bool StatEntry(int folderFd, const char *name, struct stat &info, bool &isLink)
{
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    isLink = S_ISLNK(info.st_mode);
    if (isLink) {
        struct stat target {};
        if (::fstatat(folderFd, name, &target, 0) == 0)
            info = target;
    }
    return true;
}

void ReadEntryStatus(int folderFd, TShItemData &item, TShSizeStyle style)
{
    item.PendingFlags &= static_cast<uint8_t>(~kStatusPending);
    const int64_t bytes = item.Bytes, mtime = item.MTime;
    struct stat info {};
    if (StatEntry(folderFd, item.NativeName.c_str(), info, item.IsLink))
        TakeStatus(item, info, style);
    else
        item.Bytes = item.Size = item.MTime = 0;
    // A file that changed since it was last read needs a new tile: a shot, say, renamed over the
    // empty file that reserved its name.
    if (mtime != 0 && (item.Bytes != bytes || item.MTime != mtime)) {
        item.PendingFlags |= kThumbPending;
        item.ThumbQueued = false;
    }
}

// The type the folder entry tells, leaving the rest of the status pending; links and entries of
// unknown type are read at once, for what they point to decides whether they are listed.
bool TakeEntryType(int folderFd, const dirent &entry, TShItemData &item, TShSizeStyle style)
{
    switch (entry.d_type) {
    case DT_DIR: item.Kind = ItemKind::Folder; break;
    case DT_REG: item.Kind = ItemKind::File; break;
    case DT_FIFO:
    case DT_SOCK:
    case DT_CHR:
    case DT_BLK:
        item.Kind = ItemKind::File;
        item.IsSystem = true;
        break;
    default: {
        struct stat info {};
        if (!StatEntry(folderFd, entry.d_name, info, item.IsLink))
            return false;
        TakeStatus(item, info, style);
        return true;
    }
    }
    item.PendingFlags |= kStatusPending;
    return true;
}

FileDescriptor OpenFolder(const QString &folder)
{
    return FileDescriptor(::open(QFile::encodeName(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
}

bool Wanted(const TShItemData &item, TShFolderTypes types, const TShFilter &filter)
{
    if (!(types & (item.Kind == ItemKind::Folder ? ftFolders : ftNonFolders)))
        return false;
    if (item.Name.startsWith('.') && !(types & ftIncludeHidden))
        return false;
    if (item.IsSystem && !(types & ftIncludeSystem))
        return false;
    return !filter.Active() || filter.MatchFilter(item.Name, item.Kind == ItemKind::Folder);
}

// Most names are ASCII, which folds as it lowers; those without capitals share the name's text.
QString FoldedForSorting(const QString &name)
{
    bool capitals = false;
    for (const QChar c : name) {
        if (c.unicode() >= 0x80)
            return name.toCaseFolded();
        capitals = capitals || (c >= u'A' && c <= u'Z');
    }
    if (!capitals)
        return name;
    QString folded(name.size(), Qt::Uninitialized);
    QChar *to = folded.data();
    for (const QChar c : name)
        *to++ = c >= u'A' && c <= u'Z' ? QChar(c.unicode() + (u'a' - u'A')) : c;
    return folded;
}

} // namespace

void ReadItemStatus(const QString &folder, TShItemData &item, TShSizeStyle style)
{
    ReadEntryStatus(OpenFolder(folder).get(), item, style);
}

bool ReadPendingStatus(const QString &folder, const ItemList &items, TShSizeStyle style,
                       std::chrono::steady_clock::duration budget, size_t *next)
{
    const FileDescriptor folderFd = OpenFolder(folder);
    const auto start = std::chrono::steady_clock::now();
    int read = 0;
    for (size_t i = next ? std::min(*next, items.size()) : 0; i < items.size(); ++i) {
        TShItemData &item = *items[i];
        if (!(item.PendingFlags & kStatusPending))
            continue;
        if (++read % 32 == 0 && std::chrono::steady_clock::now() - start >= budget) {
            if (next)
                *next = i;
            return false;
        }
        ReadEntryStatus(folderFd.get(), item, style);
    }
    if (next)
        *next = items.size();
    return true;
}

void ComputeDetails(const QString &folder, TShItemData &item, TShSizeStyle style, const QLocale &locale)
{
    ReadItemStatus(folder, item, style);
    const std::string path = NativeChildPath(folder, item);
    const bool exists = ::access(path.c_str(), F_OK) == 0;
    const bool readOnly = exists && ::access(path.c_str(), W_OK) != 0;
    item.Ghosted = item.Name.startsWith('.');
    item.Compressed = exists && !item.IsSystem && IsCompressed(path);
    item.Details = QStringList{
        item.Kind == ItemKind::Folder || !exists ? QString() : SizeText(item.Bytes, style, locale),
        TypeText(item.Name, item.Kind == ItemKind::Folder),
        exists ? ModifiedText(item.MTime, locale) : QString(),
        AttributeText(readOnly, item.Ghosted, item.IsSystem, item.Compressed),
    };
    item.PendingFlags &= static_cast<uint8_t>(~kDetailsPending);
}

ItemList ReadFolderItems(const QString &folder, TShFolderTypes types, const TShFilter &filter,
                         TShSizeStyle style, uint64_t &nextId)
{
    ItemList items;
    FolderEntries entries(QFile::encodeName(folder).toStdString());
    while (const dirent *entry = entries.next()) {
        // Decided on the stack: entries filtered out cost no item of their own.
        TShItemData candidate;
        if (!TakeEntryType(entries.fd(), *entry, candidate, style))
            continue;
        const size_t length = std::strlen(entry->d_name);
        // File names are UTF-8 here, as for Qt everywhere on Linux.
        candidate.Name = QString::fromUtf8(entry->d_name, static_cast<qsizetype>(length));
        if (!Wanted(candidate, types, filter))
            continue;
        candidate.NativeName.assign(entry->d_name, length);
        candidate.SortName = FoldedForSorting(candidate.Name);
        candidate.Id = nextId++;
        items.push_back(std::make_unique<TShItemData>(std::move(candidate)));
    }
    return items;
}

SortOrder OrderForColumn(int sortColumn, bool sortByExtension)
{
    switch (sortColumn) {
    case kColumnName: return SortOrder::ByName;
    case kColumnSize: return SortOrder::BySize;
    case kColumnModified: return SortOrder::ByDate;
    case kColumnType: return sortByExtension ? SortOrder::ByType : SortOrder::ByDetail;
    default: return SortOrder::ByDetail;
    }
}

namespace {

template <typename T>
int Sign(T value)
{
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

int Directed(int result, const SortKey &key)
{
    return key.Direction == sdDesc ? -result : result;
}

int ByKind(const TShItemData &a, const TShItemData &b) { return static_cast<int>(a.Kind) - static_cast<int>(b.Kind); }

// Folders first in either direction, as in every other order; names then ignore case, and the
// exact spelling only decides between names that differ in case alone.
int ByName(const TShItemData &a, const TShItemData &b, const SortKey &key)
{
    if (const int kind = ByKind(a, b); kind != 0)
        return Sign(kind);
    int result = !a.SortName.isEmpty() && !b.SortName.isEmpty() ? a.SortName.compare(b.SortName)
                                                                : a.Name.compare(b.Name, Qt::CaseInsensitive);
    if (result == 0)
        result = a.Name.compare(b.Name);
    return Directed(Sign(result), key);
}

QString Extension(const QString &name)
{
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

QString DetailText(const TShItemData &item, int index)
{
    return index >= 0 && index < item.Details.size() ? item.Details[index] : QString();
}

} // namespace

int CompareItems(const TShItemData &a, const TShItemData &b, const SortKey &key)
{
    if (key.Order == SortOrder::ByName)
        return ByName(a, b, key);
    if (key.Order == SortOrder::ByKind)
        return Sign(ByKind(a, b));
    int result = ByKind(a, b);
    if (result != 0)
        return Sign(result);
    switch (key.Order) {
    case SortOrder::BySize: result = Sign(a.Size - b.Size); break;
    case SortOrder::ByDate: result = Sign(b.MTime - a.MTime); break;
    case SortOrder::ByDetail:
        result = DetailText(a, key.Column - 1).localeAwareCompare(DetailText(b, key.Column - 1));
        break;
    case SortOrder::ByType:
        result = Extension(a.Name).localeAwareCompare(Extension(b.Name));
        break;
    default: break;
    }
    result = Directed(Sign(result), key);
    return result != 0 ? result : ByName(a, b, key);
}

namespace {

// What the quicksort moves. For the name order each entry carries the item's case-folded name,
// copied with all the others into one buffer, so that the comparisons stay in the cache instead
// of chasing every item and its name through the heap. Names in one folder tend to share a
// start ("IMG_", "Screenshot from "): the eight characters after the start all share are packed
// into two numbers, which decide most comparisons without looking at the text.
struct SortEntry {
    TShItemData *Item;
    ItemKind Kind;
    QStringView Folded; // empty unless sorting by name
    uint64_t Head[2];   // the characters after the shared start, 16 bits each, 0 past the end
};

int CompareEntries(const SortEntry &a, const SortEntry &b, const SortKey &key)
{
    if (a.Item == b.Item) // the pivot meets itself once in every partition
        return 0;
    if (a.Folded.isEmpty() || b.Folded.isEmpty())
        return CompareItems(*a.Item, *b.Item, key);
    if (a.Kind != b.Kind)
        return a.Kind < b.Kind ? -1 : 1;
    int result = 0;
    if (a.Head[0] != b.Head[0])
        result = a.Head[0] < b.Head[0] ? -1 : 1;
    else if (a.Head[1] != b.Head[1])
        result = a.Head[1] < b.Head[1] ? -1 : 1;
    else
        result = Sign(a.Folded.compare(b.Folded));
    return result != 0 ? Directed(result, key) : ByName(*a.Item, *b.Item, key);
}

void QuickSort(std::vector<SortEntry> &entries, int low, int high, const SortKey &key)
{
    int i = 0;
    do {
        i = low;
        int j = high;
        const SortEntry pivot = entries[static_cast<size_t>((low + high) / 2)];
        do {
            while (CompareEntries(entries[static_cast<size_t>(i)], pivot, key) < 0)
                ++i;
            while (CompareEntries(entries[static_cast<size_t>(j)], pivot, key) > 0)
                --j;
            if (i <= j) {
                std::swap(entries[static_cast<size_t>(i)], entries[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (low < j)
            QuickSort(entries, low, j, key);
        low = i;
    } while (i < high);
}

QString FoldedNames(const ItemList &items)
{
    qsizetype length = 0;
    for (const auto &item : items)
        length += item->SortName.size();
    QString names;
    names.reserve(length);
    for (const auto &item : items)
        names += item->SortName;
    return names;
}

qsizetype SharedStartLength(const std::vector<SortEntry> &entries)
{
    QStringView shared = entries.front().Folded;
    for (const SortEntry &entry : entries) {
        const qsizetype most = std::min(shared.size(), entry.Folded.size());
        qsizetype same = 0;
        while (same < most && shared[same] == entry.Folded[same])
            ++same;
        shared.truncate(same);
    }
    return shared.size();
}

void PackHeads(std::vector<SortEntry> &entries)
{
    const qsizetype start = SharedStartLength(entries);
    for (SortEntry &entry : entries) {
        for (int half = 0; half < 2; ++half) {
            uint64_t packed = 0;
            for (qsizetype at = start + half * 4; at < start + half * 4 + 4; ++at)
                packed = packed << 16 | (at < entry.Folded.size() ? entry.Folded[at].unicode() : 0u);
            entry.Head[half] = packed;
        }
    }
}

} // namespace

void SortItems(ItemList &items, const SortKey &key)
{
    if (items.size() < 2)
        return;
    const QString names = key.Order == SortOrder::ByName ? FoldedNames(items) : QString();
    std::vector<SortEntry> entries;
    entries.reserve(items.size());
    qsizetype at = 0;
    for (const auto &item : items) {
        const qsizetype length = names.isEmpty() ? 0 : item->SortName.size();
        entries.push_back({item.get(), item->Kind, QStringView(names).mid(at, length), {}});
        at += length;
    }
    if (!names.isEmpty())
        PackHeads(entries);
    QuickSort(entries, 0, static_cast<int>(entries.size()) - 1, key);
    ItemList sorted;
    sorted.reserve(items.size()); // the last allocation: from here on nothing can throw
    for (auto &item : items)
        item.release();
    for (const SortEntry &entry : entries)
        sorted.emplace_back(entry.Item);
    items = std::move(sorted);
}

QString NormalizedFolderPath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString ChildPath(const QString &folder, const QString &name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

std::string NativeChildPath(const QString &folder, const TShItemData &item)
{
    return WithTrailingSlash(QFile::encodeName(folder).toStdString()) + item.NativeName;
}

} // namespace vistrel
