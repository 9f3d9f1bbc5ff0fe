#include "app/main_window.h"

#include "app/error_handler.h"
#include "capture/capture_shell.h"
#include "capture/start_form.h"
#include "platform/error.h"
#include "platform/file_names.h"
#include "platform/portal_screen_source.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"

#include <QAction>
#include <QPointer>

namespace vistrel {

namespace {

// The main window as the capture windows see it.
class MainWindowShell final : public CaptureShell {
public:
    explicit MainWindowShell(TForm1 &form) : form_(&form) {}

    std::string shotsFolder() const override { return form().ShotsFolder; }
    std::string lastShotPath() const override { return form().LastShotPath; }
    std::string lastPicturePath() const override { return form().LastPicturePath; }
    void recordShot(const std::string &path) override
    {
        form().LastShotPath = path;
        form().LastPicturePath = ExtractFilePath(path);
    }
    void showMainWindow() override { form().show(); }
    void openPicture(const std::string &path) override { form().OpenPicture(path); }
    void setListDirectory(const std::string &folder) override { form().thumblist->setDirectory(folder); }
    void selectTreePath(const std::string &folder) override { form().DirTree->setSelectedPath(folder); }
    void reportError(const std::exception &error, QWidget *window) override { ShowErrorMessage(error, window); }

private:
    TForm1 &form() const
    {
        if (!form_)
            throw Error("The main window is gone");
        return *form_;
    }

    QPointer<TForm1> form_;
};

// Ends the list's update bracket on every way out, also when the tree refuses the folder.
class ListUpdate {
public:
    explicit ListUpdate(TShExplorerListView &list) : list_(list) { list_.Items().BeginUpdate(); }
    ListUpdate(const ListUpdate &) = delete;
    ListUpdate &operator=(const ListUpdate &) = delete;
    ~ListUpdate()
    {
        list_.Items().EndUpdate();
        list_.Repaint();
    }

private:
    TShExplorerListView &list_;
};

void actShootExecute(TForm1 &form)
{
    RunCommand(&form, [&form] {
        auto screen = MakeDesktopScreenSource();
        ListUpdate update(*form.thumblist);
        form.DirTree->setSelectedPath(form.LastPicturePath);
        auto *launcher = new TStartF(std::make_shared<MainWindowShell>(form), std::move(screen));
        launcher->show();
        form.hide();
    });
}

} // namespace

void TForm1::wireCaptureCommands()
{
    if (!actShoot)
        return;
    connect(actShoot, &QAction::triggered, this, [this] { actShootExecute(*this); });
    actShoot->setEnabled(true);
}

} // namespace vistrel
