#include "shellctl/explorer_list_view.h"

#include "platform/error.h"
#include "shellctl/folder_items.h"

#include <QAbstractListModel>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMouseEvent>

#include <algorithm>

namespace vistrel {

// The item data behind the list; the view asks it for captions and icons on demand.
class TShListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    void setItems(std::vector<ShellItem> items)
    {
        beginResetModel();
        items_ = std::move(items);
        endResetModel();
    }

    const ShellItem &item(int row) const { return items_.at(static_cast<size_t>(row)); }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(items_.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        const ShellItem &entry = item(index.row());
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return entry.name;
        case Qt::DecorationRole:
            return entry.isFolder ? folderIcon_ : fileIcon_;
        default:
            return {};
        }
    }

private:
    std::vector<ShellItem> items_;
    QFileIconProvider icons_;
    QIcon folderIcon_ = icons_.icon(QAbstractFileIconProvider::Folder);
    QIcon fileIcon_ = icons_.icon(QAbstractFileIconProvider::File);
};

int TShListItems::Count() const { return owner_.model_->rowCount(); }

QString TShListItems::Caption(int index) const { return owner_.model_->item(index).name; }

bool TShListItems::Selected(int index) const
{
    return owner_.selectionModel()->isSelected(owner_.model_->index(index));
}

void TShListItems::setSelected(int index, bool selected)
{
    owner_.selectionModel()->select(owner_.model_->index(index),
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

TShExplorerListView::TShExplorerListView(QWidget *parent) : QListView(parent), model_(new TShListModel(this))
{
    setModel(model_);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setViewStyleEx(gvsIcon);
}

TShExplorerListView::~TShExplorerListView() = default;

void TShExplorerListView::setDirectory(const std::string &path)
{
    const QString folder = QString::fromStdString(path);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        throw Error("Directory does not exist");
    directory_ = NormalizedFolderPath(folder);
    FillView();
}

std::string TShExplorerListView::Directory() const { return directory_.toStdString(); }

void TShExplorerListView::FillView()
{
    if (directory_.isEmpty())
        return;
    items_.BeginUpdate();
    model_->setItems(ReadFolderItems(directory_, filters_));
    items_.EndUpdate();
}

std::string TShExplorerListView::GetSelectedPath() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return {};
    const auto first = std::min_element(selected.begin(), selected.end(),
                                        [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    return ChildPath(directory_, model_->item(first->row()).name).toStdString();
}

void TShExplorerListView::SelectAll() { selectAll(); }

void TShExplorerListView::DeselectAll() { clearSelection(); }

void TShExplorerListView::setViewStyleEx(TShViewStyle style)
{
    viewStyle_ = style;
    const bool iconLayout = style == gvsIcon || style == gvsThumb;
    setViewMode(iconLayout ? QListView::IconMode : QListView::ListMode);
    setFlow(style == gvsList || style == gvsReport ? QListView::TopToBottom : QListView::LeftToRight);
    setWrapping(style != gvsReport);
    setWordWrap(iconLayout);
    switch (style) {
    case gvsThumb:
        setIconSize(QSize(ThumbWidth(), ThumbHeight()));
        setGridSize(QSize(ThumbWidth() + ThumbSpaceWidth(), ThumbHeight() + ThumbSpaceHeight()));
        break;
    case gvsIcon:
        setIconSize(QSize(32, 32));
        setGridSize(QSize(76, 68));
        break;
    default:
        setIconSize(QSize(16, 16));
        setGridSize(QSize());
        break;
    }
    setMovement(QListView::Static);
}

void TShExplorerListView::setFilters(const QStringList &filters)
{
    if (filters == filters_)
        return;
    filters_ = filters;
    FillView();
}

void TShExplorerListView::Repaint() { viewport()->repaint(); }

void TShExplorerListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    Q_EMIT OnDblClick(this);
    QListView::mouseDoubleClickEvent(event);
}

} // namespace vistrel
