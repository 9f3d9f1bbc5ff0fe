// The browser pane on the left of the main window: the directory tree over the thumbnail list,
// collapsed behind CollapseSplitter1 until the user opens it.
#include "app/file_move_queue.h"
#include "app/main_window.h"
#include "platform/error.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"
#include "shellctl/file_operations.h"
#include "widgets/collapse_splitter.h"
#include "widgets/error_message.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

#include <utility>
#include <vector>

namespace vistrel {

namespace {

constexpr int kStatusMessageMs = 10000;

// "12 items, 3.4 MB"; the list counts sizes in kilobytes.
QString FolderStatusText(int items, int64_t kilobytes)
{
    const QLocale locale;
    return (items == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(locale.toString(items))) + ", "
           + locale.formattedDataSize(kilobytes * 1024, 1, QLocale::DataSizeTraditionalFormat);
}

QString DeletionQuestion(size_t count, Removal removal)
{
    const QString files = count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count);
    return removal == Removal::ToTrash ? QStringLiteral("Move %1 to the Trash?").arg(files)
                                       : QStringLiteral("Delete %1 for good? This cannot be undone.").arg(files);
}

bool UserConfirmsDeletion(QWidget *parent, size_t count, Removal removal)
{
    QMessageBox box(removal == Removal::ToTrash ? QMessageBox::Question : QMessageBox::Warning,
                    QStringLiteral("Confirm"), DeletionQuestion(count, removal), QMessageBox::NoButton, parent);
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(no); // Enter keeps the files
    box.exec();
    return box.clickedButton() == yes;
}

// One exclusive group of checkable items; each item's data is its value.
QActionGroup *AddChoices(QMenu &menu, const std::vector<std::pair<int, QString>> &choices, const QString &namePrefix)
{
    auto *group = new QActionGroup(&menu);
    for (const auto &[value, caption] : choices) {
        QAction *action = menu.addAction(caption);
        action->setObjectName(namePrefix + QString(caption).remove(' '));
        action->setCheckable(true);
        action->setData(value);
        group->addAction(action);
    }
    return group;
}

void CheckValue(QActionGroup &group, int value)
{
    for (QAction *action : group.actions())
        action->setChecked(action->data().toInt() == value);
}

} // namespace

void TForm1::wireBrowserPane()
{
    connect(CollapseSplitter1, &TCollapseSplitter::OnRestore, this, &TForm1::CollapseSplitter1Restore);
    connect(DirTree, &TDirTree::OnClick, this, &TForm1::DirTreeClick);
    connect(DirTree, &TDirTree::OnDropFiles, this,
            [this](QObject *, int, int, const std::string &folder, const std::vector<std::string> &files,
                   Qt::KeyboardModifiers) { DirTreeDropFiles(folder, files); });
    connect(thumblist, &TShExplorerListView::pictureActivated, this, &TForm1::ThumbListPictureActivated);
    connect(thumblist, &TShExplorerListView::folderEntered, this, &TForm1::ThumbListFolderEntered);
    connect(thumblist, &TShExplorerListView::deleteRequested, this,
            [this](bool forGood) { DeleteSelectedFiles(forGood ? Removal::ForGood : Removal::ToTrash); });
    connect(DirTree, &TDirTree::OnChange, this, &TForm1::DirTreeChange);
    connect(DirTree, &TDirTree::OnSelectedFolderGone, this, &TForm1::DirTreeFolderGone);
    connect(DirTree, &TDirTree::OnClickedFolderGone, this, [this](QObject *, const std::string &folder) {
        ShowErrorMessage(Error("Directory does not exist: " + folder), this);
    });
    WireFolderStatus();
    connect(thumblist, &TShExplorerListView::watchUnavailable, this, [this](const QString &folder) {
        ShowStatusMessage("The system allows no more folder watches, so " + folder.toStdString()
                          + " is re-read every 2 seconds");
    });

    DeleteImage1 = NewAction("DeleteImage1", QStringLiteral("Delete Selected"), {});
    connect(DeleteImage1, &QAction::triggered, this, &TForm1::DeleteImage1Click);
    SelectAll1 = NewAction("SelectAll1", QStringLiteral("Select All"), {});
    connect(SelectAll1, &QAction::triggered, this, &TForm1::SelectAll1Click);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    PopupMenu1->addAction(DeleteImage1);
    PopupMenu1->addAction(SelectAll1);
    AddListChoiceMenus();
    // Both commands act on the list's items, so the list is where the menu opens.
    thumblist->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(thumblist, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &point) { PopupMenu1->popup(thumblist->viewport()->mapToGlobal(point)); });
}

// The last step of the start-up: the pane starts collapsed to a thin bar and opens 222 pixels wide.
void TForm1::StartBrowserPane()
{
    DirTree->setVisible(false);
    DirTree->setAcceptDropFiles(true);
    CollapseSplitter1->setMaximized(true);
    CollapseSplitter1->setRestoreSize(222);
    Panel1->setFixedWidth(1);
}

void TForm1::CollapseSplitter1Restore()
{
    DirTree->setVisible(true);
    thumblist->setVisible(true);
    RunCommand(this, [this] {
        DirTree->setSelectedPath(state_.LastPicturePath());
        thumblist->setDirectory(state_.LastPicturePath());
        thumblist->setViewStyleEx(listView_);
    });
}

void TForm1::DirTreeClick()
{
    state_.SetLastPicturePath(DirTree->SelectedPath());
    RunCommand(this, [this] { thumblist->setDirectory(state_.LastPicturePath()); });
}

// The keys move the tree's selection without a click; the list follows. Selections the program
// makes itself (at the start, after the list moved) leave the list alone.
void TForm1::DirTreeChange()
{
    const std::string folder = DirTree->SelectedPath();
    const std::string shown = thumblist->Directory();
    if (!DirTree->hasFocus() || folder == "?" || (!shown.empty() && FolderPathWithSlash(shown) == folder))
        return;
    DirTreeClick();
}

// The tree has moved to the nearest parent that still exists; the list goes there too.
void TForm1::DirTreeFolderGone()
{
    const std::string shown = thumblist->Directory();
    if (shown.empty() || FolderPathWithSlash(shown) != DirTree->SelectedPath())
        DirTreeClick();
}

void TForm1::ThumbListFolderEntered(const std::string &folder)
{
    state_.SetLastPicturePath(FolderPathWithSlash(folder));
    RunCommand(this, [this, &folder] { DirTree->setSelectedPath(folder); });
}

void TForm1::ThumbListPictureActivated(const std::string &path)
{
    RunCommand(this, [this, &path] { OpenDocumentWindow(path); });
}

std::string TForm1::SelectedTreeFolder() const { return DirTree->SelectedPath(); }

void TForm1::SetListDirectory(const std::string &folder) { thumblist->setDirectory(folder); }

void TForm1::SelectTreePath(const std::string &folder) { DirTree->setSelectedPath(folder); }

void TForm1::DirTreeDropFiles(const std::string &aDropDir, const std::vector<std::string> &aDropFiles)
{
    if (!fileMoves_)
        fileMoves_ = std::make_unique<FileMoveQueue>();
    fileMoves_->Post([this, aDropDir, aDropFiles] {
        const std::string summary = MoveSummary(MoveFilesInto(aDropFiles, aDropDir), aDropDir);
        QMetaObject::invokeMethod(this, [this, summary] { ShowStatusMessage(summary); }, Qt::QueuedConnection);
    });
}

void TForm1::DeleteImage1Click() { DeleteSelectedFiles(Removal::ToTrash); }

void TForm1::DeleteSelectedFiles(Removal removal)
{
    std::vector<std::string> names;
    const TShListItems &items = thumblist->Items();
    for (int i = 0; i < items.Count(); ++i)
        if (items.Selected(i) && !items.IsFolder(i)) // the pane deletes pictures, never folders
            names.push_back(items.FileName(i));
    if (names.empty() || !UserConfirmsDeletion(this, names.size(), removal))
        return;
    ShowStatusMessage(DeleteSummary(DeleteFilesIn(thumblist->Directory(), names, removal)));
    thumblist->RefreshView();
}

// The shown folder's item count and total size, beside the hints in the status bar.
void TForm1::WireFolderStatus()
{
    auto *status = new QLabel(StatusBar1);
    status->setObjectName(QStringLiteral("FolderStatus"));
    StatusBar1->addPermanentWidget(status);
    const auto update = [this, status] {
        status->setText(thumblist->Directory().empty()
                            ? QString()
                            : FolderStatusText(thumblist->Items().Count(), thumblist->TotalSize()));
    };
    QAbstractItemModel *items = thumblist->model();
    connect(items, &QAbstractItemModel::modelReset, status, update);
    connect(items, &QAbstractItemModel::rowsInserted, status, update);
    connect(items, &QAbstractItemModel::rowsRemoved, status, update);
    connect(thumblist, &TShExplorerListView::OnTotalSizeChange, status, update);
}

void TForm1::SelectAll1Click() { thumblist->SelectAll(); }

// The list's view and order; what the user chose is shown again at the next start.
void TForm1::AddListChoiceMenus()
{
    PopupMenu1->addSeparator();
    AddViewMenu();
    AddOrderMenu();
}

void TForm1::AddViewMenu()
{
    QMenu *menu = PopupMenu1->addMenu(QStringLiteral("View"));
    QActionGroup *views = AddChoices(*menu,
                                     {{gvsThumb, QStringLiteral("Thumbnails")},
                                      {gvsIcon, QStringLiteral("Icons")},
                                      {gvsSmallIcon, QStringLiteral("Small Icons")},
                                      {gvsList, QStringLiteral("List")},
                                      {gvsReport, QStringLiteral("Details")}},
                                     QStringLiteral("View"));
    connect(views, &QActionGroup::triggered, this, [this](QAction *action) {
        listView_ = static_cast<TShViewStyle>(action->data().toInt());
        thumblist->setViewStyleEx(listView_);
    });
    connect(menu, &QMenu::aboutToShow, views, [this, views] { CheckValue(*views, listView_); });
}

// Dates go newest first unless reversed, as the list orders them.
void TForm1::AddOrderMenu()
{
    QMenu *menu = PopupMenu1->addMenu(QStringLiteral("Arrange By"));
    QActionGroup *orders = AddChoices(*menu,
                                      {{kColumnName, QStringLiteral("Name")},
                                       {kColumnSize, QStringLiteral("Size")},
                                       {kColumnModified, QStringLiteral("Date")},
                                       {kColumnType, QStringLiteral("Type")}},
                                      QStringLiteral("ArrangeBy"));
    menu->addSeparator();
    QAction *reversed = menu->addAction(QStringLiteral("Reversed"));
    reversed->setObjectName(QStringLiteral("ArrangeReversed"));
    reversed->setCheckable(true);
    connect(orders, &QActionGroup::triggered, this,
            [this](QAction *action) { thumblist->setSortColumn(action->data().toInt()); });
    connect(reversed, &QAction::triggered, this,
            [this](bool checked) { thumblist->setSortDirection(checked ? sdDesc : sdAsc); });
    connect(menu, &QMenu::aboutToShow, orders, [this, orders, reversed] {
        CheckValue(*orders, thumblist->SortColumn());
        reversed->setChecked(thumblist->SortDirection() == sdDesc);
    });
}

void TForm1::ShowStatusMessage(const std::string &message)
{
    if (!message.empty())
        StatusBar1->showMessage(QString::fromStdString(message), kStatusMessageMs);
}

} // namespace vistrel
