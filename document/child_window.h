#pragma once

#include "document/image_control.h"
#include "document/picture_document.h"
#include "document/selection.h"
#include "imaging/effects.h"
#include "imaging/redact.h"

#include <QList>
#include <QMdiSubWindow>
#include <QPointer>

#include <memory>
#include <string>

class QAction;
class QMdiArea;
class QLabel;
class QMenu;
class QScrollArea;
class QStatusBar;
class QToolBar;

namespace vistrel {

struct TZoomView;
class TChild;
class TMarkupTool;

// What a document window needs of the frame window it lives in. The frame implements it; tests
// replace it.
class TChildHost {
public:
    virtual ~TChildHost() = default;

    virtual std::string settingsFile() const = 0;
    // The active window shows a picture of `folder` (ends in "/").
    virtual void pictureFolderActivated(const std::string &folder) = 0;
    virtual void pasteAsImage() = 0;
    virtual void showAbout() = 0;
    virtual void showDonate() = 0;
    // The folder selected in the frame's directory tree, where "&Open..." starts.
    virtual std::string selectedFolder() const = 0;
    // "&Open...": a further window that closes with `owner`. Throws Error when the file cannot
    // be read, and then opens none.
    virtual void openDocumentWindow(const std::string &path, TChild &owner) = 0;
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
    explicit TChild(std::shared_ptr<TChildHost> host, QWidget *parent = nullptr);
    ~TChild() override;

    // Shows picture at its natural size and sizes the window around it. A picture read from a
    // file (fileName not empty) names the window, keeps its size as the natural size and gets a
    // client area at least 140 pixels wide with 10 spare rows; a pasted picture (fileName empty)
    // keeps the caption "Child", is drawn unstretched and fills the client area exactly.
    void ShowPicture(TBitmap picture, const std::string &fileName);

    const PictureDocument &Document() const { return document_; }
    const std::string &PicName() const { return document_.PicName(); }
    int PictureW() const { return pictureW_; }
    int PictureH() const { return pictureH_; }
    // The client size at natural size, as sized when the picture was shown.
    int FormW() const { return formW_; }
    int FormH() const { return formH_; }
    const TBitmap &Picture() const { return document_.Picture(); }

    const std::string &SettingsPath() const { return settingsPath_; }
    bool ZoomReady() const { return zoomReady_; }
    const std::vector<TBitmap> &UndoList() const { return document_.History().UndoList(); }
    const std::vector<TBitmap> &RedoList() const { return document_.History().RedoList(); }

    // Whether the picture may go: true when nothing would be lost, or when the user saved it or
    // chose to discard the changes; false on Cancel or a failed save. A discard holds until the
    // picture changes again, so a window is not asked twice about the same changes.
    bool QueryClose();
    // The picture's file for a program that reads it (mail, the icon converter, the paint
    // program): after asking to save changes first. Empty when the user cancelled.
    std::string FileToHandOver();
    // "&Open..." windows close with this one.
    void AdoptWindow(TChild &opened);

    // The client area is the window without its frame and title bar.
    int ClientWidth() const;
    int ClientHeight() const;

    // The menus that replace the frame's menu bar while this window is active.
    QList<QMenu *> Menus() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

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
    void showFileName();
    void SetNaturalSize(int width, int height);
    void DocumentChanged(int oldWidth, int oldHeight);
    void FormActivate();
    void FormDeactivate();
    void onWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState);

    TZoomView zoomView() const;
    void applyZoomView(const TZoomView &view);
    void ZoomIn();
    void ZoomOut();
    void FitWindowToImage();
    void ResetZoom();
    void FitToArea();

    void ImageMouseDown(QMouseEvent *event, bool doubleClick);
    void ImageMouseMove(QMouseEvent *event);
    void ShowPointerPosition(QPoint position);
    void DrawSelectionFrame();
    void ClearSelection();
    void CopySelection();
    void PasteAsImage();
    void MnuSelectAllClick();
    void actCopyToClipboardUpdate();
    void PasteActionUpdate();
    void CloseAllDocuments();
    void Help2Click();

    // Output commands (output_commands.cpp).
    void SaveAs1Click();
    // Save As; false when the user cancelled or the picture could not be written (said why).
    bool SavePictureAs();
    void Open1Click();
    void Print1Click();
    void Printdialog2Click();
    void Sendasmail1Click();
    void MnuConvertToIconClick();

    // Redaction and text recognition (redact_commands.cpp, text_commands.cpp).
    void createRedactMenu();
    void RedactSelection(RedactMode mode, PaletteEntry fill = {});
    void RedactWithChosenColour();
    void createCopyTextCommand();
    void CopyText();

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
    TMarkupTool *markup_ = nullptr;

    std::shared_ptr<TChildHost> host_;
    std::string settingsPath_;
    PictureDocument document_;
    QList<QPointer<TChild>> opened_; // by "&Open...", closed with this window
    bool discardConfirmed_ = false;
    int pictureW_ = 0;
    int pictureH_ = 0;
    int formW_ = 0;
    int formH_ = 0;
    bool zoomReady_ = false;
    bool active_ = false;
};

// Asks about every changed picture in the area, the last window first; false as soon as the user
// cancels (then every window stays open).
bool QueryCloseDocuments(QMdiArea &area);
// "Close All": closes every window of the area, the last first, after QueryCloseDocuments.
bool CloseAllDocuments(QMdiArea &area);

} // namespace vistrel
