#pragma once

#include "app/frame_state.h"
#include "app/list_choices.h"
#include "platform/bitmap.h"
#include "shellctl/file_operations.h"

#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSessionManager;
class QSplitter;
class QStatusBar;
class QToolBar;
class QWidget;

namespace vistrel {

class TAboutBoxDlg;
class TChild;
class TChildHost;
class TDonateDlg;
class TShExplorerListView;
class TDirTree;
class TSaveBounds;
class TCollapseSplitter;
class FileMoveQueue;

// The MDI frame. The document and capture windows reach it through narrow interfaces (TChildHost,
// CaptureShell) built on its public methods; its shared paths live in FrameState.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    const FrameState &State() const { return state_; }
    void SetLastPicturePath(const std::string &folder) { state_.SetLastPicturePath(folder); }
    void RecordShot(const std::string &path) { state_.RecordShot(path); }

    QMdiArea *mdiArea() const { return mdiArea_; }
    int MDIChildCount() const;
    QMdiSubWindow *MDIChild(int index) const;
    QMdiSubWindow *ActiveMDIChild() const;
    // Asks about changed pictures first; false when the user cancelled and every window stays.
    bool CloseAllChildren();

    // The one way a picture reaches a document window. From a file: read first, so a broken file
    // leaves no window (throws Error); the frame's folder, open dialog and list follow it. A window
    // with an owner closes with it. A pasted or captured picture has no file and leaves the
    // folder as it was.
    TChild *OpenDocumentWindow(const std::string &path, TChild *owner = nullptr);
    TChild *OpenDocumentWindow(TBitmap picture);
    // Opens the pictures named when the program started (names as bytes, relative ones to the
    // working folder), as a file manager passes them: JPEG and BMP, and the PNG and icon files Qt reads. Each one that cannot be read is reported on
    // its own; the others still open.
    void OpenStartFiles(const std::vector<std::string> &paths);
    void PasteAsImage();

    // The browser pane, for the capture windows. Both throw Error when the control refuses.
    std::string SelectedTreeFolder() const;
    void SetListDirectory(const std::string &folder);
    void SelectTreePath(const std::string &folder);
    void ShowAbout();
    void ShowDonate();

    // Tile positions (x, y) for a client area of the given size, columns outer, rows inner.
    static std::vector<QPoint> TilePositions(int tileWidth, int tileHeight, int clientWidth, int clientHeight);
    QString AboutComments() const;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Start-up steps in the order they run; each is small enough to read on its own.
    void createActions();
    void createMenus();
    void createToolBar();
    void createBrowserPane();
    void FormCreate();
    bool FormCloseQuery();
    std::shared_ptr<TChildHost> MakeChildHost();
    void SaveClosingSettings();
    void FormDestroy();
    void ShowAppHint(const QString &hint);
    void KeepFrameOnDesktop();
    void Help2Click();
    QAction *NewAction(const char *name, const QString &caption, const QString &hint);
    void QueryEndSession(QSessionManager &manager);

    // Wiring owned by the files that build each command set.
    void wireOpeningCommands(); // open_picture.cpp
    void wireCaptureCommands(); // shoot_command.cpp
    void wireAboutCommands();   // about_commands.cpp
    void wireBrowserPane();     // browser_pane.cpp

    void actShootExecute();     // shoot_command.cpp
    // The browser pane (browser_pane.cpp).
    void StartBrowserPane();
    void CollapseSplitter1Restore();
    void DirTreeClick();
    void ThumbListPictureActivated(const std::string &path);
    void DirTreeDropFiles(const std::string &aDropDir, const std::vector<std::string> &aDropFiles);
    void DeleteImage1Click();
    void DeleteSelectedFiles(Removal removal);
    void DirTreeChange();
    void DirTreeFolderGone();
    void ThumbListFolderEntered(const std::string &folder);
    void WireFolderStatus();
    void SelectAll1Click();
    void AddListChoiceMenus();
    void AddViewMenu();
    void AddOrderMenu();
    void ShowStatusMessage(const std::string &message);
    void wireIconCommand();     // icon_command.cpp

    FrameState state_;
    std::shared_ptr<TChildHost> childHost_;
    TShExplorerListView *thumblist = nullptr;
    TDirTree *DirTree = nullptr;
    TCollapseSplitter *CollapseSplitter1 = nullptr;
    QMdiArea *mdiArea_ = nullptr;
    QAction *actShoot = nullptr;
    QAction *actEdit = nullptr;
    QAction *actIcon = nullptr;
    QAction *PasteAction = nullptr;
    QAction *Open1 = nullptr;
    QAction *Exit1 = nullptr;
    QAction *Tile1 = nullptr;
    QAction *Cascade1 = nullptr;
    QAction *CloseAll1 = nullptr;
    QAction *Help2 = nullptr;
    QAction *About1 = nullptr;
    QAction *Donate1 = nullptr;
    QAction *DeleteImage1 = nullptr; // the list's pop-up menu
    QAction *SelectAll1 = nullptr;
    std::unique_ptr<TAboutBoxDlg> About;
    std::unique_ptr<TDonateDlg> DonateDlg1;
    QToolBar *ToolBar1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *StatusPanel0 = nullptr;
    QFrame *Panel1 = nullptr; // DirTree over thumblist, left of CollapseSplitter1
    QMenu *PopupMenu1 = nullptr;
    TShViewStyle listView_ = gvsThumb; // the list shows it from when the pane first opens
    ListChoices storedListChoices_;    // as the settings file held them at the start
    QMenu *fileMenu_ = nullptr;
    QMenu *windowMenu_ = nullptr;
    QMenu *helpMenu_ = nullptr;
    TSaveBounds *SaveBounds1; // a child object, which the frame's destruction frees
    QImage TileBitmap;
    bool boundsSaved_ = false; // by the close steps; the destruction then leaves them
    bool framePlaced_ = false; // once the window manager's frame is known
    std::unique_ptr<FileMoveQueue> fileMoves_; // last, so moves in progress end before the rest goes
};

} // namespace vistrel
