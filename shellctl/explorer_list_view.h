#pragma once

#include "shellctl/folder_items.h"
#include "shellctl/folder_watch.h"
#include "shellctl/post_box.h"
#include "shellctl/thumb_thread.h"
#include "shellctl/thumb_tile.h"

#include <QColor>
#include <QListView>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>
#include <unordered_map>

class QHeaderView;
class QTimer;

namespace vistrel {

class TShListModel;
class TShExplorerListView;

enum TShViewStyle { gvsIcon, gvsSmallIcon, gvsList, gvsReport, gvsThumb };
enum TShRefreshType { rtNone, rtNormal, rtAggressive };
enum TShETVOption {
    tvoContextMenu = 1,
    tvoAllowRename = 2,
    tvoAllowDelete = 4,
    tvoAllowCopy = 8,
    tvoAllowCut = 16,
    tvoAllowPaste = 32,
    tvoAllowExecute = 64,
    tvoDragDrop = 128
};
using TShETVOptions = int;

// The list's items as the shell reads them (count, caption, selected state) and the update
// bracket inside which changes are not shown.
class TShListItems {
public:
    int Count() const;
    QString Caption(int index) const;
    // The name's bytes as the folder holds them, for file operations: the caption shows bytes
    // that are not UTF-8 as U+FFFD.
    std::string FileName(int index) const;
    bool IsFolder(int index) const;
    bool Selected(int index) const;
    void setSelected(int index, bool selected);

    // Brackets nest; the list is redrawn when the outermost one ends.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

private:
    friend class TShExplorerListView;
    explicit TShListItems(TShExplorerListView &owner) : owner_(owner) {}

    TShExplorerListView &owner_;
    int updateCount_ = 0;
};

// The thumbnail file list: the folders and filtered files of one folder in one of five views,
// kept current by a folder watch, with tiles rendered on a thread of their own.
class TShExplorerListView : public QListView {
    Q_OBJECT
public:
    explicit TShExplorerListView(QWidget *parent = nullptr);
    ~TShExplorerListView() override;

    // Raises "Directory does not exist: <path>" and keeps the shown folder when path names no folder.
    void setDirectory(const std::string &path);
    // The shown folder without a trailing "/" (the root stays "/"); "" when none is shown.
    std::string Directory() const;

    // The full path of the first selected item; "" when nothing is selected.
    std::string GetSelectedPath() const;
    void SelectAll();
    void DeselectAll();
    // Opens the properties dialog of the first selected item (Alt+double-click does too).
    void ShowProperties();
    // Deletes the selected files (never folders, never what a link points to) when tvoAllowCut
    // is among the options; false without it, while a caption is edited, when the folder does not
    // let its entries be removed, or when not every selected item could be deleted.
    bool DeleteSelected();

    void setViewStyleEx(TShViewStyle style);
    TShViewStyle ViewStyleEx() const { return viewStyle_; }

    // Lines such as "*.jpg"; see TShFilter. Changing them re-reads the shown folder.
    void setFilters(const QStringList &filters);
    QStringList Filters() const { return filters_; }
    void setFilterOptions(TShFilterOptions options);
    void setFolderTypes(TShFolderTypes types);
    TShFolderTypes FolderTypes() const { return folderTypes_; }
    void setSizeStyle(TShSizeStyle style);
    void setSortColumn(int column);
    int SortColumn() const { return sortColumn_; }
    void setSortDirection(TShSortDirection direction);
    TShSortDirection SortDirection() const { return sortDirection_; }
    void setSortByExtension(bool byExtension);
    void setCompressedColor(const QColor &colour);
    void setAutoRefreshType(TShRefreshType type);
    TShRefreshType AutoRefreshType() const { return refreshType_; }
    void setOptions(TShETVOptions options) { options_ = options; }
    TShETVOptions Options() const { return options_; }
    void setFastScroll(bool fast) { fastScroll_ = fast; }
    void setShowImages(bool show);

    void setThumbWidth(int width);
    void setThumbHeight(int height);
    void setThumbSpaceWidth(int width);
    void setThumbSpaceHeight(int height);
    int ThumbWidth() const { return thumbWidth_; }
    int ThumbHeight() const { return thumbHeight_; }
    int ThumbSpaceWidth() const { return thumbSpaceWidth_; }
    int ThumbSpaceHeight() const { return thumbSpaceHeight_; }

    // The sum of the listed items' sizes (KB, or bytes under ssFull). Sizes are read after the
    // items are listed, a slice at a time on the event loop; the total follows the last of them.
    int64_t TotalSize() const { return totalSize_; }
    // Tiles still to render; the thumbnail thread runs while this is above 0.
    int PendingThumbnails() const;

    // Re-reads the folder without clearing: vanished items go, new ones are appended unsorted.
    void RefreshView();

    TShListItems &Items() { return items_; }
    const TShListItems &Items() const { return items_; }
    void Repaint();

Q_SIGNALS:
    void OnDblClick(QObject *sender);
    // A file was double-clicked or Enter pressed on it (a folder is entered instead).
    void pictureActivated(const std::string &path);
    // The user moved the list to another folder (into a subfolder or up to the parent).
    void folderEntered(const std::string &folder);
    // Delete was pressed on the selection; Shift+Delete asks for deletion for good.
    void deleteRequested(bool forGood);
    // The folder could not be watched (the system's watch limit was reached): it is re-read every
    // 2 s instead. Reported once per list.
    void watchUnavailable(const QString &folder);
    void OnTotalSizeChange(QObject *sender);
    // Raised around a command on the selected items: status 0 before (clearing execute cancels
    // it), 1 after.
    void OnContextCommand(QObject *sender, const QString &command, int status, bool *execute);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void updateGeometries() override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    friend class TShListItems;
    class ReportDelegate;

    // What the folder watch reported, for the watch of serial Serial.
    struct FolderReport {
        uint64_t Serial = 0;
        int Changes = 0;
        bool Gone = false;
    };

    // Called (queued) on the GUI thread when the threads have posted something.
    Q_INVOKABLE void TakeTiles();
    Q_INVOKABLE void TakeFolderReports();

    void FillView();
    void ClearList();
    void ReleaseFolder();
    void StartWatch();
    void ApplyViewStyle();
    void ResetThumbnails();
    void RestartThumbThread();
    SortKey CurrentSortKey() const;
    void Resort();
    void ShowSortIndicator();
    void UpdateTotalSize();
    void ReadStatusSlice();
    void ContinueStatusSlices();
    TilePalette TileColours() const;
    void QueueThumb(TShItemData &item);
    void QueueOnScreenFirst();
    void DeliverThumb(const ThumbDelivery &delivery);
    int IconTile(const TShItemData &item);
    void OnFolderChanged(int changes);
    void ForgetFolder();
    void RereadStatus();
    std::string DropFolderAt(const QPoint &point) const;
    void HighlightDropTarget(int row);
    void ScrollTowardsEdge();
    std::vector<std::string> SelectedPaths(bool *anyFolder) const;
    int FirstSelectedRow() const;
    void ActivateRow(int row);
    void EnterFolder(const QString &folder);
    void ActivateSelection();

    TShListModel *model_;
    QHeaderView *header_;
    TShListItems items_{*this};
    QString directory_;
    QStringList filters_;
    TShFilterOptions filterOptions_ = 0;
    TShFolderTypes folderTypes_ = ftFolders | ftNonFolders | ftIncludeSystem;
    TShSizeStyle sizeStyle_ = ssAbbreviated;
    int sortColumn_ = 0;
    TShSortDirection sortDirection_ = sdAsc;
    bool sortByExtension_ = false;
    TShRefreshType refreshType_ = rtAggressive;
    TShETVOptions options_ = 0;
    bool fastScroll_ = true;
    TShViewStyle viewStyle_ = gvsIcon;
    QSize savedSpacing_;
    int thumbWidth_ = 60;
    int thumbHeight_ = 80;
    int thumbSpaceWidth_ = 40;
    int thumbSpaceHeight_ = 40;
    int64_t totalSize_ = 0;
    size_t statusNext_ = 0; // the items before it have had their status read
    uint64_t nextItemId_ = 1;
    int dropRow_ = -1;
    std::unordered_map<std::string, int> iconTiles_;
    QTimer *statusSlices_;
    QTimer *rereadTimer_;
    QTimer *edgeScroll_; // while a drag hovers near an edge
    QPoint dragPoint_;
    bool watchFailureReported_ = false;
    std::unique_ptr<TShThumbThread> thumbThread_;
    bool painting_ = false;
    std::vector<ThumbRequest> paintRequests_; // asked for by the paint under way
    TShWatchQueue watchQueue_;
    std::unique_ptr<TShFileThread> watch_;
    uint64_t watchSerial_ = 0;
    PostBox<ThumbDelivery> tiles_;
    PostBox<FolderReport> folderReports_;
};

} // namespace vistrel
