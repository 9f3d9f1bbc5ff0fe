#include "document/child_window.h"

#include "document/markup_tool.h"
#include "document/tool_icons.h"
#include "document/zoom.h"
#include "imaging/enhance_form.h"
#include "platform/file_names.h"
#include "platform/program_folder.h"
#include "platform/qimage_bridge.h"
#include "widgets/busy_cursor.h"
#include "widgets/close_all.h"
#include "widgets/help_viewer.h"
#include "widgets/mdi_tiling.h"
#include "widgets/window_list.h"
#include "widgets/error_message.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace vistrel {

namespace {

TMouseState mouseState(const QMouseEvent *event, Qt::MouseButtons buttons, bool doubleClick)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    TMouseState state;
    state.left = buttons & Qt::LeftButton;
    state.right = buttons & Qt::RightButton;
    state.middle = buttons & Qt::MiddleButton;
    state.shift = modifiers & Qt::ShiftModifier;
    state.ctrl = modifiers & Qt::ControlModifier;
    state.alt = modifiers & Qt::AltModifier;
    state.doubleClick = doubleClick;
    return state;
}

Qt::ScrollBarPolicy scrollBarPolicy(bool visible)
{
    return visible ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
}

template <typename T>
T *named(T *object, const char *name)
{
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

QAction *menuItem(QMenu *menu, const char *name, const QString &caption, const char *themeIcon = nullptr)
{
    QAction *action = named(menu->addAction(caption), name);
    if (themeIcon)
        action->setIcon(ThemeMenuIcon(themeIcon));
    return action;
}

// The desktop's usual keys for a command; none of them is a key the program gives another
// meaning (Ctrl+X pastes as an image). They act in the window that has the focus, not in every
// document window of the frame.
void standardKeys(QWidget &window, QAction *action, std::initializer_list<QKeySequence> keys)
{
    action->setShortcuts(QList<QKeySequence>(keys));
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    window.addAction(action);
}

// The Tools menu's effects by their names in the effect table; an empty name is a separator.
struct ToolsMenuItem {
    const char *effect;
    const char *themeIcon;
};
constexpr ToolsMenuItem kToolsMenuLayout[] = {
    {"rotate-right", "object-rotate-right"}, {"rotate-left", "object-rotate-left"}, {"", nullptr},
    {"flipright", nullptr}, {"flipdown", nullptr}, {"mirror-horizontal", nullptr}, {"mirror-vertical", nullptr},
    {"", nullptr},
    {"emboss", nullptr}, {"shadow", nullptr}, {"greyscale", nullptr}, {"antialias", nullptr}, {"invert", nullptr},
    {"", nullptr},
};

} // namespace

TSelectionNotifier &TSelectionNotifier::instance()
{
    static TSelectionNotifier notifier;
    return notifier;
}

TChild::TChild(std::shared_ptr<TChildHost> host, QWidget *parent) : QMdiSubWindow(parent), host_(std::move(host))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Child"));
    setWindowIcon(DocumentToolIcon(ToolIcon::Picture));
    setMinimumSize(80, 80);

    settingsPath_ = host_->settingsFile();

    createActions();
    createToolBar();
    createMenus();
    createPopupMenu();
    createRedactMenu();
    createCopyTextCommand();
    createLayout();
    markup_ = new TMarkupTool(document_, *Image, settingsPath_, *this);
    connect(markup_, &TMarkupTool::pointerMoved, this, &TChild::ShowPointerPosition);

    connect(this, &QMdiSubWindow::windowStateChanged, this, &TChild::onWindowStateChanged);
    connect(&TSelectionNotifier::instance(), &TSelectionNotifier::changed, this, &TChild::actCopyToClipboardUpdate);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &TChild::PasteActionUpdate);
    actCopyToClipboardUpdate();
    PasteActionUpdate();
}

TChild::~TChild()
{
    // Closing the active window deactivates it: the selection made in it ends with it.
    if (active_)
        ProgramSelection().Clear();
    TSelectionNotifier::instance().notify();
    // The control outlives the document: the widgets go after this window's members.
    Image->ForgetPicture();
}

void TChild::createActions()
{
    PasteAction = named(new QAction(QStringLiteral("Paste as Image"), this), "PasteAction");
    PasteAction->setIcon(ThemeMenuIcon("edit-paste"));
    connect(PasteAction, &QAction::triggered, this, &TChild::PasteAsImage);
    standardKeys(*this, PasteAction, {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence::Paste});

    actCopyToClipboard = named(new QAction(QStringLiteral("Copy  to clipboard"), this), "actCopyToClipboard");
    actCopyToClipboard->setIcon(ThemeMenuIcon("edit-copy"));
    connect(actCopyToClipboard, &QAction::triggered, this, &TChild::CopySelection);
    standardKeys(*this, actCopyToClipboard, {QKeySequence::Copy});

    actImgEnhance = named(new QAction(DocumentToolIcon(ToolIcon::Enhance), QStringLiteral("Image Enhancements"), this),
                          "actImgEnhance");
    actImgEnhance->setToolTip(QStringLiteral("Image Enhancements"));
    actImgEnhance->setStatusTip(QStringLiteral("Image Enhancements"));
    connect(actImgEnhance, &QAction::triggered, this, &TChild::actImgEnhanceExecute);

    actUndo = named(new QAction(DocumentToolIcon(ToolIcon::Undo), QStringLiteral("Undo"), this), "actUndo");
    connect(actUndo, &QAction::triggered, this, &TChild::actUndoExecute);
    actRedo = named(new QAction(DocumentToolIcon(ToolIcon::Redo), QStringLiteral("Redo"), this), "actRedo");
    connect(actRedo, &QAction::triggered, this, &TChild::actRedoExecute);
    standardKeys(*this, actUndo, {QKeySequence::Undo});
    standardKeys(*this, actRedo, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // Ctrl+W closes the window through the system menu every MDI window has.
}

void TChild::createToolBar()
{
    ToolBar1 = named(new QToolBar, "ToolBar1");
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    const auto zoomButton = [this](const char *name, ToolIcon icon, const char *caption, void (TChild::*zoom)(),
                                   const char *tip) {
        QAction *button = ToolBar1->addAction(DocumentToolIcon(icon), QString::fromLatin1(caption), this, zoom);
        named(button, name)->setToolTip(QString::fromLatin1(tip));
    };
    zoomButton("ToolButton1", ToolIcon::ZoomIn, "+", &TChild::ZoomIn, "Zoom in");
    zoomButton("ToolButton2", ToolIcon::ZoomOut, "-", &TChild::ZoomOut, "Zoom out");
    zoomButton("ToolButton3", ToolIcon::ZoomOriginal, "0", &TChild::ResetZoom, "Natural size");
    const QList<QAction *> zoom = ToolBar1->actions();
    standardKeys(*this, zoom[0], {QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    standardKeys(*this, zoom[1], {QKeySequence::ZoomOut});
    standardKeys(*this, zoom[2], {QKeySequence(Qt::CTRL | Qt::Key_0)});
    ToolBar1->addAction(actImgEnhance);
    ToolBar1->addAction(actUndo);
    ToolBar1->addAction(actRedo);
    // Six compact buttons fit the narrowest window (kMinimumClientWidth), so none hides behind the
    // tool bar's overflow button.
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setContentsMargins(0, 0, 0, 0);
    ToolBar1->layout()->setSpacing(1);
    for (QAction *action : ToolBar1->actions())
        ToolBar1->widgetForAction(action)->setFixedSize(22, 22);
    ToolBar1->setFixedHeight(ToolBar1->sizeHint().height());
}

QAction *TChild::command(QAction *item, void (TChild::*handler)())
{
    connect(item, &QAction::triggered, this, [this, handler] { RunCommand(this, [this, handler] { (this->*handler)(); }); });
    return item;
}

void TChild::createMenus()
{
    FileMenu = named(new QMenu(QStringLiteral("File"), this), "FileMenu");
    QAction *open =
        command(menuItem(FileMenu, "Open1", QStringLiteral("&Open..."), "document-open"), &TChild::Open1Click);
    open->setStatusTip(QStringLiteral("Open picture"));
    standardKeys(*this, open, {QKeySequence::Open});
    FileMenu->addSeparator();
    FileMenu->addAction(actCopyToClipboard);
    FileMenu->addAction(PasteAction);
    QAction *convertToIcon =
        command(menuItem(FileMenu, "MnuConvertToIcon", QStringLiteral("Convert To Icon")), &TChild::MnuConvertToIconClick);
    convertToIcon->setStatusTip(QStringLiteral("Convert current image as icon"));
    convertToIcon->setVisible(false);
    command(menuItem(FileMenu, "Printdialog2", QStringLiteral("Print dialog")), &TChild::Printdialog2Click);
    QAction *print = command(menuItem(FileMenu, "Print1", QStringLiteral("Print"), "document-print"), &TChild::Print1Click);
    standardKeys(*this, print, {QKeySequence::Print});
    FileMenu->addSeparator();
    command(menuItem(FileMenu, "Sendasmail1", QStringLiteral("Send as mail"), "mail-send"), &TChild::Sendasmail1Click);
    QAction *saveAs =
        command(menuItem(FileMenu, "SaveAs1", QStringLiteral("Save As"), "document-save-as"), &TChild::SaveAs1Click);
    saveAs->setStatusTip(QStringLiteral("Save current picture as *.jpg"));
    standardKeys(*this, saveAs, {QKeySequence::Save, QKeySequence::SaveAs}); // Save As is the only save
    FileMenu->addSeparator();
    connect(menuItem(FileMenu, "CloseAll2", QStringLiteral("Close All"), "window-close"), &QAction::triggered, this,
            &TChild::CloseAllDocuments);
    FileMenu->addSeparator()->setVisible(false);
    QAction *exit = menuItem(FileMenu, "Exit1", QStringLiteral("E&xit"), "application-exit");
    exit->setVisible(false);
    connect(exit, &QAction::triggered, this, &TChild::CloseAllDocuments);

    createToolsMenu();

    WindowMenu = named(new QMenu(QStringLiteral("Window"), this), "WindowMenu");
    connect(menuItem(WindowMenu, "Tile1", QStringLiteral("&Tile")), &QAction::triggered, this, [this] {
        if (mdiArea())
            TileInStrips(*mdiArea());
    });
    connect(menuItem(WindowMenu, "Cascade1", QStringLiteral("&Cascade")), &QAction::triggered, this, [this] {
        if (mdiArea())
            mdiArea()->cascadeSubWindows();
    });
    connect(menuItem(WindowMenu, "CloseAll1", QStringLiteral("Close All"), "window-close"), &QAction::triggered, this,
            &TChild::CloseAllDocuments);
    connect(WindowMenu, &QMenu::aboutToShow, this, [this] {
        if (mdiArea())
            ListDocumentWindows(*WindowMenu, *mdiArea());
    });

    HelpMenu = named(new QMenu(QStringLiteral("&Help"), this), "HelpMenu");
    HelpMenu->menuAction()->setStatusTip(QStringLiteral("Only about so far"));
    QAction *help = menuItem(HelpMenu, "Help2", QStringLiteral("Help"), "help-contents");
    standardKeys(*this, help, {QKeySequence::HelpContents});
    connect(help, &QAction::triggered, this, &TChild::Help2Click);
    QAction *about = menuItem(HelpMenu, "About1", QStringLiteral("&About..."), "help-about");
    about->setStatusTip(QStringLiteral("Only about so far"));
    connect(about, &QAction::triggered, this, [this] { host_->showAbout(); });
    connect(menuItem(HelpMenu, "Donate1", QStringLiteral("Donate")), &QAction::triggered, this,
            [this] { host_->showDonate(); });
}

void TChild::createToolsMenu()
{
    ToolsMenu = named(new QMenu(QStringLiteral("Tools"), this), "ToolsMenu");
    for (const ToolsMenuItem &layout : kToolsMenuLayout) {
        if (!*layout.effect) {
            ToolsMenu->addSeparator();
            continue;
        }
        const EffectEntry &effect = EffectNamed(layout.effect);
        QAction *item = menuItem(ToolsMenu, effect.Name, QString::fromUtf8(effect.Caption), layout.themeIcon);
        connect(item, &QAction::triggered, this, [this, &effect] { runEffect(effect); });
    }
    ToolsMenu->addAction(actImgEnhance);
}

void TChild::createPopupMenu()
{
    PopupMenu1 = named(new QMenu(this), "PopupMenu1");
    QAction *selectAll = menuItem(PopupMenu1, "MnuSelectAll", QStringLiteral("Select All"), "edit-select-all");
    standardKeys(*this, selectAll, {QKeySequence::SelectAll});
    connect(selectAll, &QAction::triggered, this, &TChild::MnuSelectAllClick);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(actCopyToClipboard);
    PopupMenu1->addSeparator();
    QAction *fit = menuItem(PopupMenu1, "FitToWindow", QStringLiteral("Fit to Window"), "zoom-fit-best");
    standardKeys(*this, fit, {QKeySequence(Qt::Key_F)});
    connect(fit, &QAction::triggered, this, &TChild::FitToArea);
}

void TChild::createLayout()
{
    Image = named(new TImage, "Image");
    Image->resize(632, 308);
    Image->installEventFilter(this);

    ScrollBox = named(new QScrollArea, "ScrollBox");
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setWidget(Image);
    ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox->verticalScrollBar()->setSingleStep(30);

    StatusBar1 = named(new QStatusBar, "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = named(new QLabel, "StatusPanel0");
    StatusPanel0->setMinimumWidth(100);
    StatusPanel1 = named(new QLabel, "StatusPanel1");
    StatusPanel1->setFixedWidth(50);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1);
    StatusBar1->setFixedHeight(StatusBar1->sizeHint().height());

    auto *client = new QWidget;
    auto *layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(ScrollBox, 1);
    layout->addWidget(StatusBar1);
    setWidget(client);
    client->setMinimumSize(0, 0);
    resize(640, 394);
}

QList<QMenu *> TChild::Menus() const
{
    return {FileMenu, ToolsMenu, markup_->Menu(), WindowMenu, HelpMenu};
}

// Worked out from the frame rather than read from the client widget, whose geometry is only laid
// out once the window is shown.
int TChild::ClientWidth() const
{
    const QMargins frame = contentsMargins();
    return width() - frame.left() - frame.right();
}

int TChild::ClientHeight() const
{
    const QMargins frame = contentsMargins();
    return height() - frame.top() - frame.bottom();
}

void TChild::SetClientSize(int width, int height)
{
    const QMargins frame = contentsMargins();
    resize(width + frame.left() + frame.right(), height + frame.top() + frame.bottom());
}

void TChild::ShowPicture(TBitmap picture, const std::string &fileName)
{
    document_ = PictureDocument(std::move(picture), fileName);
    document_.SetMarkPainter(PaintMarksInto);
    document_.SetChangeListener([this](int oldWidth, int oldHeight) { DocumentChanged(oldWidth, oldHeight); });
    if (!PicName().empty()) {
        showFileName();
        pictureW_ = Picture().width();
        pictureH_ = Picture().height();
    } else {
        Image->SetStretch(false);
    }
    Image->ShowPicture(Picture());
    SetNaturalSize(Picture().width(), Picture().height());
}

void TChild::showFileName()
{
    setWindowTitle(QFile::decodeName(ExtractFileName(PicName()).c_str()));
    setStatusTip(QFile::decodeName(PicName().c_str()));
}

// The control takes the picture's size, so that zooming (which takes the control's size as the
// natural one) keeps the picture's proportions.
void TChild::SetNaturalSize(int width, int height)
{
    Image->resize(width, height);
    const int bars = ToolBar1->height() + StatusBar1->height();
    if (!PicName().empty())
        SetClientSize(std::max(width, kMinimumClientWidth), height + bars + 10);
    else
        SetClientSize(width, height + bars);
    formW_ = ClientWidth();
    formH_ = ClientHeight();
}

// A command that changes the picture's size (a quarter turn) fits the control and the window to
// the new size at the same zoom, instead of clipping or squashing the picture into the old box.
void TChild::DocumentChanged(int oldWidth, int oldHeight)
{
    discardConfirmed_ = false;
    Image->PictureChanged();
    const int width = Picture().width();
    const int height = Picture().height();
    if ((width == oldWidth && height == oldHeight) || oldWidth <= 0 || oldHeight <= 0)
        return;
    const int zoomedWidth = static_cast<int>(int64_t{Image->width()} * width / oldWidth);
    const int zoomedHeight = static_cast<int>(int64_t{Image->height()} * height / oldHeight);
    if (pictureW_ != 0)
        pictureW_ = width;
    if (pictureH_ != 0)
        pictureH_ = height;
    SetNaturalSize(width, height);
    if (Image->Stretch()) {
        Image->resize(zoomedWidth, zoomedHeight);
        FitWindowToImage();
    }
}

// --- activation -------------------------------------------------------------------------------

void TChild::onWindowStateChanged(Qt::WindowStates oldState, Qt::WindowStates newState)
{
    const bool wasActive = oldState & Qt::WindowActive;
    const bool isActive = newState & Qt::WindowActive;
    if (isActive && !wasActive)
        FormActivate();
    else if (wasActive && !isActive)
        FormDeactivate();
}

// A pasted picture has no folder, so the frame's stays as it was.
void TChild::FormActivate()
{
    active_ = true;
    if (!PicName().empty())
        host_->pictureFolderActivated(ExtractFilePath(PicName()));
}

void TChild::FormDeactivate()
{
    active_ = false;
    if (ProgramSelection().Exists())
        DrawSelectionFrame();
    ClearSelection();
}

// --- zoom -------------------------------------------------------------------------------------

TZoomView TChild::zoomView() const
{
    TZoomView view;
    view.PictureW = pictureW_;
    view.PictureH = pictureH_;
    view.FormW = formW_;
    view.FormH = formH_;
    view.ZoomReady = zoomReady_;
    view.ImageW = Image->width();
    view.ImageH = Image->height();
    view.Stretch = Image->Stretch();
    view.ClientW = ClientWidth();
    view.ClientH = ClientHeight();
    view.ToolBarH = ToolBar1->height();
    view.StatusBarH = StatusBar1->height();
    view.HorzScrollBar = ScrollBox->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    view.VertScrollBar = ScrollBox->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
    return view;
}

void TChild::applyZoomView(const TZoomView &view)
{
    pictureW_ = view.PictureW;
    pictureH_ = view.PictureH;
    zoomReady_ = view.ZoomReady;
    ScrollBox->setVerticalScrollBarPolicy(scrollBarPolicy(view.VertScrollBar));
    ScrollBox->setHorizontalScrollBarPolicy(scrollBarPolicy(view.HorzScrollBar));
    Image->resize(view.ImageW, view.ImageH);
    Image->SetStretch(view.Stretch);
    // Zoomed out, a small picture would pull the window narrower than its tool bar and title.
    SetClientSize(std::max(view.ClientW, kMinimumClientWidth), view.ClientH);
}

void TChild::ZoomIn()
{
    TZoomView view = zoomView();
    vistrel::ZoomIn(view);
    applyZoomView(view);
}

void TChild::ZoomOut()
{
    TZoomView view = zoomView();
    vistrel::ZoomOut(view);
    applyZoomView(view);
}

void TChild::FitWindowToImage()
{
    TZoomView view = zoomView();
    vistrel::FitWindowToImage(view);
    applyZoomView(view);
}

void TChild::ResetZoom()
{
    TZoomView view = zoomView();
    vistrel::ResetZoom(view);
    applyZoomView(view);
}

// The whole picture in view, the window's title bar and close box inside the area.
void TChild::FitToArea()
{
    QMdiArea *area = mdiArea();
    if (!area)
        return;
    const QMargins frame = contentsMargins();
    const QSize room = area->viewport()->size().shrunkBy(frame);
    TZoomView view = zoomView();
    vistrel::FitToArea(view, room.width(), room.height());
    applyZoomView(view);
    move(std::clamp(x(), 0, std::max(area->viewport()->width() - width(), 0)),
         std::clamp(y(), 0, std::max(area->viewport()->height() - height(), 0)));
}

// --- selection and clipboard ------------------------------------------------------------------

bool TChild::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: ImageMouseDown(static_cast<QMouseEvent *>(event), false); break;
        case QEvent::MouseButtonDblClick: ImageMouseDown(static_cast<QMouseEvent *>(event), true); break;
        case QEvent::MouseMove: ImageMouseMove(static_cast<QMouseEvent *>(event)); break;
        case QEvent::ContextMenu:
            PopupMenu1->popup(static_cast<QContextMenuEvent *>(event)->globalPos());
            return true;
        default: break;
        }
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void TChild::ImageMouseDown(QMouseEvent *event, bool doubleClick)
{
    if (!IsPlainLeftButton(mouseState(event, event->buttons(), doubleClick)))
        return;
    TSelection &selection = ProgramSelection();
    if (selection.Exists())
        DrawSelectionFrame();
    const QPoint position = event->position().toPoint();
    BeginSelection(selection, position.x(), position.y(), ToolBar1->height());
    TSelectionNotifier::instance().notify();
}

void TChild::ShowPointerPosition(QPoint position)
{
    StatusPanel0->setText(QStringLiteral("%1:%2").arg(position.x()).arg(position.y()));
}

void TChild::ImageMouseMove(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    ShowPointerPosition(position);
    if (!IsPlainLeftButton(mouseState(event, event->buttons(), false)))
        return;
    DrawSelectionFrame();
    ExtendSelection(ProgramSelection(), position.x(), position.y(), ToolBar1->height());
    DrawSelectionFrame();
    TSelectionNotifier::instance().notify();
}

void TChild::DrawSelectionFrame()
{
    const TSelection &s = ProgramSelection();
    const int toolBar = ToolBar1->height();
    Image->DrawFrame(s.SelX1, s.SelY1 - toolBar, s.SelX2, s.SelY2 - toolBar);
}

void TChild::ClearSelection()
{
    ProgramSelection().Clear();
    // Whatever frames are left over (a "Select All" over an existing frame) go with the selection,
    // as the next repaint would remove them.
    Image->ClearFrames();
    TSelectionNotifier::instance().notify();
}

void TChild::MnuSelectAllClick()
{
    SelectAll(ProgramSelection(), Image->width(), Image->height(), ToolBar1->height());
    DrawSelectionFrame();
    TSelectionNotifier::instance().notify();
}

void TChild::actCopyToClipboardUpdate()
{
    actCopyToClipboard->setEnabled(ProgramSelection().Exists());
}

void TChild::CopySelection()
{
    const TBitmap copied = CopySelectionPixels(document_.FlattenedPicture(), ProgramSelection(), ToolBar1->height());
    if (copied.empty())
        return;
    QGuiApplication::clipboard()->setImage(toQImage(copied));
    DrawSelectionFrame();
    ClearSelection();
}

void TChild::PasteActionUpdate()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    PasteAction->setEnabled(data && data->hasImage());
}

// --- forwarding -------------------------------------------------------------------------------

void TChild::CloseAllDocuments()
{
    if (QMdiArea *area = mdiArea())
        vistrel::CloseAllDocuments(*area);
    else
        close();
}

void TChild::PasteAsImage()
{
    host_->pasteAsImage();
}

// Windows opened from this one close with it, so their pictures are asked about too.
void TChild::closeEvent(QCloseEvent *event)
{
    for (const QPointer<TChild> &opened : std::as_const(opened_))
        if (opened && !opened->QueryClose()) {
            event->ignore();
            return;
        }
    if (!QueryClose()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

bool QueryCloseDocuments(QMdiArea &area)
{
    const QList<QMdiSubWindow *> windows = area.subWindowList();
    for (auto window = windows.rbegin(); window != windows.rend(); ++window)
        if (auto *child = qobject_cast<TChild *>(*window); child && !child->QueryClose())
            return false;
    return true;
}

bool CloseAllDocuments(QMdiArea &area)
{
    if (!QueryCloseDocuments(area))
        return false;
    CloseAllSubWindows(area);
    return true;
}

void TChild::Help2Click() { ShowHelpFile(this); }

// --- image commands ---------------------------------------------------------------------------

void TChild::runEffect(const EffectEntry &effect)
{
    const BusyCursor busy;
    document_.Apply(effect.InPlace ? InPlaceChange(effect.InPlace) : TurnChange(effect.Turn));
}

// A cancelled dialog is still a step of the history, as every other command.
void TChild::actImgEnhanceExecute()
{
    TPicEnhanceForm dialog(this);
    dialog.SetWorkBitmap(Picture());
    const bool accepted = dialog.exec() == TPicEnhanceForm::mrYes;
    document_.Apply([&dialog, accepted](TBitmap &working, TBitmap &result) {
        result = accepted ? dialog.TakeWorkBitmap() : std::move(working);
    });
}

void TChild::actUndoExecute() { document_.Undo(); }

void TChild::actRedoExecute() { document_.Redo(); }

} // namespace vistrel
