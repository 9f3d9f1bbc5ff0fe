#pragma once

#include "document/edit_history.h"
#include "document/image_control.h"
#include "document/selection.h"

#include <QList>
#include <QMdiSubWindow>

#include <functional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;
class QStatusBar;
class QToolBar;

namespace vistrel {

struct TZoomView;

// What a document window needs of the frame window it lives in.
struct TChildHost {
    std::string SettingsFile;
    std::function<void(const std::string &folder)> SetLastPicturePath;
    std::function<void()> PasteAsImage;
};

// Announces changes of the program-wide selection, so every window's copy command follows it.
class TSelectionNotifier : public QObject {
    Q_OBJECT
public:
    static TSelectionNotifier &instance();
    void notify() { Q_EMIT changed(); }
Q_SIGNALS:
    void changed();
};

// One open picture in the main window's MDI area: tool bar, picture control, status bar, the
// window's own menus (shown in the frame's menu bar while it is active), zoom, selection and
// clipboard, and the image commands with their edit history.
class TChild : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit TChild(TChildHost host, QWidget *parent = nullptr);
    ~TChild() override;

    // Set by whoever opens the picture.
    std::string PicName;
    int PictureW = 0;
    int PictureH = 0;
    int FormW = 0;
    int FormH = 0;
    int Aspect = 0;

    const std::string &SettingsPath() const { return settingsPath_; }
    bool ZoomReady() const { return zoomReady_; }
    const std::vector<TBitmap> &UndoList() const { return history_.UndoList(); }
    const std::vector<TBitmap> &RedoList() const { return history_.RedoList(); }

    // The client area is the window without its frame and title bar.
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientSize(int width, int height);

    void ZoomIn();
    void ZoomOut();
    void FitWindowToImage();
    void ResetZoom();

    void DrawSelectionFrame();
    void ClearSelection();
    void CopySelection();
    void CloseAllDocuments();

    // The menus that replace the frame's menu bar while this window is active.
    QList<QMenu *> Menus() const;

    TImage *Image = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *StatusPanel0 = nullptr;
    QLabel *StatusPanel1 = nullptr;
    QScrollArea *ScrollBox = nullptr;
    QMenu *PopupMenu1 = nullptr;

    QAction *PasteAction = nullptr;
    QAction *actCopyToClipboard = nullptr;
    QAction *actImgEnhance = nullptr;
    QAction *actUndo = nullptr;
    QAction *actRedo = nullptr;

    QAction *ToolButton1 = nullptr; // "+"
    QAction *ToolButton2 = nullptr; // "-"
    QAction *ToolButton3 = nullptr; // "0"

    QMenu *FileMenu = nullptr;
    QAction *Open1 = nullptr;
    QAction *MnuConvertToIcon = nullptr;
    QAction *Printdialog2 = nullptr;
    QAction *Print1 = nullptr;
    QAction *Sendasmail1 = nullptr;
    QAction *SaveAs1 = nullptr;
    QAction *CloseAll2 = nullptr;
    QAction *Exit1 = nullptr;

    QMenu *ToolsMenu = nullptr;
    QAction *Rotate90R1 = nullptr;
    QAction *Rotate90L1 = nullptr;
    QAction *FlipRight1 = nullptr;
    QAction *FlipDown1 = nullptr;
    QAction *Mirror1 = nullptr;
    QAction *Mirrorvertical1 = nullptr;
    QAction *Emboss1 = nullptr;
    QAction *Shadow1 = nullptr;
    QAction *Greyscale1 = nullptr;
    QAction *Antialias1 = nullptr;
    QAction *Invert1 = nullptr;

    QMenu *WindowMenu = nullptr;
    QAction *Tile1 = nullptr;
    QAction *Cascade1 = nullptr;
    QAction *CloseAll1 = nullptr;

    QMenu *HelpMenu = nullptr;
    QAction *Help2 = nullptr;
    QAction *About1 = nullptr;
    QAction *Donate1 = nullptr;

    QAction *MnuSelectAll = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createActions();
    void createToolBar();
    void createMenus();
    void createPopupMenu();
    void createLayout();

    void FormActivate();
    void FormDeactivate();
    void onWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);

    TZoomView zoomView() const;
    void applyZoomView(const TZoomView &view);

    void ImageMouseDown(QMouseEvent *event, bool doubleClick);
    void ImageMouseMove(QMouseEvent *event);
    void MnuSelectAllClick();
    void actCopyToClipboardUpdate();
    void PasteActionUpdate();
    void Help2Click();

    void runEffect(void (*routine)(TBitmap &));
    void runRotation(void (*routine)(TBitmap &, TBitmap &));
    void actImgEnhanceExecute();
    void actUndoExecute();
    void actRedoExecute();

    TChildHost host_;
    std::string settingsPath_;
    QString helpFile_;
    bool zoomReady_ = false;
    bool active_ = false;
    TEditHistory history_;
};

} // namespace vistrel
