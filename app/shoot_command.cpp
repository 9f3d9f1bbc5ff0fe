#include "app/main_window.h"

#include "app/error_handler.h"
#include "capture/capture_shell.h"
#include "capture/start_form.h"
#include "platform/error.h"
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

    std::string settingsFile() const override { return form().State().SettingsFile(); }
    std::string shotsFolder() const override { return form().State().ShotsFolder(); }
    std::string lastShotPath() const override { return form().State().LastShotPath(); }
    std::string lastPicturePath() const override { return form().State().LastPicturePath(); }
    void recordShot(const std::string &path) override { form().RecordShot(path); }
    void showMainWindow() override { form().show(); }
    void openPicture(const std::string &path) override { form().OpenDocumentWindow(path); }
    void setListDirectory(const std::string &folder) override { form().SetListDirectory(folder); }
    void selectTreePath(const std::string &folder) override { form().SelectTreePath(folder); }
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

} // namespace

void TForm1::actShootExecute()
{
    RunCommand(this, [this] {
        auto screen = MakeDesktopScreenSource();
        ListUpdate update(*thumblist);
        DirTree->setSelectedPath(state_.LastPicturePath());
        auto *launcher = new TStartF(std::make_shared<MainWindowShell>(*this), std::move(screen));
        launcher->show();
        hide();
    });
}

void TForm1::wireCaptureCommands()
{
    connect(actShoot, &QAction::triggered, this, &TForm1::actShootExecute);
    actShoot->setEnabled(true);
}

} // namespace vistrel
