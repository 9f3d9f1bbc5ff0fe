#include "app/main_window.h"

#include "about/about_box.h"
#include "about/donate_form.h"
#include "app/error_handler.h"
#include "app/file_move_queue.h"
#include "app/tool_icons.h"
#include "document/child_window.h"
#include "platform/error.h"
#include "platform/file_names.h"
#include "platform/program_folder.h"
#include "platform/safe_file.h"
#include "settings/ini_file.h"
#include "settings/save_bounds.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"
#include "widgets/close_all.h"
#include "widgets/help_viewer.h"
#include "widgets/collapse_splitter.h"
#include "widgets/mdi_tiling.h"
#include "widgets/window_list.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSessionManager>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMoveEvent>
#include <QScreen>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>


// The resources live in a static library, so nothing would pull them in on its own.
static void InitResources() { Q_INIT_RESOURCE(resources); }

namespace vistrel {

namespace {

const char kStartSection[] = "Start with";
const char kStartDirKey[] = "StartDir";

// The MDI client area: after its own background it draws the tile at every TilePositions point of
// the frame's client size, so the tiles stay anchored at the top left while the frame resizes.
class TileClientArea : public QMdiArea {
public:
    TileClientArea(QWidget &frame, const QImage &tile) : QMdiArea(&frame), frame_(frame), tile_(tile)
    {
        // Windows larger than the area, or moved beyond it, stay within reach.
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QMdiArea::paintEvent(event);
        if (tile_.isNull())
            return;
        if (tileKey_ != tile_.cacheKey()) {
            pixmap_ = QPixmap::fromImage(tile_);
            tileKey_ = tile_.cacheKey();
        }
        QPainter painter(viewport());
        for (const QPoint &position :
             TForm1::TilePositions(pixmap_.width(), pixmap_.height(), frame_.width(), frame_.height()))
            painter.drawPixmap(position, pixmap_);
    }

private:
    QWidget &frame_;
    const QImage &tile_; // the frame's TileBitmap; once released, nothing is drawn
    QPixmap pixmap_;
    qint64 tileKey_ = 0;
};

// A user with no remembered picture folder starts in the home folder.
FrameState InitialFrameState()
{
    const ProgramFolders folders = LocateProgramFolders();
    return FrameState(folders.settingsFolder + "Vistrel.ini", folders.shotsParent + "Shots",
                      QFile::encodeName(QDir::homePath()).toStdString());
}

} // namespace

TForm1::TForm1(QWidget *parent)
    : QMainWindow(parent), state_(InitialFrameState()), childHost_(MakeChildHost()), SaveBounds1(new TSaveBounds(this))
{
    InitResources();
    setWindowTitle(QStringLiteral("-"));
    mdiArea_ = new TileClientArea(*this, TileBitmap);
    createActions();
    createMenus();
    createToolBar();
    createBrowserPane();
    FormCreate();
    wireOpeningCommands();
    wireCaptureCommands();
    wireAboutCommands();
    wireBrowserPane();
    wireIconCommand();
    // Last, when every bar and pane is in and the window's minimum size is what it will be.
    RunCommand(this, [this] { SaveBounds1->ReadBounds(this, state_.SettingsFile()); });
}

TForm1::~TForm1() { FormDestroy(); }

QAction *TForm1::NewAction(const char *name, const QString &caption, const QString &hint)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        action->setStatusTip(hint);
        action->setToolTip(hint);
    }
    return action;
}

void TForm1::createActions()
{
    actShoot = NewAction("actShoot", QStringLiteral("Shoot"), QStringLiteral("Take a shot"));
    actShoot->setIcon(ShootIcon());
    actEdit = NewAction("actEdit", QStringLiteral("Edit"), QStringLiteral("Edit Picture"));
    actEdit->setIcon(EditIcon());
    actIcon = NewAction("actIcon", QStringLiteral("Create Icon"), QStringLiteral("Convert to Icon"));
    actIcon->setIcon(CreateIconIcon());
    PasteAction = NewAction("PasteAction", QStringLiteral("Paste as Image"), {});
    PasteAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence::Paste});
    Open1 = NewAction("Open1", QStringLiteral("&Open..."), QStringLiteral("Open picture"));
    Open1->setShortcut(QKeySequence::Open);
    About1 = NewAction("About1", QStringLiteral("&About..."), QStringLiteral("Only about so far"));
    Donate1 = NewAction("Donate1", QStringLiteral("Donate"), {});
    Donate1->setVisible(false);
    // Their commands are wired by the code that builds them, which enables them.
    for (QAction *later : {actShoot, actEdit, actIcon, PasteAction, Open1, About1, Donate1})
        later->setEnabled(false);

    Exit1 = NewAction("Exit1", QStringLiteral("Exit"), {});
    connect(Exit1, &QAction::triggered, this, &QWidget::close);
    Tile1 = NewAction("Tile1", QStringLiteral("&Tile"), {});
    connect(Tile1, &QAction::triggered, mdiArea_, [area = mdiArea_] { TileInStrips(*area); });
    Cascade1 = NewAction("Cascade1", QStringLiteral("&Cascade"), {});
    connect(Cascade1, &QAction::triggered, mdiArea_, &QMdiArea::cascadeSubWindows);
    CloseAll1 = NewAction("CloseAll1", QStringLiteral("Close All"), {});
    connect(CloseAll1, &QAction::triggered, this, &TForm1::CloseAllChildren);
    Help2 = NewAction("Help2", QStringLiteral("Help"), {});
    Help2->setShortcut(QKeySequence::HelpContents);
    connect(Help2, &QAction::triggered, this, &TForm1::Help2Click);
}

void TForm1::createMenus()
{
    fileMenu_ = menuBar()->addMenu(QStringLiteral("File"));
    fileMenu_->addAction(Open1);
    fileMenu_->addAction(PasteAction);
    fileMenu_->addSeparator();
    fileMenu_->addAction(Exit1);
    fileMenu_->addSeparator();

    windowMenu_ = menuBar()->addMenu(QStringLiteral("Window"));
    windowMenu_->addAction(Tile1);
    windowMenu_->addAction(Cascade1);
    windowMenu_->addAction(CloseAll1);
    connect(windowMenu_, &QMenu::aboutToShow, this, [this] { ListDocumentWindows(*windowMenu_, *mdiArea_); });

    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu_->addAction(Help2);
    helpMenu_->addAction(About1);
    helpMenu_->addAction(Donate1);
}

void TForm1::createToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setFixedHeight(41);
    for (QAction *command : {actShoot, actEdit, actIcon}) {
        ToolBar1->addAction(command);
        ToolBar1->widgetForAction(command)->setFixedSize(39, 38);
    }

    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusPanel0 = new QLabel(StatusBar1);
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setMaximumWidth(400);
    StatusBar1->addWidget(StatusPanel0, 1);
}

void TForm1::createBrowserPane()
{
    DirTree = new TDirTree;
    DirTree->setObjectName(QStringLiteral("DirTree"));
    thumblist = new TShExplorerListView;
    thumblist->setObjectName(QStringLiteral("thumblist"));
    // Every picture the windows open, in any letter case.
    thumblist->setFilters({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.bmp"),
                           QStringLiteral("*.png"), QString()});

    // The splitter sets its own size limits from its children, so the collapsible bar sizes the
    // panel around it instead.
    auto *Splitter1 = new QSplitter(Qt::Vertical);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(8);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(DirTree);
    Splitter1->addWidget(thumblist);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({168, 300});

    Panel1 = new QFrame;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto *panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(Splitter1);
    Panel1->setFixedWidth(200);

    CollapseSplitter1 = new TCollapseSplitter;
    CollapseSplitter1->setObjectName(QStringLiteral("CollapseSplitter1"));
    CollapseSplitter1->setAlign(alLeft);
    CollapseSplitter1->setMinSize(1);
    CollapseSplitter1->setButtonWidth(211);

    auto *central = new QWidget;
    auto *layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(CollapseSplitter1);
    layout->addWidget(mdiArea_, 1);
    setCentralWidget(central);
}

void TForm1::FormCreate()
{
    TileBitmap = QImage(QStringLiteral(":/BACKTILE"), "BMP");
    setAcceptDrops(true);

    QDir().mkdir(QFile::decodeName(state_.ShotsFolder().c_str())); // the overlay retries before each capture
    RemoveStaleTemporaryFiles(ExtractFilePath(state_.SettingsFile()));
    RemoveStaleTemporaryFiles(state_.ShotsFolder());

    try {
        const std::string stored =
            ReadIniString(state_.SettingsFile(), kStartSection, kStartDirKey, state_.LastPicturePath());
        if (QFileInfo(QFile::decodeName(stored.c_str())).isDir())
            state_.SetLastPicturePath(stored);
        storedListChoices_ = ReadListChoices(state_.SettingsFile());
        listView_ = storedListChoices_.View;
        thumblist->setSortColumn(storedListChoices_.SortColumn);
        thumblist->setSortDirection(storedListChoices_.Direction);
    } catch (const std::exception &error) {
        ShowErrorMessage(error, this);
    }
    connect(qApp, &QGuiApplication::commitDataRequest, this, &TForm1::QueryEndSession);

    StartBrowserPane();
}

// Changed pictures are asked about first, and Cancel keeps the program running. Then closing
// always goes on: a settings file that cannot be written is reported, and the windows still close.
bool TForm1::FormCloseQuery()
{
    if (!QueryCloseDocuments(*mdiArea_))
        return false;
    SaveClosingSettings();
    CloseAllSubWindows(*mdiArea_);
    return true;
}

// The desktop session is ending: the user may still save, or cancel the logout.
void TForm1::QueryEndSession(QSessionManager &manager)
{
    if (!manager.allowsInteraction())
        return;
    const bool mayEnd = QueryCloseDocuments(*mdiArea_);
    manager.release();
    if (!mayEnd)
        manager.cancel();
}

// The remembered folder and the list's view and order, then the window's bounds, written while the window is still on screen:
// a program folder that cannot be written is then said once, over the window, rather than by a
// message for each value and notice, some after the window is gone.
void TForm1::SaveClosingSettings()
{
    std::string failure;
    {
        const ScopedIniNoticeHandler quiet([&failure](const std::string &notice) {
            if (failure.empty())
                failure = notice;
        });
        try {
            WriteIniString(state_.SettingsFile(), kStartSection, kStartDirKey, state_.LastPicturePath());
            const ListChoices list{listView_, thumblist->SortColumn(), thumblist->SortDirection()};
            if (failure.empty() && list != storedListChoices_) // a file without them says the defaults
                WriteListChoices(state_.SettingsFile(), list);
            if (failure.empty())
                SaveBounds1->WriteBounds(this, state_.SettingsFile());
        } catch (const std::exception &error) {
            failure = error.what(); // says why, where a notice only says what
        }
    }
    boundsSaved_ = true;
    if (!failure.empty())
        ShowErrorMessage(Error(failure), this);
}

void TForm1::FormDestroy()
{
    TileBitmap = QImage();
    if (boundsSaved_)
        return;
    try {
        SaveBounds1->WriteBounds(this, state_.SettingsFile());
    } catch (const std::exception &error) {
        ShowErrorMessage(error);
    }
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

bool TForm1::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        ShowAppHint(static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TForm1::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    KeepFrameOnDesktop();
}

// The stored bounds are fitted to the desktop before the window manager adds its frame; once the
// frame is known, its title bar and edges are brought onto the desktop too. Only once, so a window
// the user drags partly off the screen stays there.
void TForm1::KeepFrameOnDesktop()
{
    const QRect frame = frameGeometry();
    if (framePlaced_ || frame == geometry() || !screen())
        return;
    framePlaced_ = true;
    const QRect desktop = screen()->availableVirtualGeometry();
    QPoint corner = frame.topLeft();
    corner.setX(std::max(std::min(corner.x(), desktop.right() + 1 - frame.width()), desktop.left()));
    corner.setY(std::max(std::min(corner.y(), desktop.bottom() + 1 - frame.height()), desktop.top()));
    if (corner != frame.topLeft())
        move(corner);
}

void TForm1::ShowAppHint(const QString &hint) { StatusPanel0->setText(hint); }

void TForm1::Help2Click() { ShowHelpFile(this); }

std::vector<QPoint> TForm1::TilePositions(int tileWidth, int tileHeight, int clientWidth, int clientHeight)
{
    std::vector<QPoint> positions;
    if (tileWidth <= 0 || tileHeight <= 0 || clientWidth < 0 || clientHeight < 0)
        return positions;
    for (int column = 0; column <= clientWidth / tileWidth; ++column)
        for (int row = 0; row <= clientHeight / tileHeight; ++row)
            positions.emplace_back(column * tileWidth, row * tileHeight);
    return positions;
}

int TForm1::MDIChildCount() const { return static_cast<int>(mdiArea_->subWindowList().size()); }

QMdiSubWindow *TForm1::MDIChild(int index) const { return mdiArea_->subWindowList().value(index); }

QMdiSubWindow *TForm1::ActiveMDIChild() const { return mdiArea_->activeSubWindow(); }

bool TForm1::CloseAllChildren() { return CloseAllDocuments(*mdiArea_); }

QString TForm1::AboutComments() const
{
    return QStringLiteral(
        "\r\nThis Screen shoot utility helps you to capture any part of the windows screen."
        "\r\n\r\nVistrel saves up to 10 images in one session.It has the ability to created multiple "
        "screenshootsfrom the same frame, which allow to copy an animation."
        "\r\n\r\nYou can convert those shoots images in icons.Together with an Icon Editor it is "
        "simplypossible to create movie-like animated icons."
        "\r\n\n\r\n\rVistrel is freeware! But if you keep it, I I want you to provide a suitable rating at "
        "the download sitewhere you found it. I would be pleased even more when youtell other useres "
        "about Vistrel by suggesting it (submit) to other download sites."
        "\r\n\r\nThanks for using Vistrel.!");
}

} // namespace vistrel
