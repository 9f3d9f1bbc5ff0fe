#include "document/child_window.h"

#include "document/tool_icons.h"
#include "document/zoom.h"
#include "imaging/effects.h"
#include "imaging/enhance_form.h"
#include "platform/file_names.h"
#include "platform/qimage_bridge.h"
#include "widgets/busy_cursor.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
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

QAction *menuItem(QMenu *menu, const QString &caption, const char *themeIcon = nullptr)
{
    QAction *action = menu->addAction(caption);
    if (themeIcon)
        action->setIcon(ThemeMenuIcon(themeIcon));
    return action;
}

// Items whose commands come with the output features; present but not yet usable.
QAction *laterItem(QMenu *menu, const QString &caption, const char *themeIcon = nullptr)
{
    QAction *action = menuItem(menu, caption, themeIcon);
    action->setEnabled(false);
    return action;
}

} // namespace

TSelectionNotifier &TSelectionNotifier::instance()
{
    static TSelectionNotifier notifier;
    return notifier;
}

TChild::TChild(TChildHost host, QWidget *parent) : QMdiSubWindow(parent), host_(std::move(host))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Child"));
    setWindowIcon(DocumentToolIcon(ToolIcon::Picture));
    setMinimumSize(80, 80);

    const QString helpFile = QCoreApplication::applicationDirPath() + QStringLiteral("/Vistrel.hlp");
    if (QFileInfo::exists(helpFile))
        helpFile_ = helpFile;
    settingsPath_ = host_.SettingsFile;

    createActions();
    createToolBar();
    createMenus();
    createPopupMenu();
    createLayout();

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
}

void TChild::createActions()
{
    PasteAction = new QAction(QStringLiteral("Paste as Image"), this);
    PasteAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    PasteAction->setIcon(ThemeMenuIcon("edit-paste"));
    connect(PasteAction, &QAction::triggered, this, [this] {
        if (host_.PasteAsImage)
            host_.PasteAsImage();
    });

    actCopyToClipboard = new QAction(QStringLiteral("Copy  to clipboard"), this);
    actCopyToClipboard->setIcon(ThemeMenuIcon("edit-copy"));
    connect(actCopyToClipboard, &QAction::triggered, this, &TChild::CopySelection);

    actImgEnhance = new QAction(DocumentToolIcon(ToolIcon::Enhance), QStringLiteral("Image Enhancements"), this);
    actImgEnhance->setToolTip(QStringLiteral("Image Enhancements"));
    actImgEnhance->setStatusTip(QStringLiteral("Image Enhancements"));
    connect(actImgEnhance, &QAction::triggered, this, &TChild::actImgEnhanceExecute);

    actUndo = new QAction(DocumentToolIcon(ToolIcon::Undo), QStringLiteral("Undo"), this);
    connect(actUndo, &QAction::triggered, this, &TChild::actUndoExecute);
    actRedo = new QAction(DocumentToolIcon(ToolIcon::Redo), QStringLiteral("Redo"), this);
    connect(actRedo, &QAction::triggered, this, &TChild::actRedoExecute);
}

void TChild::createToolBar()
{
    ToolBar1 = new QToolBar;
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setMovable(false);
    ToolButton1 = ToolBar1->addAction(DocumentToolIcon(ToolIcon::ZoomIn), QStringLiteral("+"), this, &TChild::ZoomIn);
    ToolButton1->setToolTip(QStringLiteral("Zoom in"));
    ToolButton2 = ToolBar1->addAction(DocumentToolIcon(ToolIcon::ZoomOut), QStringLiteral("-"), this, &TChild::ZoomOut);
    ToolButton2->setToolTip(QStringLiteral("Zoom out"));
    ToolButton3 = ToolBar1->addAction(DocumentToolIcon(ToolIcon::ZoomOriginal), QStringLiteral("0"), this, &TChild::ResetZoom);
    ToolButton3->setToolTip(QStringLiteral("Natural size"));
    ToolBar1->addAction(actImgEnhance);
    ToolBar1->addAction(actUndo);
    ToolBar1->addAction(actRedo);
    ToolBar1->setFixedHeight(ToolBar1->sizeHint().height());
}

void TChild::createMenus()
{
    FileMenu = new QMenu(QStringLiteral("File"), this);
    Open1 = laterItem(FileMenu, QStringLiteral("&Open..."), "document-open");
    Open1->setStatusTip(QStringLiteral("Open picture"));
    FileMenu->addSeparator();
    FileMenu->addAction(actCopyToClipboard);
    FileMenu->addAction(PasteAction);
    MnuConvertToIcon = laterItem(FileMenu, QStringLiteral("Convert To Icon"));
    MnuConvertToIcon->setStatusTip(QStringLiteral("Convert current image as icon"));
    MnuConvertToIcon->setVisible(false);
    Printdialog2 = laterItem(FileMenu, QStringLiteral("Print dialog"));
    Print1 = laterItem(FileMenu, QStringLiteral("Print"), "document-print");
    FileMenu->addSeparator();
    Sendasmail1 = laterItem(FileMenu, QStringLiteral("Send as mail"), "mail-send");
    SaveAs1 = laterItem(FileMenu, QStringLiteral("Save As"), "document-save-as");
    SaveAs1->setStatusTip(QStringLiteral("Save current picture as *.jpg"));
    FileMenu->addSeparator();
    CloseAll2 = menuItem(FileMenu, QStringLiteral("Close All"), "window-close");
    connect(CloseAll2, &QAction::triggered, this, &TChild::CloseAllDocuments);
    FileMenu->addSeparator()->setVisible(false);
    Exit1 = menuItem(FileMenu, QStringLiteral("E&xit"), "application-exit");
    Exit1->setVisible(false);
    connect(Exit1, &QAction::triggered, this, [this] {
        CloseAllDocuments();
        close();
    });

    ToolsMenu = new QMenu(QStringLiteral("Tools"), this);
    Rotate90R1 = menuItem(ToolsMenu, QStringLiteral("Rotate 90° (R)"), "object-rotate-right");
    connect(Rotate90R1, &QAction::triggered, this, [this] { runRotation(Rotate90Right); });
    Rotate90L1 = menuItem(ToolsMenu, QStringLiteral("Rotate 90° (L)"), "object-rotate-left");
    connect(Rotate90L1, &QAction::triggered, this, [this] { runRotation(Rotate90Left); });
    ToolsMenu->addSeparator();
    struct EffectItem {
        QAction *&item;
        const char *caption;
        void (*routine)(TBitmap &);
    };
    const EffectItem turns[] = {
        {FlipRight1, "Flip Right", FlipRight},
        {FlipDown1, "Flip Down", FlipDown},
        {Mirror1, "Mirror horizontal", MirrorHorizontal},
        {Mirrorvertical1, "Mirror vertical", MirrorVertical},
    };
    const EffectItem pixelEffects[] = {
        {Emboss1, "Emboss", Emboss},         {Shadow1, "Shadow", Shadow},   {Greyscale1, "Grey scale", GreyScale},
        {Antialias1, "Anti alias", AntiAlias}, {Invert1, "Invert", Invert},
    };
    const auto addEffects = [this](const auto &items) {
        for (const EffectItem &effect : items) {
            effect.item = menuItem(ToolsMenu, QString::fromUtf8(effect.caption));
            const auto routine = effect.routine;
            connect(effect.item, &QAction::triggered, this, [this, routine] { runEffect(routine); });
        }
    };
    addEffects(turns);
    ToolsMenu->addSeparator();
    addEffects(pixelEffects);
    ToolsMenu->addSeparator();
    ToolsMenu->addAction(actImgEnhance);

    WindowMenu = new QMenu(QStringLiteral("Window"), this);
    Tile1 = menuItem(WindowMenu, QStringLiteral("&Tile"));
    connect(Tile1, &QAction::triggered, this, [this] {
        if (mdiArea())
            mdiArea()->tileSubWindows();
    });
    Cascade1 = menuItem(WindowMenu, QStringLiteral("&Cascade"));
    connect(Cascade1, &QAction::triggered, this, [this] {
        if (mdiArea())
            mdiArea()->cascadeSubWindows();
    });
    CloseAll1 = menuItem(WindowMenu, QStringLiteral("Close All"), "window-close");
    connect(CloseAll1, &QAction::triggered, this, &TChild::CloseAllDocuments);

    HelpMenu = new QMenu(QStringLiteral("&Help"), this);
    HelpMenu->menuAction()->setStatusTip(QStringLiteral("Only about so far"));
    Help2 = menuItem(HelpMenu, QStringLiteral("Help"), "help-contents");
    connect(Help2, &QAction::triggered, this, &TChild::Help2Click);
    About1 = laterItem(HelpMenu, QStringLiteral("&About..."), "help-about");
    About1->setStatusTip(QStringLiteral("Only about so far"));
    Donate1 = laterItem(HelpMenu, QStringLiteral("Donate"));
}

void TChild::createPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    MnuSelectAll = menuItem(PopupMenu1, QStringLiteral("Select All"), "edit-select-all");
    connect(MnuSelectAll, &QAction::triggered, this, &TChild::MnuSelectAllClick);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(actCopyToClipboard);
}

void TChild::createLayout()
{
    Image = new TImage;
    Image->resize(632, 308);
    Image->installEventFilter(this);

    ScrollBox = new QScrollArea;
    ScrollBox->setFrameShape(QFrame::NoFrame);
    ScrollBox->setWidgetResizable(false);
    ScrollBox->setWidget(Image);
    ScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox->verticalScrollBar()->setSingleStep(30);

    StatusBar1 = new QStatusBar;
    StatusBar1->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel;
    StatusPanel0->setMinimumWidth(100);
    StatusPanel1 = new QLabel;
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
    return {FileMenu, ToolsMenu, WindowMenu, HelpMenu};
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

void TChild::FormActivate()
{
    active_ = true;
    if (host_.SetLastPicturePath)
        host_.SetLastPicturePath(ExtractFilePath(PicName));
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
    view.PictureW = PictureW;
    view.PictureH = PictureH;
    view.FormW = FormW;
    view.FormH = FormH;
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
    PictureW = view.PictureW;
    PictureH = view.PictureH;
    zoomReady_ = view.ZoomReady;
    ScrollBox->setVerticalScrollBarPolicy(scrollBarPolicy(view.VertScrollBar));
    ScrollBox->setHorizontalScrollBarPolicy(scrollBarPolicy(view.HorzScrollBar));
    Image->resize(view.ImageW, view.ImageH);
    Image->SetStretch(view.Stretch);
    SetClientSize(view.ClientW, view.ClientH);
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

void TChild::ImageMouseMove(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    StatusPanel0->setText(QStringLiteral("%1:%2").arg(position.x()).arg(position.y()));
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
    const TBitmap copied = CopySelectionPixels(Image->Picture(), ProgramSelection(), ToolBar1->height());
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
    QMdiArea *area = mdiArea();
    if (!area)
        return;
    const QList<QMdiSubWindow *> children = area->subWindowList();
    for (int i = static_cast<int>(children.size()) - 1; i >= 0; --i)
        children[i]->close();
}

void TChild::Help2Click()
{
    if (!helpFile_.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile_));
}

// --- image commands ---------------------------------------------------------------------------

void TChild::runEffect(void (*routine)(TBitmap &))
{
    const BusyCursor busy;
    RunEffectCommand(Image->Picture(), history_, routine);
    Image->PictureChanged();
}

void TChild::runRotation(void (*routine)(TBitmap &, TBitmap &))
{
    const BusyCursor busy;
    RunRotationCommand(Image->Picture(), history_, routine);
    Image->PictureChanged();
}

void TChild::actImgEnhanceExecute()
{
    TPicEnhanceForm dialog(this);
    dialog.SetWorkBitmap(Image->Picture());
    history_.SnapshotBefore(Image->Picture());
    if (dialog.exec() == TPicEnhanceForm::mrYes) {
        Image->Picture() = dialog.TakeWorkBitmap();
        Image->PictureChanged();
    }
    history_.SnapshotAfter(Image->Picture());
}

void TChild::actUndoExecute()
{
    history_.UndoStep(Image->Picture());
    Image->PictureChanged();
}

void TChild::actRedoExecute()
{
    history_.RedoStep(Image->Picture());
    Image->PictureChanged();
}

} // namespace vistrel
