#pragma once

#include "shellctl/folder_items.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QTimer>

#include <deque>
#include <functional>
#include <unordered_map>

namespace vistrel {

// The list's items behind the view, handed out on request: names at once, details, icons and
// thumbnail requests only for the items the view actually shows. Columns are those of the
// report view; other views show column 0.
class TShListModel : public QAbstractTableModel {
public:
    explicit TShListModel(QObject *parent = nullptr);

    // Asked for each item of the thumbnail view that still waits for its tile.
    std::function<void(TShItemData &)> RequestThumb;

    void Reset(const QString &folder, ItemList items);
    // The same with the items in the order of key: sorted before the view sees them, so that it
    // lays them out once.
    void Reset(const QString &folder, ItemList items, const SortKey &key);
    const QString &Folder() const { return folder_; }
    ItemList &Items() { return items_; }
    const TShItemData &Item(int row) const { return *items_.at(static_cast<size_t>(row)); }
    TShItemData &Item(int row) { return *items_.at(static_cast<size_t>(row)); }
    // The row of an item id; -1 when it is no longer listed.
    int RowOf(uint64_t id) const;

    // Removes the rows for which remove is true, in runs, from last to first.
    void RemoveIf(const std::function<bool(const TShItemData &)> &remove);
    void Append(ItemList items);
    void Sort(const SortKey &key);
    void ItemChanged(int row);

    void setThumbView(bool thumbs) { thumbView_ = thumbs; }
    void setScrolling(bool scrolling) { scrolling_ = scrolling; }
    void setSizeStyle(TShSizeStyle style) { sizeStyle_ = style; }
    void setCompressedColor(const QColor &colour) { compressedColour_ = colour; }
    void setShowImages(bool show) { showImages_ = show; }

    // Image 0 is the placeholder tile; the icon tiles stay as long as the images do.
    void ResetThumbImages(const QPixmap &placeholder);
    int AddThumbImage(const QPixmap &tile);
    // The picture tile of item id. Past a memory budget the oldest picture tile gives way: its
    // item shows the placeholder and asks for its tile again when it is next shown.
    int AddPictureTile(uint64_t id, const QPixmap &tile);
    const QPixmap &ThumbImage(int index) const { return thumbImages_.at(static_cast<size_t>(index)); }
    int ThumbImageCount() const { return static_cast<int>(thumbImages_.size()); }

    // The icon for an item's type; the same object for every item of one type.
    QIcon IconFor(const TShItemData &item) const;
    QString IconKeyFor(const TShItemData &item) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    void Release(ItemList items);
    void FreeRetiredSlice();
    void PrepareSort(const ItemList &items, const SortKey &key) const;
    void EnsureDetails(TShItemData &item) const;
    void DropOldestPictureTile();
    QVariant Decoration(TShItemData &item) const;

    QString folder_;
    ItemList items_;
    mutable std::unordered_map<uint64_t, int> rows_;
    mutable bool rowsStale_ = true;
    std::vector<QPixmap> thumbImages_;
    std::deque<std::pair<uint64_t, int>> pictureTiles_; // item id and image, oldest first
    std::vector<int> freeImages_;
    mutable QHash<QString, QIcon> icons_;
    TShSizeStyle sizeStyle_ = ssAbbreviated;
    QColor compressedColour_;
    bool thumbView_ = false;
    bool scrolling_ = false;
    bool showImages_ = true;
    QLocale locale_;
    ItemList retired_; // a big folder left behind, freed a slice at a time
    QTimer freeTimer_;
};

} // namespace vistrel
