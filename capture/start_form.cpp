#include "capture/start_form.h"

#include "capture/capture_settings.h"
#include "capture/capture_shell.h"
#include "capture/erase_form.h"
#include "capture/shape_form.h"
#include "platform/error.h"
#include "platform/x11_windows.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QActionGroup>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

static void initCaptureResources() { Q_INIT_RESOURCE(capture); }

namespace vistrel {

namespace {

const char *const kStartHint =
    "go in screenshoot mode, draw rectangle and press F1..F10\nPress q to come back. ";
const char *const kMultiHint = "go to screenshoot mode. Remembers last rectangle.\n"
                               "You can go back to the camera to give focus to another program.\n"
                               "This function is for multi shoots of the same animated object!";

const char *const kButtonStyle =
    "QToolButton { color: white; background: transparent; border: none; }"
    "QToolButton:hover { border: 1px solid rgba(255, 255, 255, 110); border-radius: 5px; }"
    "QToolButton:pressed { background: rgba(255, 255, 255, 45); border-radius: 5px; }";

bool fileExists(const std::string &path) { return !path.empty() && QFileInfo(QString::fromStdString(path)).isFile(); }

} // namespace

TStartF::TStartF(std::shared_ptr<CaptureShell> shell, std::shared_ptr<ScreenSource> screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), shell_(std::move(shell)),
      screen_(std::move(screen))
{
    setWindowTitle(QStringLiteral("StartF"));
    // "Off" ends this launcher's run; every "Shoot" makes a new one.
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(kClientWidth, kClientHeight);
    ShapeForm1 = new TShapeForm(this);
    loadArtwork();

    SpeedButton1 = makeButton(QStringLiteral("Start"), QString::fromUtf8(kStartHint), QRect(138, 7, 42, 28));
    SpeedButton2 = makeButton(QStringLiteral("Off"), QString(), QRect(144, 65, 33, 33));
    SpeedButton3 = makeButton(QStringLiteral("Multi\npicture"), QString::fromUtf8(kMultiHint), QRect(66, 56, 47, 41));
    connect(SpeedButton1, &QToolButton::clicked, this, &TStartF::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TStartF::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TStartF::SpeedButton3Click);
    buildPopupMenu();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TStartF::~TStartF()
{
    if (overlay_)
        overlay_->close();
    delete countDown_;
}

void TStartF::buildPopupMenu()
{
    popup_ = new QMenu(this);
    QAction *png = popup_->addAction(QStringLiteral("Save shots as &PNG"));
    png->setObjectName(QStringLiteral("ShotsAsPng"));
    png->setCheckable(true);
    connect(popup_, &QMenu::aboutToShow, png,
            [this, png] { png->setChecked(ReadShotFormat(shell_->settingsFile()) == PictureFormat::Png); });
    connect(png, &QAction::triggered, this, [this](bool checked) {
        try {
            WriteShotFormat(shell_->settingsFile(), checked ? PictureFormat::Png : PictureFormat::Jpeg);
        } catch (const std::exception &error) {
            shell_->reportError(error, this);
        }
    });

    QMenu *delay = popup_->addMenu(QStringLiteral("&Delay"));
    auto *delays = new QActionGroup(delay);
    for (int seconds = 0; seconds <= kMaxDelaySeconds; ++seconds) {
        QAction *item = delay->addAction(seconds == 0 ? QStringLiteral("None") : QStringLiteral("%1 s").arg(seconds));
        item->setObjectName(QStringLiteral("Delay%1").arg(seconds));
        item->setCheckable(true);
        delays->addAction(item);
        connect(item, &QAction::triggered, this, [this, seconds] {
            try {
                WriteCaptureDelay(shell_->settingsFile(), seconds);
            } catch (const std::exception &error) {
                shell_->reportError(error, this);
            }
        });
    }
    connect(popup_, &QMenu::aboutToShow, delay,
            [this, delay] { delay->actions().at(ReadCaptureDelay(shell_->settingsFile()))->setChecked(true); });
}

void TStartF::contextMenuEvent(QContextMenuEvent *event) { popup_->popup(event->globalPos()); }

TEraseF *TStartF::overlay() const { return overlay_.data(); }

void TStartF::loadArtwork()
{
    initCaptureResources();
    ShapeForm1->SetPicture(QPixmap(QStringLiteral(":/capture/launcher.png")));
    QFile mask(QStringLiteral(":/capture/launcher.mask2"));
    if (!mask.open(QIODevice::ReadOnly))
        throw Error("The launcher's window region is missing from the program");
    ShapeForm1->ReadMask(mask);
}

QToolButton *TStartF::makeButton(const QString &caption, const QString &hint, const QRect &place)
{
    auto *button = new QToolButton(this);
    button->setText(caption);
    button->setToolTip(hint);
    button->setGeometry(place);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus); // keys reach the form, as with key preview
    button->setStyleSheet(QString::fromLatin1(kButtonStyle));
    QFont font = button->font();
    font.setPointSize(8);
    font.setBold(true);
    font.setItalic(true);
    button->setFont(font);
    return button;
}

void TStartF::SpeedButton1Click() { openOverlay(true); }

void TStartF::SpeedButton3Click() { openOverlay(false); }

void TStartF::openOverlay(bool singleShoot)
{
    auto *overlay = new TEraseF(shell_);
    overlay_ = overlay;
    connect(overlay, &TEraseF::keptRectHandedOver, this, [this](QRect kept) {
        RememberedRect = {kept.left(), kept.top(), kept.left() + kept.width(), kept.top() + kept.height()};
    });
    connect(overlay, &TEraseF::launcherRequested, this, &TStartF::comeBack);
    hide();
    countDown(overlay, singleShoot, ReadCaptureDelay(shell_->settingsFile()));
}

void TStartF::countDown(TEraseF *overlay, bool singleShoot, int seconds)
{
    if (seconds <= 0) {
        if (countDown_)
            countDown_->hide();
        // The launcher and the count-down have to be gone from the screen before it is frozen.
        QTimer::singleShot(kHandOverMs, overlay, [this, overlay, singleShoot] { freezeScreen(overlay, singleShoot); });
        return;
    }
    if (!countDown_) {
        countDown_ = new QLabel(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                             Qt::WindowDoesNotAcceptFocus);
        countDown_->setObjectName(QStringLiteral("CountDown"));
        countDown_->setAttribute(Qt::WA_ShowWithoutActivating);
        countDown_->setAlignment(Qt::AlignCenter);
        countDown_->setStyleSheet(QStringLiteral("QLabel { font-size: 28pt; font-weight: bold; padding: 12px; }"));
        countDown_->setFixedSize(96, 72);
    }
    countDown_->setText(QString::number(seconds));
    countDown_->move(geometry().center() - countDown_->rect().center());
    countDown_->show();
    QTimer::singleShot(1000, overlay, [this, overlay, singleShoot, seconds] {
        countDown(overlay, singleShoot, seconds - 1);
    });
}

void TStartF::freezeScreen(TEraseF *overlay, bool singleShoot)
{
    // The desktop may answer later (the portal); by then the launcher or the overlay may be gone.
    const QPointer<TStartF> launcher(this);
    const QPointer<TEraseF> target(overlay);
    screen_->request(
        windowHandle(),
        [launcher, target, singleShoot](ScreenCopy copy) {
            if (launcher && target)
                launcher->showOverlay(target, singleShoot, std::move(copy));
        },
        [launcher, target](const std::string &message) {
            if (launcher)
                launcher->screenRefused(target, message);
        });
}

void TStartF::showOverlay(TEraseF *overlay, bool singleShoot, ScreenCopy copy)
{
    overlay->setSingleShoot(singleShoot);
    if (!singleShoot)
        overlay->setKeptRect(RememberedRect);
    overlay->ShowFrozen(std::move(copy), StackedWindowFrames());
}

void TStartF::screenRefused(TEraseF *overlay, const std::string &message)
{
    if (overlay)
        overlay->deleteLater();
    show();
    if (!message.empty())
        shell_->reportError(Error(message), this);
}

void TStartF::comeBack(int delayMs)
{
    if (delayMs <= 0)
        show();
    else
        QTimer::singleShot(delayMs, this, [this] { show(); });
}

void TStartF::SpeedButton2Click()
{
    shell_->showMainWindow();
    try {
        ShowLastShot();
        const QFileInfo shots(QString::fromStdString(shell_->shotsFolder()));
        if (shots.isDir())
            shell_->selectTreePath(shell_->shotsFolder());
    } catch (const std::exception &error) {
        shell_->reportError(error, nullptr); // over the main window, shown again
    }
}

void TStartF::ShowLastShot()
{
    const std::string lastShot = shell_->lastShotPath();
    if (fileExists(lastShot))
        shell_->openPicture(lastShot);
    shell_->setListDirectory(shell_->lastPicturePath());
    close();
}

void TStartF::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers held =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held == (Qt::ControlModifier | Qt::AltModifier) && QGuiApplication::mouseButtons() == Qt::NoButton)
        hide();
}

} // namespace vistrel
