#pragma once

#include "document/edit_history.h"
#include "document/image_control.h"
#include "document/selection.h"
#include "imaging/effects.h"

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
    std::function<void()> About;  // the frame's about box
    std::function<void()> Donate; // the frame's donation dialog
    // The folder selected in the frame's directory tree, where "&Open..." starts.
    std::function<std::string()> SelectedFolder;
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

    // Shows picture at its natural size and sizes the window around it. A picture read from a
    // file (fileName not empty) names the window, keeps its size as the natural size and gets a
    // client area at least 140 pixels wide with 10 spare rows; a pasted picture (fileName empty)
    // keeps the caption "Child", is drawn unstretched and fills the client area exactly.
    void ShowPicture(TBitmap picture, const std::string &fileName);

    const std::string &PicName() const { return picName_; }
    int PictureW() const { return pictureW_; }
    int PictureH() const { return pictureH_; }
    // The client size at natural size, as sized when the picture was shown.
    int FormW() const { return formW_; }
    int FormH() const { return formH_; }
    const TBitmap &Picture() const { return Image->Picture(); }

    const std::string &SettingsPath() const { return settingsPath_; }
    bool ZoomReady() const { return zoomReady_; }
    const std::vector<TBitmap> &UndoList() const { return history_.UndoList(); }
    const std::vector<TBitmap> &RedoList() const { return history_.RedoList(); }

    // The client area is the window without its frame and title bar.
    int ClientWidth() const;
    int ClientHeight() const;

    // The menus that replace the frame's menu bar while this window is active.
    QList<QMenu *> Menus() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The narrowest client area a document window takes: room for its tool bar and title.
    static constexpr int kMinimumClientWidth = 140;

    void createActions();
    void createToolBar();
    void createMenus();
    // Connects a menu item to a handler run as one command of the user's (failures shown).
    QAction *command(QAction *item, void (TChild::*handler)());
    void createToolsMenu();
    void createPopupMenu();
    void createLayout();

    void SetClientSize(int width, int height);
    void FormActivate();
    void FormDeactivate();
    void onWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);

    TZoomView zoomView() const;
    void applyZoomView(const TZoomView &view);
    void ZoomIn();
    void ZoomOut();
    void FitWindowToImage();
    void ResetZoom();

    void ImageMouseDown(QMouseEvent *event, bool doubleClick);
    void ImageMouseMove(QMouseEvent *event);
    void DrawSelectionFrame();
    void ClearSelection();
    void CopySelection();
    void MnuSelectAllClick();
    void actCopyToClipboardUpdate();
    void PasteActionUpdate();
    void CloseAllDocuments();
    void Help2Click();

    // Output commands (output_commands.cpp).
    void SaveAs1Click();
    void Open1Click();
    void OpenInNewWindow(const std::string &fileName);
    void ShowOpenedPicture(TBitmap picture, const std::string &fileName);
    void Print1Click();
    void Printdialog2Click();
    void Sendasmail1Click();
    void MnuConvertToIconClick();

    void runEffect(const EffectEntry &effect);
    void actImgEnhanceExecute();
    void actUndoExecute();
    void actRedoExecute();

    // The form's components; tests reach them by these object names.
    TImage *Image = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *StatusPanel0 = nullptr;
    QLabel *StatusPanel1 = nullptr;
    QScrollArea *ScrollBox = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QMenu *FileMenu = nullptr;
    QMenu *ToolsMenu = nullptr;
    QMenu *WindowMenu = nullptr;
    QMenu *HelpMenu = nullptr;
    QAction *PasteAction = nullptr;
    QAction *actCopyToClipboard = nullptr;
    QAction *actImgEnhance = nullptr;
    QAction *actUndo = nullptr;
    QAction *actRedo = nullptr;

    TChildHost host_;
    std::string settingsPath_;
    std::string picName_;
    int pictureW_ = 0;
    int pictureH_ = 0;
    int formW_ = 0;
    int formH_ = 0;
    bool zoomReady_ = false;
    bool active_ = false;
    TEditHistory history_;
};

} // namespace vistrel
