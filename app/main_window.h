#pragma once

#include "platform/bitmap.h"

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
class QSplitter;
class QStatusBar;
class QToolBar;
class QWidget;

namespace vistrel {

class TAboutBoxDlg;
class TDonateDlg;
class TShExplorerListView;
class TDirTree;
class TSaveBounds;
class TCollapseSplitter;
class FileMoveQueue;

// The MDI frame. Its shared state (the paths) is read and written by the document windows, the
// capture windows and the converter.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    std::string SettingsFile;
    std::string ShotsFolder;
    std::string LastPicturePath; // always ends in "/"
    std::string LastShotPath;

    TShExplorerListView *thumblist = nullptr;
    TDirTree *DirTree = nullptr;
    TCollapseSplitter *CollapseSplitter1 = nullptr;

    QMdiArea *mdiArea() const { return mdiArea_; }
    int MDIChildCount() const;
    QMdiSubWindow *MDIChild(int index) const;
    QMdiSubWindow *ActiveMDIChild() const;
    void CloseAllChildren();

    // Opening pictures (open_picture.cpp).
    void OpenPicture(const std::string &path);
    // Opens the pictures named when the program started, as a file manager passes them: JPEG
    // and BMP, and the PNG and icon files Qt reads. Each one that cannot be read is reported on
    // its own; the others still open.
    void OpenStartFiles(const QStringList &paths);
    void PasteAsImage();

    // Tile positions (x, y) for a client area of the given size, columns outer, rows inner.
    static std::vector<QPoint> TilePositions(int tileWidth, int tileHeight, int clientWidth, int clientHeight);

    // Commands of the menus and the tool bar, so document windows can forward to them.
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
    // The list's pop-up menu.
    QAction *DeleteImage1 = nullptr;
    QAction *SelectAll1 = nullptr;

    QString AboutComments() const;
    std::unique_ptr<TAboutBoxDlg> About;
    std::unique_ptr<TDonateDlg> DonateDlg1;

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
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
    void FormCloseQuery();
    void SaveClosingSettings();
    void FormDestroy();
    void ShowAppHint(const QString &hint);
    void Help2Click();
    QAction *NewAction(const QString &caption, const QString &hint);

    // Wiring owned by the files that build each command set.
    void wireOpeningCommands(); // open_picture.cpp
    void wireCaptureCommands(); // shoot_command.cpp
    void wireAboutCommands();   // about_commands.cpp
    void wireBrowserPane();     // browser_pane.cpp

    // The browser pane (browser_pane.cpp).
    void StartBrowserPane();
    void CollapseSplitter1Restore();
    void DirTreeClick();
    void ThumbListDblClick();
    void DirTreeDropFiles(const std::string &aDropDir, const std::vector<std::string> &aDropFiles);
    void DeleteImage1Click();
    void SelectAll1Click();
    void ShowStatusMessage(const std::string &message);
    void wireIconCommand();     // icon_command.cpp

    QMdiArea *mdiArea_ = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *StatusPanel0 = nullptr;
    QFrame *Panel1 = nullptr; // DirTree over thumblist, left of CollapseSplitter1
    QMenu *PopupMenu1 = nullptr;
    QMenu *fileMenu_ = nullptr;
    QMenu *windowMenu_ = nullptr;
    QMenu *helpMenu_ = nullptr;
    TSaveBounds *SaveBounds1; // a child object, which the frame's destruction frees
    QImage TileBitmap;
    bool boundsSaved_ = false; // by the close steps; the destruction then leaves them
    std::unique_ptr<FileMoveQueue> fileMoves_; // last, so moves in progress end before the rest goes
};

} // namespace vistrel
