#include "shellctl/dir_tree.h"

#include "platform/error.h"
#include "shellctl/folder_items.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMimeData>

namespace vistrel {

namespace {

std::vector<std::string> DroppedFiles(const QMimeData *mime)
{
    std::vector<std::string> files;
    if (!mime)
        return files;
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            files.push_back(url.toLocalFile().toStdString());
    return files;
}

} // namespace

TDirTree::TDirTree(QWidget *parent) : QTreeView(parent), model_(new QFileSystemModel(this))
{
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setReadOnly(true);
    model_->setRootPath(QStringLiteral("/"));
    setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setSortingEnabled(true);
    sortByColumn(0, Qt::AscendingOrder);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    connect(this, &QTreeView::clicked, this, [this](const QModelIndex &index) {
        if (selectionModel()->isSelected(index))
            Q_EMIT OnClick(this);
    });
}

std::string TDirTree::FolderPath(const QModelIndex &index) const
{
    const QString path = model_->filePath(index);
    return (path.endsWith('/') ? path : path + '/').toStdString();
}

std::string TDirTree::SelectedPath() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? std::string("?") : FolderPath(selected.first());
}

void TDirTree::setSelectedPath(const std::string &path)
{
    if (path.empty())
        throw Error("Invalid Path Name");
    if (path == "?")
        return;
    QString folder = NormalizedFolderPath(QString::fromStdString(path));
    const QFileInfo info(folder);
    if (!info.exists())
        folder = QStringLiteral("/");
    else if (!info.isDir())
        return;
    const QModelIndex node = model_->index(folder);
    if (!node.isValid())
        return;
    for (QModelIndex ancestor = node.parent(); ancestor.isValid(); ancestor = ancestor.parent())
        expand(ancestor);
    setCurrentIndex(node);
    scrollTo(node);
}

void TDirTree::setAcceptDropFiles(bool accept)
{
    acceptDropFiles_ = accept;
    setAcceptDrops(accept);
    viewport()->setAcceptDrops(accept);
}

std::string TDirTree::DropTargetPath(const QPoint &point) const
{
    const QModelIndex node = indexAt(point);
    return node.isValid() ? FolderPath(node) : std::string();
}

void TDirTree::dragEnterEvent(QDragEnterEvent *event)
{
    if (acceptDropFiles_ && !DroppedFiles(event->mimeData()).empty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDirTree::dragMoveEvent(QDragMoveEvent *event)
{
    if (acceptDropFiles_ && indexAt(event->position().toPoint()).isValid())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDirTree::dropEvent(QDropEvent *event)
{
    const QPoint point = event->position().toPoint();
    const std::string target = DropTargetPath(point);
    const std::vector<std::string> files = DroppedFiles(event->mimeData());
    if (!acceptDropFiles_ || target.empty() || files.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT OnDropFiles(this, point.x(), point.y(), target, files, event->modifiers());
}

} // namespace vistrel
