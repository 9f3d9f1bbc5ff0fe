#include "shellctl/explorer_list_view.h"

#include "platform/error.h"
#include "platform/qimage_bridge.h"
#include "shellctl/file_properties.h"
#include "shellctl/file_transfer.h"
#include "shellctl/list_model.h"
#include "shellctl/thumb_cache.h"
#include "shellctl/thumb_thread.h"
#include "widgets/busy_cursor.h"
#include "widgets/error_message.h"

#include <QDrag>
#include <QDropEvent>
#include <QGuiApplication>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <utility>

namespace vistrel {

namespace {

const QSize kIconSpacing(76, 68);
// Short enough that reading the sizes of a big folder never holds up the window.
constexpr auto kStatusSliceTime = std::chrono::milliseconds(1);
// A drag near an edge scrolls one line at a time, no more often than this.
constexpr auto kEdgeScrollInterval = std::chrono::milliseconds(30);
// How often an unwatched folder is re-read.
constexpr auto kRereadInterval = std::chrono::seconds(2);

QPixmap TilePixmap(const TBitmap &tile)
{
    return QPixmap::fromImage(toQImage(tile));
}

} // namespace

// In report view each row shows the columns at the header's section positions; the other views
// draw as usual.
class TShExplorerListView::ReportDelegate : public QStyledItemDelegate {
public:
    explicit ReportDelegate(TShExplorerListView &view) : QStyledItemDelegate(&view), view_(view) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QSize grid = view_.gridSize();
        // Every cell of the grid the same, whatever the length of the names in it.
        if (grid.isValid())
            return {grid.width() - 4, std::min(size.height(), grid.height() - 4)};
        if (view_.viewStyle_ != gvsReport)
            return size;
        return {view_.header_->length(), std::max(size.height(), 18)};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (view_.viewStyle_ != gvsReport)
            return QStyledItemDelegate::paint(painter, option, index);
        for (int column = 0; column < kColumnCount; ++column) {
            QStyleOptionViewItem cell = option;
            cell.rect = QRect(option.rect.left() + view_.header_->sectionPosition(column), option.rect.top(),
                              view_.header_->sectionSize(column), option.rect.height());
            if (column > 0)
                cell.state &= ~QStyle::State_HasFocus;
            initStyleOption(&cell, index.siblingAtColumn(column));
            cell.widget->style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);
        }
    }

    // The whole name, where the cell cuts it short.
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QRect room = view->style()->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
        const int flags = view_.wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
        const QRect needed = cell.fontMetrics.boundingRect(QRect(0, 0, room.width(), 1 << 16), flags, cell.text);
        if (needed.width() > room.width() || needed.height() > room.height())
            QToolTip::showText(event->globalPos(), cell.text, view);
        else
            QToolTip::hideText();
        return true;
    }

private:
    TShExplorerListView &view_;
};

int TShListItems::Count() const { return owner_.model_->rowCount(); }

QString TShListItems::Caption(int index) const { return owner_.model_->Item(index).Name; }
std::string TShListItems::FileName(int index) const { return owner_.model_->Item(index).NativeName; }
bool TShListItems::IsFolder(int index) const { return owner_.model_->Item(index).Kind == ItemKind::Folder; }

bool TShListItems::Selected(int index) const
{
    return owner_.selectionModel()->isSelected(owner_.model_->index(index, 0));
}

void TShListItems::setSelected(int index, bool selected)
{
    owner_.selectionModel()->select(owner_.model_->index(index, 0),
                                    selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

void TShListItems::BeginUpdate()
{
    if (updateCount_++ == 0)
        owner_.setUpdatesEnabled(false);
}

void TShListItems::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0)
        owner_.setUpdatesEnabled(true);
}

TShExplorerListView::TShExplorerListView(QWidget *parent)
    : QListView(parent), model_(new TShListModel(this)), header_(new QHeaderView(Qt::Horizontal, this)),
      statusSlices_(new QTimer(this)), rereadTimer_(new QTimer(this)), edgeScroll_(new QTimer(this))
{
    edgeScroll_->setInterval(kEdgeScrollInterval);
    connect(edgeScroll_, &QTimer::timeout, this, &TShExplorerListView::ScrollTowardsEdge);
    rereadTimer_->setInterval(kRereadInterval);
    connect(rereadTimer_, &QTimer::timeout, this, [this] {
        if (QFileInfo(directory_).isDir())
            OnFolderChanged(kChangeDirName | kChangeFileName);
        else
            ForgetFolder();
    });
    statusSlices_->setSingleShot(true);
    connect(statusSlices_, &QTimer::timeout, this, &TShExplorerListView::ContinueStatusSlices);
    setModel(model_);
    setItemDelegate(new ReportDelegate(*this));
    model_->RequestThumb = [this](TShItemData &item) { QueueThumb(item); };
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setResizeMode(QListView::Adjust);
    setLayoutMode(QListView::Batched);
    setBatchSize(1024);

    header_->setModel(model_);
    header_->setSectionsClickable(true);
    header_->setSortIndicatorShown(true);
    header_->setSortIndicator(0, Qt::AscendingOrder);
    header_->resizeSection(kColumnName, 180);
    header_->hide();
    connect(header_, &QHeaderView::sectionClicked, this, [this](int column) {
        if (column == sortColumn_)
            setSortDirection(sortDirection_ == sdAsc ? sdDesc : sdAsc);
        else
            setSortColumn(column);
    });
    connect(header_, &QHeaderView::sectionResized, viewport(), [this] { doItemsLayout(); });
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, header_, &QHeaderView::setOffset);

    // While the scroll box is dragged, tiles and icons wait; the items in view get them on release.
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this, [this] {
        if (fastScroll_)
            model_->setScrolling(true);
    });
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, [this] {
        model_->setScrolling(false);
        viewport()->update();
    });

    thumbThread_ = std::make_unique<TShThumbThread>(ThumbnailCache::DefaultRoot(), [this](ThumbDelivery delivery) {
        if (tiles_.Post(std::move(delivery)))
            QMetaObject::invokeMethod(this, "TakeTiles", Qt::QueuedConnection);
    });
    ResetThumbnails();
    ApplyViewStyle();
}

// The threads go first: after this no tile or change report is posted to the dying list.
TShExplorerListView::~TShExplorerListView()
{
    watch_.reset();
    thumbThread_.reset();
}

void TShExplorerListView::setDirectory(const std::string &path)
{
    const QString folder = QString::fromStdString(path);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw Error(path.empty() ? std::string("Directory does not exist") : "Directory does not exist: " + path);
    ReleaseFolder();
    directory_ = NormalizedFolderPath(folder);
    FillView();
    StartWatch();
}

std::string TShExplorerListView::Directory() const { return directory_.toStdString(); }

void TShExplorerListView::ReleaseFolder()
{
    watch_.reset();
    rereadTimer_->stop();
    ++watchSerial_;
    ClearList();
}

void TShExplorerListView::ClearList()
{
    thumbThread_->Clear();
    dropRow_ = -1;
    model_->Reset(directory_, {});
    ResetThumbnails();
    if (totalSize_ != 0) {
        totalSize_ = 0;
        Q_EMIT OnTotalSizeChange(this);
    }
}

void TShExplorerListView::FillView()
{
    if (directory_.isEmpty())
        return;
    const BusyCursor busy;
    folderReports_.Take(); // what they tell is read now
    items_.BeginUpdate();
    ClearList();
    ItemList items = ReadFolderItems(directory_, folderTypes_, TShFilter(filters_, filterOptions_), sizeStyle_, nextItemId_);
    model_->Reset(directory_, std::move(items), CurrentSortKey());
    ShowSortIndicator();
    ReadStatusSlice();
    items_.EndUpdate();
}

void TShExplorerListView::RefreshView()
{
    if (directory_.isEmpty())
        return;
    ItemList fresh = ReadFolderItems(directory_, folderTypes_, TShFilter(filters_, filterOptions_), sizeStyle_, nextItemId_);
    QHash<QString, ItemKind> freshKinds;
    for (const auto &item : fresh)
        freshKinds.insert(item->Name, item->Kind);
    model_->RemoveIf([&](const TShItemData &item) {
        const auto found = freshKinds.constFind(item.Name);
        return found == freshKinds.constEnd() || *found != item.Kind;
    });
    QSet<QString> listed;
    for (const auto &item : model_->Items())
        listed.insert(item->Name);
    ItemList added;
    for (auto &item : fresh)
        if (!listed.contains(item->Name))
            added.push_back(std::move(item));
    // A user watching the end of the list (where new shots arrive) keeps seeing it.
    const int last = model_->rowCount() - 1;
    const bool atEnd = last < 0 || viewport()->rect().intersects(visualRect(model_->index(last, 0)));
    const bool anyAdded = !added.empty();
    model_->Append(std::move(added));
    if (anyAdded && atEnd)
        scrollTo(model_->index(model_->rowCount() - 1, 0));
    ReadStatusSlice();
}

void TShExplorerListView::UpdateTotalSize()
{
    int64_t total = 0;
    for (const auto &item : model_->Items())
        total += item->Size;
    if (total == totalSize_)
        return;
    totalSize_ = total;
    Q_EMIT OnTotalSizeChange(this);
}

// After the items changed: the slices start again from the first.
void TShExplorerListView::ReadStatusSlice()
{
    statusNext_ = 0;
    ContinueStatusSlices();
}

void TShExplorerListView::ContinueStatusSlices()
{
    if (!ReadPendingStatus(directory_, model_->Items(), sizeStyle_, kStatusSliceTime, &statusNext_)) {
        statusSlices_->start();
        return;
    }
    UpdateTotalSize();
    viewport()->update(); // details and tiles of changed files are worked out as they are drawn
}

void TShExplorerListView::StartWatch()
{
    watch_.reset();
    rereadTimer_->stop();
    if (refreshType_ == rtNone || directory_.isEmpty())
        return;
    const uint64_t serial = ++watchSerial_;
    const auto report = [this](FolderReport folderReport) {
        if (folderReports_.Post(folderReport))
            QMetaObject::invokeMethod(this, "TakeFolderReports", Qt::QueuedConnection);
    };
    auto changed = [report, serial](TShChanges changes) { report({serial, changes, false}); };
    auto gone = [report, serial] { report({serial, 0, true}); };
    watch_ = std::make_unique<TShFileThread>(watchQueue_, directory_, changed, gone);
    if (watch_->Watching())
        return;
    rereadTimer_->start();
    if (!std::exchange(watchFailureReported_, true))
        Q_EMIT watchUnavailable(directory_);
}

// The reports waiting are merged: one re-read covers every change they tell of.
void TShExplorerListView::TakeFolderReports()
{
    int changes = 0;
    for (const FolderReport &report : folderReports_.Take()) {
        if (report.Serial != watchSerial_)
            continue; // a watch that has been replaced
        if (report.Gone) {
            ForgetFolder();
            return;
        }
        changes |= report.Changes;
    }
    if (changes != 0)
        OnFolderChanged(changes);
}

void TShExplorerListView::ForgetFolder()
{
    ReleaseFolder();
    directory_.clear();
    model_->Reset(directory_, {});
}

void TShExplorerListView::OnFolderChanged(int changes)
{
    if (changes & (kChangeDirName | kChangeFileName))
        RefreshView();
    // A name can stay while the file behind it is replaced (renamed over), so every change
    // re-reads the status.
    RereadStatus();
}

// Sizes and times may have changed: the details are worked out again as items are shown, and the
// tiles of files that changed are made again.
void TShExplorerListView::RereadStatus()
{
    for (auto &item : model_->Items())
        item->PendingFlags |= kDetailsPending | kStatusPending;
    ReadStatusSlice();
}

int TShExplorerListView::FirstSelectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return -1;
    return std::min_element(selected.begin(), selected.end(),
                            [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); })
        ->row();
}

std::string TShExplorerListView::GetSelectedPath() const
{
    const int row = FirstSelectedRow();
    return row < 0 ? std::string() : NativeChildPath(directory_, model_->Item(row));
}

void TShExplorerListView::SelectAll() { selectAll(); }

void TShExplorerListView::DeselectAll() { clearSelection(); }

void TShExplorerListView::ShowProperties()
{
    const std::string path = GetSelectedPath();
    if (path.empty())
        return;
    auto *dialog = new TFilePropertiesDialog(path, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

std::vector<std::string> TShExplorerListView::SelectedPaths(bool *anyFolder) const
{
    std::vector<std::string> paths;
    *anyFolder = false;
    for (const QModelIndex &index : selectionModel()->selectedIndexes()) {
        if (index.column() != kColumnName)
            continue;
        const TShItemData &item = model_->Item(index.row());
        *anyFolder = *anyFolder || (item.Kind == ItemKind::Folder && !item.IsLink);
        paths.push_back(NativeChildPath(directory_, item));
    }
    return paths;
}

bool TShExplorerListView::DeleteSelected()
{
    if (state() == QAbstractItemView::EditingState || !(options_ & tvoAllowCut) || directory_.isEmpty())
        return false;
    bool anyFolder = false;
    const std::vector<std::string> paths = SelectedPaths(&anyFolder);
    // Removing entries needs a folder that may be written.
    if (paths.empty() || ::access(QFile::encodeName(directory_).constData(), W_OK) != 0)
        return false;
    bool execute = true;
    Q_EMIT OnContextCommand(this, QStringLiteral("delete"), 0, &execute);
    if (!execute)
        return false;
    const bool deleted = DeleteFiles(paths) && !anyFolder;
    Q_EMIT OnContextCommand(this, QStringLiteral("delete"), 1, &execute);
    DeselectAll();
    RefreshView();
    return deleted;
}

void TShExplorerListView::ApplyViewStyle()
{
    const bool iconLayout = viewStyle_ == gvsIcon || viewStyle_ == gvsThumb;
    model_->setThumbView(viewStyle_ == gvsThumb);
    setViewMode(iconLayout ? QListView::IconMode : QListView::ListMode);
    setFlow(viewStyle_ == gvsList || viewStyle_ == gvsReport ? QListView::TopToBottom : QListView::LeftToRight);
    setWrapping(viewStyle_ != gvsReport);
    setWordWrap(iconLayout);
    switch (viewStyle_) {
    case gvsThumb:
        setIconSize(QSize(thumbWidth_, thumbHeight_));
        setGridSize(QSize(thumbWidth_ + thumbSpaceWidth_, thumbHeight_ + thumbSpaceHeight_));
        break;
    case gvsIcon:
        setIconSize(QSize(32, 32));
        setGridSize(savedSpacing_.isValid() ? savedSpacing_ : kIconSpacing);
        break;
    default:
        setIconSize(QSize(16, 16));
        setGridSize(QSize());
        break;
    }
    setMovement(QListView::Static);
    // Changing the view mode resets the list's drag and drop settings to the mode's defaults.
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    header_->setVisible(viewStyle_ == gvsReport);
    setViewportMargins(0, viewStyle_ == gvsReport ? header_->sizeHint().height() : 0, 0, 0);
    updateGeometries();
}

void TShExplorerListView::setViewStyleEx(TShViewStyle style)
{
    if (style == viewStyle_)
        return;
    items_.BeginUpdate();
    if (style == gvsThumb)
        savedSpacing_ = gridSize().isValid() ? gridSize() : kIconSpacing;
    viewStyle_ = style;
    ApplyViewStyle();
    items_.EndUpdate();
}

void TShExplorerListView::updateGeometries()
{
    QListView::updateGeometries();
    if (header_->isVisible()) {
        const QRect area = viewport()->geometry();
        header_->setGeometry(area.left(), area.top() - header_->sizeHint().height(), area.width(),
                             header_->sizeHint().height());
    }
}

void TShExplorerListView::resizeEvent(QResizeEvent *event)
{
    QListView::resizeEvent(event);
    updateGeometries();
}

void TShExplorerListView::setFilters(const QStringList &filters)
{
    if (filters == filters_)
        return;
    filters_ = filters;
    FillView();
}

void TShExplorerListView::setFilterOptions(TShFilterOptions options)
{
    if (options == filterOptions_)
        return;
    filterOptions_ = options;
    if (!filters_.isEmpty())
        FillView();
}

void TShExplorerListView::setFolderTypes(TShFolderTypes types)
{
    if (types == folderTypes_)
        return;
    folderTypes_ = types;
    RefreshView();
}

void TShExplorerListView::setSizeStyle(TShSizeStyle style)
{
    if (style == sizeStyle_)
        return;
    sizeStyle_ = style;
    model_->setSizeStyle(style);
    RereadStatus();
    viewport()->update();
}

SortKey TShExplorerListView::CurrentSortKey() const
{
    return SortKey{OrderForColumn(sortColumn_, sortByExtension_), sortColumn_, sortDirection_};
}

void TShExplorerListView::Resort()
{
    statusNext_ = 0;
    model_->Sort(CurrentSortKey());
    ShowSortIndicator();
}

void TShExplorerListView::ShowSortIndicator()
{
    header_->setSortIndicator(sortColumn_, sortDirection_ == sdAsc ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TShExplorerListView::setSortColumn(int column)
{
    if (column == sortColumn_ || column < 0 || column >= kColumnCount)
        return;
    sortColumn_ = column;
    Resort();
}

void TShExplorerListView::setSortDirection(TShSortDirection direction)
{
    if (direction == sortDirection_)
        return;
    sortDirection_ = direction;
    Resort();
}

void TShExplorerListView::setSortByExtension(bool byExtension)
{
    if (byExtension == sortByExtension_)
        return;
    sortByExtension_ = byExtension;
    Resort();
}

void TShExplorerListView::setCompressedColor(const QColor &colour)
{
    model_->setCompressedColor(colour);
    viewport()->update();
}

void TShExplorerListView::setShowImages(bool show)
{
    model_->setShowImages(show);
    viewport()->update();
}

void TShExplorerListView::setAutoRefreshType(TShRefreshType type)
{
    if (type == refreshType_)
        return;
    refreshType_ = type;
    if (type == rtNone) {
        watch_.reset();
        rereadTimer_->stop();
        ++watchSerial_;
    } else if (!watch_) {
        StartWatch();
    }
}

void TShExplorerListView::setThumbWidth(int width)
{
    if (width == thumbWidth_ || width < 4)
        return;
    thumbWidth_ = width;
    ResetThumbnails();
    if (viewStyle_ == gvsThumb) {
        ApplyViewStyle();
        FillView();
    }
}

void TShExplorerListView::setThumbHeight(int height)
{
    if (height == thumbHeight_ || height < 4)
        return;
    thumbHeight_ = height;
    ResetThumbnails();
    if (viewStyle_ == gvsThumb) {
        ApplyViewStyle();
        FillView();
    }
}

void TShExplorerListView::setThumbSpaceWidth(int width)
{
    thumbSpaceWidth_ = width;
    if (viewStyle_ == gvsThumb)
        ApplyViewStyle();
}

void TShExplorerListView::setThumbSpaceHeight(int height)
{
    thumbSpaceHeight_ = height;
    if (viewStyle_ == gvsThumb)
        ApplyViewStyle();
}

TilePalette TShExplorerListView::TileColours() const
{
    const auto entry = [](const QColor &c) {
        return PaletteEntry{static_cast<uint8_t>(c.blue()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.red())};
    };
    return {entry(palette().color(QPalette::Button)), entry(palette().color(QPalette::Light)),
            entry(palette().color(QPalette::Dark))};
}

void TShExplorerListView::ResetThumbnails()
{
    const TilePalette colours = TileColours();
    model_->ResetThumbImages(TilePixmap(RenderTile(TBitmap(), 0, 0, thumbWidth_, thumbHeight_, colours)));
    iconTiles_.clear();
    thumbThread_->SetTile(thumbWidth_, thumbHeight_, colours);
}

int TShExplorerListView::PendingThumbnails() const
{
    int pending = 0;
    for (const auto &item : model_->Items())
        pending += item->ThumbQueued ? 1 : 0;
    return pending;
}

// Items asked for while the list paints are what the user sees: they go before the rest.
void TShExplorerListView::QueueThumb(TShItemData &item)
{
    item.ThumbQueued = true;
    ThumbRequest request{item.Id, NativeChildPath(directory_, item)};
    if (painting_) {
        paintRequests_.push_back(std::move(request));
        return;
    }
    thumbThread_->Enqueue(std::move(request));
    thumbThread_->StartIfNeeded();
}

void TShExplorerListView::paintEvent(QPaintEvent *event)
{
    painting_ = true;
    QListView::paintEvent(event);
    painting_ = false;
    if (!paintRequests_.empty())
        QueueOnScreenFirst();
    if (viewStyle_ == gvsThumb)
        thumbThread_->StartIfNeeded();
}

// Items scrolled past long ago fall off the end of the queue; they are asked for again if they
// come back into view.
void TShExplorerListView::QueueOnScreenFirst()
{
    constexpr size_t kQueueLimit = 1024;
    for (const uint64_t id : thumbThread_->EnqueueFront(std::exchange(paintRequests_, {}), kQueueLimit)) {
        const int row = model_->RowOf(id);
        if (row >= 0)
            model_->Item(row).ThumbQueued = false;
    }
}

void TShExplorerListView::TakeTiles()
{
    for (const ThumbDelivery &delivery : tiles_.Take())
        DeliverThumb(delivery);
}

void TShExplorerListView::DeliverThumb(const ThumbDelivery &delivery)
{
    if (delivery.Generation != thumbThread_->Generation())
        return;
    const int row = model_->RowOf(delivery.Id);
    if (row < 0)
        return;
    TShItemData &item = model_->Item(row);
    item.ThumbIndex = delivery.Tile.empty() ? IconTile(item) : model_->AddPictureTile(item.Id, TilePixmap(delivery.Tile));
    item.ThumbQueued = false;
    item.PendingFlags &= static_cast<uint8_t>(~kThumbPending);
    model_->ItemChanged(row);
}

// Items without a picture show their type's icon centred on a tile, one tile per type.
int TShExplorerListView::IconTile(const TShItemData &item)
{
    const std::string key = model_->IconKeyFor(item).toStdString();
    const auto known = iconTiles_.find(key);
    if (known != iconTiles_.end())
        return known->second;
    const TilePalette colours = TileColours();
    QImage icon(32, 32, QImage::Format_RGB888);
    icon.fill(QColor(colours.Face.r, colours.Face.g, colours.Face.b));
    {
        QPainter painter(&icon);
        model_->IconFor(item).paint(&painter, icon.rect());
    }
    const int index = model_->AddThumbImage(TilePixmap(RenderTile(fromQImage(icon), 32, 32, thumbWidth_, thumbHeight_, colours)));
    iconTiles_[key] = index;
    return index;
}

void TShExplorerListView::Repaint() { viewport()->repaint(); }

// Tiles leave as files: a copy unless Shift asks for a move, which the target then carries out.
void TShExplorerListView::startDrag(Qt::DropActions)
{
    bool anyFolder = false;
    QList<QUrl> urls;
    for (const std::string &path : SelectedPaths(&anyFolder))
        urls << FileUrl(path);
    if (urls.isEmpty())
        return;
    auto *mime = new QMimeData;
    mime->setUrls(urls);
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    const QModelIndex first = model_->index(FirstSelectedRow(), 0);
    drag->setPixmap(model_->data(first, Qt::DecorationRole).value<QPixmap>());
    const bool shift = QGuiApplication::keyboardModifiers() & Qt::ShiftModifier;
    drag->exec(Qt::CopyAction | Qt::MoveAction, shift ? Qt::MoveAction : Qt::CopyAction);
}

void TShExplorerListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    Q_EMIT OnDblClick(this);
    QListView::mouseDoubleClickEvent(event);
    if (event->modifiers() & Qt::AltModifier)
        RunCommand(this, [this] { ShowProperties(); });
    else
        RunCommand(this, [this] { ActivateRow(FirstSelectedRow()); });
}

void TShExplorerListView::ActivateRow(int row)
{
    if (row < 0)
        return;
    const TShItemData &item = model_->Item(row);
    if (item.Kind != ItemKind::Folder) {
        Q_EMIT pictureActivated(NativeChildPath(directory_, item));
        return;
    }
    const QString path = ChildPath(directory_, item.Name);
    // Through a link the list shows the folder it points to.
    EnterFolder(item.IsLink ? QFileInfo(path).canonicalFilePath() : path);
}

void TShExplorerListView::EnterFolder(const QString &folder)
{
    setDirectory(folder.toStdString());
    Q_EMIT folderEntered(Directory());
}

// A folder among the selection is entered; otherwise every selected file is opened.
void TShExplorerListView::ActivateSelection()
{
    std::vector<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedIndexes())
        if (index.column() == kColumnName)
            rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    const auto folder = std::find_if(rows.begin(), rows.end(),
                                     [this](int row) { return model_->Item(row).Kind == ItemKind::Folder; });
    if (folder != rows.end()) {
        ActivateRow(*folder);
        return;
    }
    for (int row : rows)
        ActivateRow(row);
}

void TShExplorerListView::keyPressEvent(QKeyEvent *event)
{
    const bool alt = event->modifiers() & Qt::AltModifier;
    const bool toParent = event->key() == Qt::Key_Backspace || (alt && event->key() == Qt::Key_Up);
    if (toParent && !directory_.isEmpty() && directory_ != QLatin1String("/")) {
        RunCommand(this, [this] { EnterFolder(QFileInfo(directory_).path()); });
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        RunCommand(this, [this] { ActivateSelection(); });
        return;
    }
    if (event->key() == Qt::Key_Delete && selectionModel()->hasSelection()) {
        Q_EMIT deleteRequested(event->modifiers() & Qt::ShiftModifier);
        return;
    }
    QListView::keyPressEvent(event);
}

std::string TShExplorerListView::DropFolderAt(const QPoint &point) const
{
    const QModelIndex index = indexAt(point);
    if (index.isValid() && model_->Item(index.row()).Kind == ItemKind::Folder)
        return NativeChildPath(directory_, model_->Item(index.row()));
    return QFile::encodeName(directory_).toStdString();
}

void TShExplorerListView::HighlightDropTarget(int row)
{
    if (row == dropRow_)
        return;
    if (dropRow_ >= 0 && dropRow_ < model_->rowCount()) {
        model_->Item(dropRow_).DropHighlighted = false;
        model_->ItemChanged(dropRow_);
    }
    dropRow_ = row;
    if (row >= 0) {
        model_->Item(row).DropHighlighted = true;
        model_->ItemChanged(row);
    }
}

void TShExplorerListView::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    const bool files = !directory_.isEmpty() && !urls.isEmpty()
                       && std::all_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
    if (files)
        event->acceptProposedAction();
    else
        event->ignore();
}

// The edge bands are those of the file managers: 25 pixels at the sides, 19 at top and bottom.
void TShExplorerListView::ScrollTowardsEdge()
{
    const QPoint at = dragPoint_;
    const QSize area = viewport()->size();
    const auto step = [](QScrollBar *bar, int direction) {
        const int before = bar->value();
        bar->setValue(before + direction * bar->singleStep());
        return bar->value() != before;
    };
    bool scrolled = false;
    if (at.x() <= 25 || at.x() > area.width() - 26)
        scrolled |= step(horizontalScrollBar(), at.x() <= 25 ? -1 : 1);
    if (at.y() <= 19 || at.y() > area.height() - 20)
        scrolled |= step(verticalScrollBar(), at.y() <= 19 ? -1 : 1);
    if (!scrolled)
        edgeScroll_->stop();
}

void TShExplorerListView::dragMoveEvent(QDragMoveEvent *event)
{
    dragPoint_ = event->position().toPoint();
    if (!edgeScroll_->isActive())
        edgeScroll_->start();
    const QModelIndex index = indexAt(event->position().toPoint());
    HighlightDropTarget(index.isValid() && model_->Item(index.row()).Kind == ItemKind::Folder ? index.row() : -1);
    event->acceptProposedAction();
}

void TShExplorerListView::dragLeaveEvent(QDragLeaveEvent *event)
{
    edgeScroll_->stop();
    HighlightDropTarget(-1);
    event->accept();
}

// The list copies or moves the files itself and tells the source it copied, so that no source
// removes a file of its own accord.
void TShExplorerListView::dropEvent(QDropEvent *event)
{
    edgeScroll_->stop();
    HighlightDropTarget(-1);
    const std::string target = DropFolderAt(event->position().toPoint());
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    for (const QUrl &url : event->mimeData()->urls()) {
        const std::string source = LocalFilePath(url);
        if (!source.empty())
            TransferInto(source, target, ActionForDrop(source, target, control, shift));
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    RefreshView();
}

} // namespace vistrel
