#include "app/main_window.h"

#include "about/donate_form.h"
#include "app/error_handler.h"
#include "document/child_window.h"
#include "platform/desktop_programs.h"
#include "platform/error.h"
#include "platform/file_names.h"
#include "platform/qimage_bridge.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"
#include "shellctl/file_transfer.h"
#include "widgets/file_dialog.h"

#include <QAction>
#include <QApplication>
#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QToolBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace vistrel {

namespace {

const char kOpenDialogName[] = "OpenPictureDialog";

// The main window as the document windows see it.
class FrameChildHost final : public TChildHost {
public:
    explicit FrameChildHost(TForm1 &frame) : frame_(&frame) {}

    std::string settingsFile() const override { return frame().State().SettingsFile(); }
    void pictureFolderActivated(const std::string &folder) override { frame().SetLastPicturePath(folder); }
    void pasteAsImage() override { frame().PasteAsImage(); }
    void showAbout() override { frame().ShowAbout(); }
    void showDonate() override { frame().ShowDonate(); }
    std::string selectedFolder() const override { return frame().SelectedTreeFolder(); }
    void openDocumentWindow(const std::string &path, TChild &owner) override { frame().OpenDocumentWindow(path, &owner); }

private:
    TForm1 &frame() const
    {
        if (!frame_)
            throw Error("The main window is gone");
        return *frame_;
    }

    QPointer<TForm1> frame_;
};

// Made when first needed: building it costs more than the rest of the frame's start-up.
QFileDialog *CreateOpenPictureDialog(TForm1 &owner)
{
    QFileDialog *dialog = NewFileDialog(&owner, kOpenDialogName, QFileDialog::AcceptOpen, PictureFileFilters());
    dialog->setWindowTitle(QStringLiteral("Open"));
    dialog->setDirectory(QFile::decodeName(owner.State().LastPicturePath().c_str()));
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
// window has its final size, and pushes a window wider than the area out of sight to the left. A
// window larger than the area is cut to it, so its title bar and close box are in reach; its
// picture scrolls inside it.
void PlaceNewChild(QMdiArea &area, TChild &child)
{
    constexpr int kCascadeStep = 24;
    constexpr int kCascadeLength = 8;
    const int step = static_cast<int>((area.subWindowList().size() - 1) % kCascadeLength) * kCascadeStep;
    const QSize room = area.viewport()->size();
    child.move(step, step);
    if (child.width() > room.width() - step || child.height() > room.height() - step) {
        child.move(0, 0);
        child.resize(child.size().boundedTo(room));
    }
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
            dialog->setDirectory(QFile::decodeName(treeFolder.c_str()));
        const int answer = dialog->exec();
        // The file name's completion list outlives a typed path confirmed with Enter.
        for (QCompleter *completer : dialog->findChildren<QCompleter *>())
            if (completer->popup())
                completer->popup()->hide();
        if (answer != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return;
        RunCommand(this, [this, dialog] { OpenDocumentWindow(QFile::encodeName(dialog->selectedFiles().first()).toStdString()); });
    });
    Open1->setEnabled(true);

    connect(PasteAction, &QAction::triggered, this, &TForm1::PasteAsImage);
    const auto pasteActionUpdate = [this] {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        PasteAction->setEnabled(data && data->hasImage());
    };
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, pasteActionUpdate);
    pasteActionUpdate();

    // The paint program reads the file: changes on screen are saved first, if the user wants.
    connect(actEdit, &QAction::triggered, this, [this] {
        QStringList arguments;
        if (auto *child = qobject_cast<TChild *>(mdiArea_->currentSubWindow())) {
            const std::string file = child->FileToHandOver();
            if (file.empty())
                return;
            arguments.append(QFile::decodeName(file.c_str()));
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

std::shared_ptr<TChildHost> TForm1::MakeChildHost() { return std::make_shared<FrameChildHost>(*this); }

TChild *TForm1::OpenDocumentWindow(const std::string &path, TChild *owner)
{
    TBitmap picture = ReadAnyPictureFile(path); // before the window, so a broken file leaves none
    auto *child = new TChild(childHost_);
    mdiArea_->addSubWindow(child);
    if (owner)
        owner->AdoptWindow(*child);
    state_.PictureOpened(path);
    const QString folder = QFile::decodeName(state_.LastPicturePath().c_str());
    QFileDialog *dialog = OpenPictureDialog(*this);
    if (dialog && dialog->directory().absolutePath() + QLatin1Char('/') != folder)
        dialog->setDirectory(folder);
    child->ShowPicture(std::move(picture), path);
    PlaceNewChild(*mdiArea_, *child);
    child->show();
    // Queued behind the window's first paint: the list refills (and makes its thumbnails) once
    // the picture is on the screen.
    QTimer::singleShot(0, thumblist, [list = thumblist, folder = state_.LastPicturePath()] {
        if (list->Directory() != folder && QFileInfo(QFile::decodeName(folder.c_str())).isDir())
            list->setDirectory(folder);
    });
    return child;
}

TChild *TForm1::OpenDocumentWindow(TBitmap picture)
{
    auto *child = new TChild(childHost_);
    mdiArea_->addSubWindow(child);
    child->ShowPicture(std::move(picture), {});
    PlaceNewChild(*mdiArea_, *child);
    child->show();
    return child;
}

void TForm1::OpenStartFiles(const std::vector<std::string> &paths)
{
    for (const std::string &given : paths) {
        const std::string path = std::filesystem::absolute(given).lexically_normal().string();
        RunCommand(this, [this, &path] { OpenDocumentWindow(path); });
    }
}

void TForm1::PasteAsImage()
{
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        QMessageBox::information(this, QStringLiteral("Information"), QStringLiteral("There is no Graphic in the Clipboard"));
        return;
    }
    OpenDocumentWindow(fromQImage(image));
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
        const std::string path = LocalFilePath(url);
        if (!url.isLocalFile() || !IsPictureFileName(path))
            continue;
        // One unreadable file is reported and does not keep the others from opening.
        RunCommand(this, [this, &path] { OpenDocumentWindow(path); });
    }
}

} // namespace vistrel
