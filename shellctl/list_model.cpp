#include "shellctl/list_model.h"

#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QPalette>

#include <algorithm>
#include <utility>

namespace vistrel {

TShListModel::TShListModel(QObject *parent) : QAbstractTableModel(parent)
{
    freeTimer_.setInterval(0); // between events: paints and input come first
    connect(&freeTimer_, &QTimer::timeout, this, &TShListModel::FreeRetiredSlice);
}

void TShListModel::Reset(const QString &folder, ItemList items)
{
    beginResetModel();
    folder_ = folder;
    ItemList before = std::exchange(items_, std::move(items));
    rowsStale_ = true;
    endResetModel();
    Release(std::move(before));
}

void TShListModel::Reset(const QString &folder, ItemList items, const SortKey &key)
{
    folder_ = folder;
    PrepareSort(items, key);
    SortItems(items, key);
    Reset(folder, std::move(items));
}

// Freeing 100,000 items takes the GUI thread tens of milliseconds, so a big folder left behind is
// freed a slice at a time once the next one is shown. Not on a second thread: freeing there while
// this one allocates makes both wait on the heap's lock.
void TShListModel::Release(ItemList items)
{
    constexpr size_t kFewItems = 4096;
    if (items.size() < kFewItems)
        return;
    retired_ = std::move(items); // listed again before any event: the one before goes now
    freeTimer_.start();
}

void TShListModel::FreeRetiredSlice()
{
    constexpr size_t kItemsPerSlice = 8192; // a few milliseconds
    retired_.resize(retired_.size() - std::min(retired_.size(), kItemsPerSlice));
    if (retired_.empty()) {
        retired_.shrink_to_fit();
        freeTimer_.stop();
    }
}

int TShListModel::RowOf(uint64_t id) const
{
    if (rowsStale_) {
        rows_.clear();
        for (size_t row = 0; row < items_.size(); ++row)
            rows_[items_[row]->Id] = static_cast<int>(row);
        rowsStale_ = false;
    }
    const auto found = rows_.find(id);
    return found == rows_.end() ? -1 : found->second;
}

void TShListModel::RemoveIf(const std::function<bool(const TShItemData &)> &remove)
{
    int row = static_cast<int>(items_.size()) - 1;
    while (row >= 0) {
        if (!remove(*items_[static_cast<size_t>(row)])) {
            --row;
            continue;
        }
        const int last = row;
        while (row > 0 && remove(*items_[static_cast<size_t>(row - 1)]))
            --row;
        beginRemoveRows({}, row, last);
        items_.erase(items_.begin() + row, items_.begin() + last + 1);
        rowsStale_ = true;
        endRemoveRows();
        --row;
    }
}

void TShListModel::Append(ItemList items)
{
    if (items.empty())
        return;
    const int first = static_cast<int>(items_.size());
    beginInsertRows({}, first, first + static_cast<int>(items.size()) - 1);
    for (auto &item : items)
        items_.push_back(std::move(item));
    rowsStale_ = true;
    endInsertRows();
}

void TShListModel::Sort(const SortKey &key)
{
    Q_EMIT layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<uint64_t> ids;
    for (const QModelIndex &index : before)
        ids.push_back(Item(index.row()).Id);
    PrepareSort(items_, key);
    SortItems(items_, key);
    rowsStale_ = true;
    QModelIndexList after;
    for (size_t i = 0; i < ids.size(); ++i)
        after.append(index(RowOf(ids[i]), before[static_cast<qsizetype>(i)].column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged();
}

// The orders by details, size and date need what is otherwise worked out as items are shown.
void TShListModel::PrepareSort(const ItemList &items, const SortKey &key) const
{
    if (key.Order == SortOrder::ByDetail)
        for (const auto &item : items)
            EnsureDetails(*item);
    if (key.Order == SortOrder::BySize || key.Order == SortOrder::ByDate)
        ReadPendingStatus(folder_, items, sizeStyle_);
}

void TShListModel::ItemChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void TShListModel::ResetThumbImages(const QPixmap &placeholder)
{
    thumbImages_.assign(1, placeholder);
    pictureTiles_.clear();
    freeImages_.clear();
}

int TShListModel::AddPictureTile(uint64_t id, const QPixmap &tile)
{
    constexpr qint64 kBudgetBytes = 64 << 20;
    constexpr size_t kFewestTiles = 256; // more than any screen shows
    const qint64 tileBytes = std::max<qint64>(1, qint64{tile.width()} * tile.height() * 4);
    if (pictureTiles_.size() >= std::max(kFewestTiles, static_cast<size_t>(kBudgetBytes / tileBytes)))
        DropOldestPictureTile();
    int image = 0;
    if (freeImages_.empty()) {
        image = AddThumbImage(tile);
    } else {
        image = freeImages_.back();
        freeImages_.pop_back();
        thumbImages_[static_cast<size_t>(image)] = tile;
    }
    pictureTiles_.emplace_back(id, image);
    return image;
}

void TShListModel::DropOldestPictureTile()
{
    const auto [id, image] = pictureTiles_.front();
    pictureTiles_.pop_front();
    thumbImages_[static_cast<size_t>(image)] = QPixmap();
    freeImages_.push_back(image);
    const int row = RowOf(id);
    if (row < 0 || Item(row).ThumbIndex != image)
        return; // gone, or its tile was made again since
    TShItemData &item = Item(row);
    item.ThumbIndex = 0;
    item.PendingFlags |= kThumbPending;
    ItemChanged(row);
}

int TShListModel::AddThumbImage(const QPixmap &tile)
{
    thumbImages_.push_back(tile);
    return static_cast<int>(thumbImages_.size()) - 1;
}

QString TShListModel::IconKeyFor(const TShItemData &item) const
{
    if (item.Kind == ItemKind::Folder)
        return QStringLiteral("inode/directory");
    static const QMimeDatabase database;
    return database.mimeTypeForFile(item.Name, QMimeDatabase::MatchExtension).name();
}

QIcon TShListModel::IconFor(const TShItemData &item) const
{
    const QString key = IconKeyFor(item);
    const auto cached = icons_.constFind(key);
    if (cached != icons_.constEnd())
        return *cached;
    static const QMimeDatabase database;
    static const QFileIconProvider provider;
    const QMimeType type = database.mimeTypeForName(key);
    const QIcon fallback = provider.icon(item.Kind == ItemKind::Folder ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
    const QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), fallback));
    icons_.insert(key, icon);
    return icon;
}

int TShListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

int TShListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

void TShListModel::EnsureDetails(TShItemData &item) const
{
    if (item.PendingFlags & kDetailsPending)
        ComputeDetails(folder_, item, sizeStyle_, locale_);
}

QVariant TShListModel::Decoration(TShItemData &item) const
{
    if (thumbView_) {
        if ((item.PendingFlags & kThumbPending) && !item.ThumbQueued && !scrolling_ && RequestThumb)
            RequestThumb(item);
        return ThumbImage(item.ThumbIndex < ThumbImageCount() ? item.ThumbIndex : 0);
    }
    if (!showImages_)
        return {};
    item.PendingFlags &= static_cast<uint8_t>(~kIconPending);
    return IconFor(item);
}

QVariant TShListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    // The view asks for what it is about to show; the item's pending work is done now.
    TShItemData &item = const_cast<TShListModel *>(this)->Item(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == kColumnName)
            return item.Name;
        EnsureDetails(item);
        return item.Details.value(column - 1);
    case Qt::DecorationRole:
        return column == kColumnName ? Decoration(item) : QVariant();
    case Qt::ForegroundRole:
        // Only the compressed colour needs the file looked at: the other views, which show no
        // details, then draw an item without touching the disk or formatting its details.
        if (compressedColour_.isValid()) {
            EnsureDetails(item);
            if (item.Compressed)
                return compressedColour_;
        }
        if (item.Name.startsWith('.')) // hidden entries are drawn dimmed, as cut ones
            return QPalette().color(QPalette::Disabled, QPalette::Text);
        return {};
    case Qt::BackgroundRole:
        return item.DropHighlighted ? QVariant(QColor(0x33, 0x99, 0xFF, 0x60)) : QVariant();
    case Qt::TextAlignmentRole:
        return column == kColumnSize ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

QVariant TShListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return ColumnCaption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TShListModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled : Qt::NoItemFlags;
}

} // namespace vistrel
