#include "app/main_window.h"

#include "about/donate_form.h"
#include "app/error_handler.h"
#include "document/child_window.h"
#include "platform/desktop_programs.h"
#include "platform/file_names.h"
#include "platform/qimage_bridge.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"
#include "widgets/file_dialog.h"

#include <QAction>
#include <QApplication>
#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QToolBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

#include <memory>

namespace vistrel {

namespace {

const char kOpenDialogName[] = "OpenPictureDialog";

TChild *NewChild(TForm1 &frame)
{
    TChildHost host;
    host.SettingsFile = frame.SettingsFile;
    host.SetLastPicturePath = [&frame](const std::string &folder) { frame.LastPicturePath = folder; };
    host.PasteAsImage = [&frame] { frame.PasteAsImage(); };
    host.About = [&frame] { frame.About1->trigger(); };
    host.Donate = [&frame] { frame.DonateDlg1->Execute(&frame); };
    host.SelectedFolder = [&frame] { return frame.DirTree->SelectedPath(); };
    auto *child = new TChild(std::move(host));
    frame.mdiArea()->addSubWindow(child);
    return child;
}

// Made when first needed: building it costs more than the rest of the frame's start-up.
QFileDialog *CreateOpenPictureDialog(TForm1 &owner)
{
    QFileDialog *dialog = NewFileDialog(&owner, kOpenDialogName, QFileDialog::AcceptOpen, PictureFileFilters());
    dialog->setWindowTitle(QStringLiteral("Open"));
    dialog->setDirectory(QString::fromStdString(owner.LastPicturePath));
    dialog->setFileMode(QFileDialog::ExistingFiles);
    return dialog;
}

QFileDialog *OpenPictureDialog(const TForm1 &frame)
{
    return frame.findChild<QFileDialog *>(QString::fromLatin1(kOpenDialogName));
}

// A menu title's hint stays in the status bar after its menu closes unless something clears it.
void ClearHintWhenClosed(QMenu *menu, QWidget *frame)
{
    const char kWired[] = "vistrelClearsHint";
    if (!menu || menu->property(kWired).toBool())
        return;
    menu->setProperty(kWired, true);
    QObject::connect(menu, &QMenu::aboutToHide, frame, [frame] {
        QStatusTipEvent noHint{QString()};
        QCoreApplication::sendEvent(frame, &noHint);
    });
}

// While a document window is active its menus replace the frame's; without one the frame's
// own menus come back.
void MergeChildMenus(QMenuBar *bar, const QList<QAction *> &frameMenus, QMdiSubWindow *active)
{
    QList<QAction *> shown = frameMenus;
    if (auto *child = qobject_cast<TChild *>(active)) {
        shown.clear();
        for (QMenu *menu : child->Menus())
            shown.append(menu->menuAction());
    }
    for (QAction *title : shown)
        ClearHintWhenClosed(title->menu(), bar->window());
    if (bar->actions() == shown)
        return;
    for (QAction *action : bar->actions())
        bar->removeAction(action);
    bar->addActions(shown);
}

// New windows cascade from the area's top-left corner. The area's own placement runs before the
// window has its final size, and pushes a window wider than the area out of sight to the left.
void PlaceNewChild(QMdiArea &area, TChild &child)
{
    constexpr int kCascadeStep = 24;
    constexpr int kCascadeLength = 8;
    const int step = static_cast<int>((area.subWindowList().size() - 1) % kCascadeLength) * kCascadeStep;
    child.move(step, step);
}

} // namespace

void TForm1::wireOpeningCommands()
{
    connect(Open1, &QAction::triggered, this, [this] {
        QFileDialog *dialog = OpenPictureDialog(*this);
        if (!dialog)
            dialog = CreateOpenPictureDialog(*this);
        const std::string treeFolder = DirTree->SelectedPath();
        if (treeFolder != "?")
            dialog->setDirectory(QString::fromStdString(treeFolder));
        const int answer = dialog->exec();
        // The file name's completion list outlives a typed path confirmed with Enter.
        for (QCompleter *completer : dialog->findChildren<QCompleter *>())
            if (completer->popup())
                completer->popup()->hide();
        if (answer != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return;
        RunCommand(this, [this, dialog] { OpenPicture(dialog->selectedFiles().first().toStdString()); });
    });
    Open1->setEnabled(true);

    connect(PasteAction, &QAction::triggered, this, &TForm1::PasteAsImage);
    const auto pasteActionUpdate = [this] {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        PasteAction->setEnabled(data && data->hasImage());
    };
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, pasteActionUpdate);
    pasteActionUpdate();

    connect(actEdit, &QAction::triggered, this, [this] {
        QStringList arguments;
        if (auto *child = qobject_cast<TChild *>(mdiArea_->currentSubWindow())) {
            const QString picture = QString::fromStdString(child->PicName());
            if (!picture.isEmpty() && QFileInfo::exists(picture))
                arguments.append(picture);
        }
        QProcess::startDetached(QString::fromStdString(PaintProgram()), arguments);
    });
    actEdit->setEnabled(true);

    // The menu bar is the connection's context: while the frame is torn down the area still
    // reports deactivations, and the bar (with the frame's menus) is what must still be there.
    QMenuBar *bar = menuBar();
    const QList<QAction *> frameMenus = bar->actions();
    for (QAction *title : frameMenus)
        ClearHintWhenClosed(title->menu(), this);
    connect(mdiArea_, &QMdiArea::subWindowActivated, bar,
            [bar, frameMenus](QMdiSubWindow *active) { MergeChildMenus(bar, frameMenus, active); });
}

void TForm1::OpenPicture(const std::string &path)
{
    TBitmap picture = ReadAnyPictureFile(path); // before the window, so a broken file leaves none
    TChild *child = NewChild(*this);
    LastPicturePath = ExtractFilePath(path);
    const QString folder = QString::fromStdString(LastPicturePath);
    QFileDialog *dialog = OpenPictureDialog(*this);
    if (dialog && dialog->directory().absolutePath() + QLatin1Char('/') != folder)
        dialog->setDirectory(folder);
    child->ShowPicture(std::move(picture), path);
    PlaceNewChild(*mdiArea(), *child);
    child->show();
    // Queued behind the window's first paint: the list refills (and makes its thumbnails) once
    // the picture is on the screen.
    QTimer::singleShot(0, thumblist, [list = thumblist, folder = LastPicturePath] {
        if (list->Directory() != folder && QFileInfo(QString::fromStdString(folder)).isDir())
            list->setDirectory(folder);
    });
}

void TForm1::OpenStartFiles(const QStringList &paths)
{
    for (const QString &given : paths) {
        const std::string path = QFileInfo(given).absoluteFilePath().toStdString();
        RunCommand(this, [this, &path] { OpenPicture(path); });
    }
}

void TForm1::PasteAsImage()
{
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        QMessageBox::information(this, QStringLiteral("Information"), QStringLiteral("There is no Graphic in the Clipboard"));
        return;
    }
    TBitmap bitmap = fromQImage(image);
    TChild *child = NewChild(*this);
    child->ShowPicture(std::move(bitmap), {});
    PlaceNewChild(*mdiArea(), *child);
    child->show();
}

namespace {

// Files dropped here are opened, never taken: a source that honours a move would delete them.
bool AcceptAsCopy(QDropEvent &event)
{
    if (!event.mimeData()->hasUrls())
        return false;
    for (Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction})
        if (event.possibleActions() & action) {
            event.setDropAction(action);
            event.accept();
            return true;
        }
    event.ignore();
    return false;
}

} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent *event) { AcceptAsCopy(*event); }

void TForm1::dragMoveEvent(QDragMoveEvent *event) { AcceptAsCopy(*event); }

void TForm1::dropEvent(QDropEvent *event)
{
    if (!AcceptAsCopy(*event))
        return;
    for (const QUrl &url : event->mimeData()->urls()) {
        const std::string path = url.toLocalFile().toStdString();
        if (!url.isLocalFile() || !IsPictureFileName(path))
            continue;
        // One unreadable file is reported and does not keep the others from opening.
        RunCommand(this, [this, &path] { OpenPicture(path); });
    }
}

} // namespace vistrel
