#include "capture/erase_form.h"

#include "capture/capture_settings.h"
#include "capture/capture_shell.h"
#include "capture/shot_naming.h"
#include "platform/qimage_bridge.h"
#include "platform/qrect_bridge.h"

#include <algorithm>
#include <utility>

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

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

constexpr int kMagnifiedSide = 15; // pixels under the pointer shown
constexpr int kMagnification = 8;
constexpr int kColourLine = 18;   // below the magnified pixels: the centre pixel's colour

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
    setMouseTracking(true); // the magnifier follows the pointer also between drags
    restTimer_ = new QTimer(this);
    restTimer_->setSingleShot(true);
    restTimer_->setInterval(400);
    connect(restTimer_, &QTimer::timeout, this, &TEraseF::showWindowUnderPointer);
    // The window itself is made now, during the launcher's hand-over, not when the screen is frozen.
    create();
}

TEraseF::~TEraseF() = default;

void TEraseF::ShowFrozen(ScreenCopy copy, std::vector<QRect> windowFrames)
{
    copy_ = std::move(copy);
    const QRect desktop = copy_.virtualRect();
    for (QRect &frame : windowFrames)
        frame.translate(-desktop.topLeft());
    windowFrames_ = std::move(windowFrames);
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
    placeAids();
}

// The shot's size and place in physical pixels, as F1 to F12 would write it now.
QString TEraseF::sizeText() const
{
    const TRect selection = NormalizeRect(state_.SelRect);
    if (selection.Width() < 3 || selection.Height() < 3)
        return {};
    const QRect area = ToQRect(ShotArea(selection, clientBounds())).translated(copy_.virtualRect().topLeft());
    const qreal scale = copy_.scaleFor(area);
    return QStringLiteral("%1 × %2 at %3,%4")
        .arg(qRound(area.width() * scale))
        .arg(qRound(area.height() * scale))
        .arg(qRound(area.left() * scale))
        .arg(qRound(area.top() * scale));
}

// Below and right of `target`, or wherever else it stays on the overlay.
QRect TEraseF::placeBeside(const QRect &target, QSize size, int gap) const
{
    QRect place(target.right() + gap, target.bottom() + gap, size.width(), size.height());
    if (place.right() >= width())
        place.moveRight(target.left() - gap);
    if (place.bottom() >= height())
        place.moveBottom(target.top() - gap);
    place.moveLeft(std::clamp(place.left(), 0, std::max(0, width() - size.width())));
    place.moveTop(std::clamp(place.top(), 0, std::max(0, height() - size.height())));
    return place;
}

void TEraseF::placeAids()
{
    update(sizeLabelArea_);
    update(magnifierArea_);
    const QString text = sizeText();
    if (text.isEmpty()) {
        sizeLabelArea_ = {};
    } else {
        const QSize size = fontMetrics().size(0, text) + QSize(8, 4);
        const TRect selection = NormalizeRect(state_.SelRect);
        const int below = selection.Bottom + 4;
        const int top = below + size.height() <= height() ? below : std::max(0, selection.Top - 4 - size.height());
        const int left = std::clamp(selection.Left, 0, std::max(0, width() - size.width()));
        sizeLabelArea_ = QRect(QPoint(left, top), size);
    }
    const int side = kMagnifiedSide * kMagnification;
    magnifierArea_ = rect().contains(pointer_)
                         ? placeBeside(QRect(pointer_, QSize(1, 1)), QSize(side + 2, side + kColourLine + 2), 24)
                         : QRect();
    update(sizeLabelArea_);
    update(magnifierArea_);
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
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!restingOn_.isEmpty()) {
        painter.setPen(QPen(QColor(255, 140, 0), 3));
        painter.drawRect(restingOn_.adjusted(1, 1, -2, -2));
    }
    paintSizeLabel(painter);
    paintMagnifier(painter);
}

void TEraseF::paintSizeLabel(QPainter &painter) const
{
    if (sizeLabelArea_.isEmpty())
        return;
    painter.fillRect(sizeLabelArea_, QColor(0, 0, 0, 200));
    painter.setPen(Qt::white);
    painter.drawText(sizeLabelArea_, Qt::AlignCenter, sizeText());
}

void TEraseF::paintMagnifier(QPainter &painter) const
{
    if (magnifierArea_.isEmpty())
        return;
    const int half = kMagnifiedSide / 2;
    const QRect under(pointer_ - QPoint(half, half), QSize(kMagnifiedSide, kMagnifiedSide));
    const QImage pixels = toQImage(copy_.copyRect(under.translated(copy_.virtualRect().topLeft())));
    const int side = kMagnifiedSide * kMagnification;
    const QRect magnified(magnifierArea_.topLeft() + QPoint(1, 1), QSize(side, side));
    painter.fillRect(magnifierArea_, Qt::black);
    painter.drawImage(magnified, pixels); // scaled without smoothing: every pixel a square
    const QRect centre(magnified.left() + half * kMagnification, magnified.top() + half * kMagnification,
                       kMagnification - 1, kMagnification - 1);
    painter.setPen(Qt::white);
    painter.drawRect(centre);
    const QColor colour = pixels.pixelColor(pixels.width() / 2, pixels.height() / 2);
    painter.drawText(QRect(magnifierArea_.left(), magnified.bottom() + 1, magnifierArea_.width(), kColourLine),
                     Qt::AlignCenter, colour.name(QColor::HexRgb).toUpper());
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
    if (asking_)
        return;
    pointer_ = event->position().toPoint();
    update(outlineOfWindow(std::exchange(restingOn_, QRect())));
    if (!state_.Drawing && !windowFrames_.empty())
        restTimer_->start();
    draw(state_.FormMouseMove(pointOf(event)));
}

const QRect *TEraseF::windowAt(QPoint at) const
{
    const auto frame = std::find_if(windowFrames_.begin(), windowFrames_.end(),
                                    [at](const QRect &window) { return window.contains(at); });
    return frame == windowFrames_.end() ? nullptr : &*frame;
}

void TEraseF::showWindowUnderPointer()
{
    const QRect *frame = windowAt(pointer_);
    restingOn_ = frame && !asking_ ? *frame : QRect();
    update(outlineOfWindow(restingOn_));
}

QRegion TEraseF::outlineOfWindow(const QRect &frame)
{
    return frame.isEmpty() ? QRegion() : QRegion(frame.adjusted(-3, -3, 3, 3)) - frame.adjusted(3, 3, -3, -3);
}

void TEraseF::leaveEvent(QEvent *event)
{
    pointer_ = {-1, -1};
    placeAids();
    QWidget::leaveEvent(event);
}

void TEraseF::mouseReleaseEvent(QMouseEvent *event)
{
    if (asking_)
        return;
    if (!std::exchange(snapped_, false))
        state_.FormMouseUp(pointOf(event));
    setCursor(Qt::ArrowCursor);
}

// The window under the pointer, with the outline just outside its frame so that a shot holds
// the whole window; clipped to the screen.
void TEraseF::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (asking_)
        return;
    const QRect *frame = windowAt(event->position().toPoint());
    if (!frame) {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            showNotice(QStringLiteral("Selecting a window by a double-click needs an X11 desktop"));
        return;
    }
    const QRect outline = frame->adjusted(-1, -1, 1, 1).intersected(rect());
    snapped_ = true;
    draw(state_.Select({outline.left(), outline.top(), outline.left() + outline.width(),
                        outline.top() + outline.height()}));
}

void TEraseF::keyPressEvent(QKeyEvent *event)
{
    if (asking_)
        return; // a key the message inside the overlay did not take
    if (event->matches(QKeySequence::Copy) || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        try {
            CopyShot(NormalizeRect(state_.SelRect));
        } catch (const std::exception &error) {
            reportFailedShot(error);
        }
        return;
    }
    if (event->key() >= Qt::Key_Left && event->key() <= Qt::Key_Down)
        return nudge(event);
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

void TEraseF::nudge(const QKeyEvent *event)
{
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    const int dx = event->key() == Qt::Key_Left ? -step : event->key() == Qt::Key_Right ? step : 0;
    const int dy = event->key() == Qt::Key_Up ? -step : event->key() == Qt::Key_Down ? step : 0;
    draw(state_.Nudge(dx, dy, event->modifiers() & Qt::AltModifier, clientBounds()));
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

TBitmap TEraseF::shotPixels(const TRect &r) const
{
    const TRect area = ShotArea(r, clientBounds());
    return copy_.copyRect(ToQRect(area).translated(copy_.virtualRect().topLeft()));
}

void TEraseF::CopyShot(const TRect &r)
{
    const TBitmap pixels = shotPixels(r);
    QGuiApplication::clipboard()->setImage(toQImage(pixels));
    showNotice(QStringLiteral("%1 × %2 pixels copied to the clipboard").arg(pixels.width()).arg(pixels.height()));
}

void TEraseF::showNotice(const QString &text)
{
    if (!notice_) {
        notice_ = new QLabel(this);
        notice_->setObjectName(QStringLiteral("Notice"));
        notice_->setStyleSheet(QStringLiteral("QLabel { background: palette(window); border: 1px solid palette(dark); "
                                              "padding: 6px; }"));
    }
    notice_->setText(text);
    notice_->adjustSize();
    notice_->move((width() - notice_->width()) / 2, 12);
    notice_->show();
    notice_->raise();
    QTimer::singleShot(2000, notice_, [notice = notice_, text] {
        if (notice->text() == text)
            notice->hide();
    });
}

void TEraseF::SaveShot(int slot, const TRect &r)
{
    const TBitmap pixels = shotPixels(r);
    const std::string path = WriteShot(pixels, shell_->shotsFolder(), slot, ReadShotFormat(shell_->settingsFile()));
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
