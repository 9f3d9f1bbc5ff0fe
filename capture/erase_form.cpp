#include "capture/erase_form.h"

#include "capture/capture_shell.h"
#include "capture/shot_naming.h"
#include "platform/qrect_bridge.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace vistrel {

namespace {

Point pointOf(const QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    return {at.x(), at.y()};
}

// The strips an outline covers, wide enough for its pen at any pixel ratio.
QRegion outlineArea(const TRect &r)
{
    const int margin = 2;
    const int thick = 2 * margin + 1;
    const int width = r.Width() + 2 * margin;
    const int height = r.Height() + 2 * margin;
    QRegion area(r.Left - margin, r.Top - margin, width, thick);
    area += QRect(r.Left - margin, r.Bottom - 1 - margin, width, thick);
    area += QRect(r.Left - margin, r.Top - margin, thick, height);
    area += QRect(r.Right - 1 - margin, r.Top - margin, thick, height);
    return area;
}

QPen penFor(PenStyle style)
{
    QPen pen(Qt::black, 1);
    pen.setStyle(style == PenStyle::Dotted ? Qt::DotLine : style == PenStyle::Dashed ? Qt::DashLine : Qt::SolidLine);
    return pen;
}

// Wayland compositors keep the focus on a full-screen window and need not show another window of
// the program over it, so a message there is a part of the overlay instead of a window.
bool questionsInsideOverlay() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

} // namespace

TEraseF::TEraseF(std::shared_ptr<CaptureShell> shell)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), shell_(std::move(shell))
{
    setWindowTitle(QStringLiteral("EraseF"));
    // Each overlay holds a whole screen copy: a closed one is freed, not kept hidden. Closing it
    // while the main window is hidden must not end the program.
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setCursor(Qt::CrossCursor);
    // The window itself is made now, during the launcher's hand-over, not when the screen is frozen.
    create();
}

TEraseF::~TEraseF() = default;

void TEraseF::ShowFrozen(ScreenCopy copy)
{
    copy_ = std::move(copy);
    const QRect desktop = copy_.virtualRect();
    setGeometry(desktop);
    const QScreen *primary = QGuiApplication::primaryScreen();
    // A window manager keeps panels above ordinary windows; full-screen state covers them too.
    if (copy_.monitors().size() == 1 && primary && primary->geometry() == desktop)
        showFullScreen();
    else
        show();
    raise();
    activateWindow();
}

TRect TEraseF::clientBounds() const
{
    const QRect desktop = copy_.virtualRect();
    return {0, 0, desktop.width(), desktop.height()};
}

bool TEraseF::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    else if (event->type() == QEvent::WindowDeactivate)
        FormDeactivate();
    return QWidget::event(event);
}

void TEraseF::FormActivate() { draw(state_.FormActivate()); }

void TEraseF::FormDeactivate()
{
    setCursor(Qt::ArrowCursor);
    Q_EMIT keptRectHandedOver(ToQRect(state_.KeptRect));
}

void TEraseF::hideEvent(QHideEvent *event)
{
    // Also when the window system never activated the overlay: the launcher must still learn it.
    Q_EMIT keptRectHandedOver(ToQRect(state_.KeptRect));
    QWidget::hideEvent(event);
}

void TEraseF::draw(const std::vector<Outline> &outlines)
{
    for (const Outline &outline : outlines) {
        layer_.toggle(outline);
        update(outlineArea(outline.rect));
    }
}

void TEraseF::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QPoint origin = copy_.virtualRect().topLeft();
    QRegion uncovered = event->region();
    for (const MonitorCopy &monitor : copy_.monitors()) {
        const QRect place = monitor.logicalRect.translated(-origin);
        if (!event->region().intersects(place))
            continue;
        painter.drawImage(place.topLeft(), monitor.pixels);
        uncovered -= place;
    }
    for (const QRect &gap : uncovered)
        painter.fillRect(gap, Qt::black);
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    for (const Outline &outline : layer_.outlines()) {
        painter.setPen(penFor(outline.style));
        painter.drawRect(outline.rect.Left, outline.rect.Top, outline.rect.Width() - 1, outline.rect.Height() - 1);
    }
}

void TEraseF::mousePressEvent(QMouseEvent *event)
{
    if (asking_)
        return;
    setCursor(Qt::CrossCursor);
    draw(state_.FormMouseDown(pointOf(event)));
}

void TEraseF::mouseMoveEvent(QMouseEvent *event)
{
    if (!asking_)
        draw(state_.FormMouseMove(pointOf(event)));
}

void TEraseF::mouseReleaseEvent(QMouseEvent *event)
{
    if (asking_)
        return;
    state_.FormMouseUp(pointOf(event));
    setCursor(Qt::ArrowCursor);
}

void TEraseF::keyPressEvent(QKeyEvent *event)
{
    if (asking_)
        return; // a key the message inside the overlay did not take
    FormKeyDown(event->key());
    if (!event->text().isEmpty())
        FormKeyPress(event->text());
}

void TEraseF::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape || event->isAutoRepeat() || asking_)
        return;
    Q_EMIT launcherRequested(0);
    close();
}

void TEraseF::FormKeyDown(int key)
{
    setCursor(Qt::CrossCursor);
    if (key < Qt::Key_F1 || key > Qt::Key_F12)
        return;
    const int slot = key - Qt::Key_F1 + 1;
    try {
        SaveShot(slot, NormalizeRect(state_.SelRect));
    } catch (const std::exception &error) {
        reportFailedShot(error);
        return;
    }
    if (askForAnotherShot()) {
        setCursor(Qt::CrossCursor);
        return;
    }
    close();
    Q_EMIT launcherRequested(50);
}

void TEraseF::FormKeyPress(const QString &text)
{
    if (text != QLatin1String("q"))
        return;
    close();
    Q_EMIT launcherRequested(0);
}

void TEraseF::SaveShot(int slot, const TRect &r)
{
    const TRect area = ShotArea(r, clientBounds());
    const QPoint origin = copy_.virtualRect().topLeft();
    const TBitmap pixels = copy_.copyRect(ToQRect(area).translated(origin));
    const std::string path = WriteShot(pixels, shell_->shotsFolder(), slot);
    shell_->recordShot(path);
    draw(state_.ShotWritten());
    lastShotName_ = path;
}

QString TEraseF::ShotMessage(const std::string &shotPath)
{
    return QStringLiteral("Screenshot ") + QFileInfo(QString::fromStdString(shotPath)).fileName() +
           QStringLiteral(" done ! \n\rDo you want to make another screen shoot?");
}

bool TEraseF::askForAnotherShot()
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), ShotMessage(lastShotName_),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("&Yes"));
    box.button(QMessageBox::No)->setText(QStringLiteral("&No"));
    box.setDefaultButton(QMessageBox::Yes);
    return ask(box) == QMessageBox::Yes;
}

int TEraseF::ask(QMessageBox &box)
{
    if (!questionsInsideOverlay())
        return box.exec();
    box.setWindowFlags(Qt::Widget);
    box.setStyleSheet(QStringLiteral("QMessageBox { background: palette(window); border: 2px solid palette(dark); }"));
    box.adjustSize();
    box.move(rect().center() - box.rect().center());
    asking_ = true;
    // Keys go to the overlay's focus widget: it must be the box's, as in a window of its own.
    box.show();
    box.defaultButton()->setFocus();
    const int answer = box.exec();
    asking_ = false;
    return answer;
}

void TEraseF::reportFailedShot(const std::exception &error)
{
    if (!questionsInsideOverlay())
        return shell_->reportError(error, this);
    // Nothing may show over the overlay there: the capture ends and the message comes alone.
    close();
    Q_EMIT launcherRequested(0);
    shell_->reportError(error, nullptr);
}

} // namespace vistrel
