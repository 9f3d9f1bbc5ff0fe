#pragma once

#include <QTreeView>

#include <string>
#include <vector>

class QFileSystemModel;

namespace vistrel {

// The directory tree: the folders of the file system under "/", read as they are opened.
class TDirTree : public QTreeView {
    Q_OBJECT
public:
    explicit TDirTree(QWidget *parent = nullptr);

    // The selected folder with a trailing "/"; "?" when no folder is selected.
    std::string SelectedPath() const;
    // "" raises "Invalid Path Name"; "?" does nothing; a missing folder selects "/"; a path that
    // is no folder leaves the selection as it was. Ancestors are opened on the way.
    void setSelectedPath(const std::string &path);

    void setAcceptDropFiles(bool accept);
    bool AcceptDropFiles() const { return acceptDropFiles_; }

    // The folder (trailing "/") under a point of the tree's client area; "" outside every node.
    std::string DropTargetPath(const QPoint &point) const;

Q_SIGNALS:
    // Only for a click on a selected folder node, so SelectedPath is then always a real path.
    void OnClick(QObject *sender);
    // Once per drop of files on a folder node; the tree itself leaves the files alone.
    void OnDropFiles(QObject *sender, int X, int Y, const std::string &aDropDir,
                     const std::vector<std::string> &aDropFiles, Qt::KeyboardModifiers Shift);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    std::string FolderPath(const QModelIndex &index) const;

    QFileSystemModel *model_;
    bool acceptDropFiles_ = false;
};

} // namespace vistrel
