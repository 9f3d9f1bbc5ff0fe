#pragma once

#include "shellctl/mask.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vistrel {

enum TShFolderType { ftFolders = 1, ftNonFolders = 2, ftIncludeHidden = 4, ftIncludeSystem = 8 };
using TShFolderTypes = int; // a set of TShFolderType bits
enum TShFilterOption { foFilterFolders = 1 };
using TShFilterOptions = int;
enum TShSizeStyle { ssAbbreviated, ssFull };
enum TShSortDirection { sdAsc, sdDesc };

// Bits of TShItemData::PendingFlags: what is still to be worked out for an item.
enum TShPending : uint8_t {
    kNamePending = 1,
    kIconPending = 2,
    kDetailsPending = 4,
    kThumbPending = 8,
    kAllPending = 15,
    kStatusPending = 16, // size, time and link state: entries whose type the folder told are read later
};

// Report-view columns, in order; the details hold the texts from "Size" on.
enum TShColumn { kColumnName, kColumnSize, kColumnType, kColumnModified, kColumnAttributes, kColumnCount };
QString ColumnCaption(int column);

// Folders (and links to them) sort and act apart from everything else.
enum class ItemKind { Folder = 0, File = 1 };

// One listed entry of the shown folder.
struct TShItemData {
    uint64_t Id = 0;   // stable across sorts and removals; thumbnails are delivered by it
    QString Name;      // the file name, which is also the caption
    std::string NativeName; // its bytes as the folder holds them, for the file itself: Name shows
                            // bytes that are not UTF-8 as U+FFFD
    QString SortName;  // Name case-folded once, for sorting
    ItemKind Kind = ItemKind::File; // File: anything but a folder
    bool IsLink = false;
    bool IsSystem = false; // neither a regular file nor a folder: FIFO, socket, device
    int64_t Bytes = 0;
    int64_t Size = 0;  // per the size style: KB or bytes; 0 for folders
    int64_t MTime = 0; // seconds since the epoch
    QStringList Details; // Size, Type, Modified, Attributes texts
    uint8_t PendingFlags = kAllPending;
    bool Ghosted = false;
    bool DropHighlighted = false;
    bool Compressed = false;
    bool ThumbQueued = false;
    int ThumbIndex = 0; // 0 is the placeholder tile
};

using ItemList = std::vector<std::unique_ptr<TShItemData>>;

// Filter lines: "-" before a mask excludes what it matches (at once); any other line is an
// inclusion, and when one exists a file is listed only if an inclusion matches. An empty line is
// an inclusion matching nothing. Folders pass unless folder filtering is asked for. The masks are
// parsed once per listing.
class TShFilter {
public:
    TShFilter(const QStringList &lines, TShFilterOptions options = 0);
    bool MatchFilter(const QString &fileName, bool isFolder) const;
    bool Active() const { return active_; }

private:
    struct Line {
        bool exclusion;
        TMask mask;
    };
    std::vector<Line> lines_;
    bool active_ = false;
    bool filterFolders_ = false;
};

// "5KB" for 5000 bytes (KB rounded to nearest, halves to even, never below 1); ssFull gives the
// byte count. Thousands are grouped as the locale does.
int64_t SizeValue(int64_t bytes, TShSizeStyle style);
QString SizeText(int64_t bytes, TShSizeStyle style, const QLocale &locale);
// The MIME database's name for the type; "abc File" for an unknown x.abc.
QString TypeText(const QString &fileName, bool isFolder);
QString ModifiedText(int64_t mtime, const QLocale &locale);
// "R" not writable by the user, "H" hidden (a dot name), "S" neither file nor folder, "C"
// compressed by the file system. Linux has no archive bit, so "A" never appears.
QString AttributeText(bool readOnly, bool hidden, bool system, bool compressed);

// Reads the stat-based fields of an item whose Name is set, inside folder. Missing files get
// size 0 and no time.
void ReadItemStatus(const QString &folder, TShItemData &item, TShSizeStyle style);
// Reads the status of the items that still wait for it, in order, until `budget` has passed;
// true once none is left waiting. With `next`, the items before *next are taken as read and
// *next is left where reading stopped, so that slices over a big folder do not walk it again.
bool ReadPendingStatus(const QString &folder, const ItemList &items, TShSizeStyle style,
                       std::chrono::steady_clock::duration budget = std::chrono::steady_clock::duration::max(),
                       size_t *next = nullptr);
// Fills Details (and Ghosted, Compressed) and clears the details-pending bit.
void ComputeDetails(const QString &folder, TShItemData &item, TShSizeStyle style, const QLocale &locale);

// The entries of a folder that the list shows, unsorted: folder types decide on folders, other
// entries, dot names and system entries; the filter on the rest. Ids are taken from nextId.
// An unreadable folder gives no items. Where the folder tells an entry's type, its status is
// left pending (a stat per file would cost a big folder most of its listing time).
ItemList ReadFolderItems(const QString &folder, TShFolderTypes types, const TShFilter &filter,
                         TShSizeStyle style, uint64_t &nextId);

// The six orders of the list and the column that chooses one.
enum class SortOrder { ByDate, ByName, BySize, ByDetail, ByType, ByKind };
SortOrder OrderForColumn(int sortColumn, bool sortByExtension);

struct SortKey {
    SortOrder Order = SortOrder::ByName;
    int Column = 0;
    TShSortDirection Direction = sdAsc;
};
// Negative when a lists before b.
int CompareItems(const TShItemData &a, const TShItemData &b, const SortKey &key);
// Quicksort over positions (middle pivot), so equal items may change places.
void SortItems(ItemList &items, const SortKey &key);

// A folder path in the form the list reports it: absolute, cleaned, no trailing "/" except "/".
QString NormalizedFolderPath(const QString &path);
// The path of an entry of a folder, without doubling the "/" of the root.
QString ChildPath(const QString &folder, const QString &name);
// The path of an item of folder, with the item's name as the folder holds it.
std::string NativeChildPath(const QString &folder, const TShItemData &item);

} // namespace vistrel
