#include "widgets/collapse_splitter.h"

#include "platform/qrect_bridge.h"

#include <QBoxLayout>
#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>

namespace vistrel {

namespace {

TPoint ToTPoint(const QPoint &point) { return {point.x(), point.y()}; }

std::uint32_t Rgb(const QColor &color) { return color.rgb() & 0xFFFFFFu; }

// The grip dots: a 3 by 3 tile of the face colour with one dot of each texture colour.
QImage GripTile(const QColor &face, const QColor &dot1, const QColor &dot2)
{
    QImage tile(3, 3, QImage::Format_RGB32);
    tile.fill(face);
    tile.setPixelColor(1, 1, dot1);
    tile.setPixelColor(2, 2, dot2);
    return tile;
}

bool IsFixed(int minimum, int maximum) { return minimum == maximum; }

} // namespace

TCollapseSplitter::TCollapseSplitter(QWidget *parent)
    : QWidget(parent), buttonColor_(palette().color(QPalette::Button))
{
    setMouseTracking(true);
    setAlign(alLeft);
    setCursor(Qt::SplitHCursor);
}

void TCollapseSplitter::setAlign(TAlign align)
{
    align_ = align;
    constexpr int kThickness = 10;
    if (IsUprightBar(align)) {
        setMinimumHeight(0);
        setMaximumHeight(QWIDGETSIZE_MAX);
        setFixedWidth(kThickness);
    } else {
        setMinimumWidth(0);
        setMaximumWidth(QWIDGETSIZE_MAX);
        setFixedHeight(kThickness);
    }
    update();
}

void TCollapseSplitter::setBeveled(bool beveled)
{
    beveled_ = beveled;
    update();
}

void TCollapseSplitter::setAllowDrag(bool allow)
{
    allowDrag_ = allow;
    HitTest(mapFromGlobal(QCursor::pos()));
}

void TCollapseSplitter::setButtonWidthType(TButtonWidthType type)
{
    buttonWidthType_ = type;
    setButtonWidth(buttonWidth_);
    update();
}

void TCollapseSplitter::setButtonWidth(int width)
{
    const int clamped = ClampButtonWidth(width, buttonWidthType_);
    if (clamped == buttonWidth_)
        return;
    buttonWidth_ = clamped;
    if (showButton_)
        update();
}

void TCollapseSplitter::setShowButton(bool show)
{
    if (show == showButton_)
        return;
    showButton_ = show;
    update();
}

void TCollapseSplitter::setAutoHighlightColor(bool automatic)
{
    autoHighlight_ = automatic;
    if (!automatic)
        highlightColor_ = QColor(0xCF, 0xCF, 0xFF);
    update();
}

void TCollapseSplitter::setColor(QColor &member, const QColor &color)
{
    if (member == color)
        return;
    member = color;
    update();
}

TRect TCollapseSplitter::ButtonRect() const
{
    return SplitterButtonRect(align_, width(), height(), buttonWidthType_, buttonWidth_, beveled_);
}

QWidget *TCollapseSplitter::Neighbour() const
{
    QWidget *parent = parentWidget();
    if (!parent)
        return nullptr;
    const bool before = align_ == alLeft || align_ == alTop;
    if (auto *layout = qobject_cast<QBoxLayout *>(parent->layout())) {
        const int step = before ? -1 : 1;
        for (int i = layout->indexOf(const_cast<TCollapseSplitter *>(this)) + step;
             i >= 0 && i < layout->count(); i += step) {
            QWidget *candidate = layout->itemAt(i)->widget();
            if (!candidate || candidate->isHidden())
                continue;
            return candidate->isEnabled() ? candidate : nullptr;
        }
        return nullptr;
    }
    // Without a layout: the first shown control just outside the bar on its aligned side.
    const QRect bar = geometry();
    QPoint probe;
    switch (align_) {
    case alLeft: probe = QPoint(bar.left() - 1, bar.top()); break;
    case alRight: probe = QPoint(bar.left() + bar.width(), bar.top()); break;
    case alTop: probe = QPoint(bar.left(), bar.top() - 1); break;
    case alBottom: probe = QPoint(bar.left(), bar.top() + bar.height()); break;
    }
    for (QObject *child : parent->children()) {
        auto *candidate = qobject_cast<QWidget *>(child);
        if (!candidate || candidate == this || candidate->isHidden() || !candidate->isEnabled() ||
            candidate->isWindow())
            continue;
        QRect bounds = candidate->geometry();
        if (bounds.width() == 0)
            bounds.setLeft(bounds.left() - 1);
        if (bounds.height() == 0)
            bounds.setTop(bounds.top() - 1);
        if (bounds.contains(probe))
            return candidate;
    }
    return nullptr;
}

int TCollapseSplitter::NeighbourSize(const QWidget &neighbour) const
{
    if (IsUprightBar(align_))
        return IsFixed(neighbour.minimumWidth(), neighbour.maximumWidth()) ? neighbour.maximumWidth()
                                                                           : neighbour.width();
    return IsFixed(neighbour.minimumHeight(), neighbour.maximumHeight()) ? neighbour.maximumHeight()
                                                                         : neighbour.height();
}

// The neighbour may grow until the far side keeps MinSize.
int TCollapseSplitter::LargestNeighbourSize(const QWidget &neighbour) const
{
    const QWidget *parent = parentWidget();
    if (!parent)
        return QWIDGETSIZE_MAX;
    const int extent = IsUprightBar(align_) ? parent->width() - width() : parent->height() - height();
    return std::max(extent - minSize_, NeighbourSize(neighbour));
}

void TCollapseSplitter::MoveNeighbourTo(int size)
{
    QWidget *neighbour = Neighbour();
    if (!neighbour)
        return;
    const int limited = std::max(size, minSize_);
    if (IsUprightBar(align_))
        neighbour->setFixedWidth(limited);
    else
        neighbour->setFixedHeight(limited);
    repaint();
}

void TCollapseSplitter::ApplyStep(const CollapseStep &step)
{
    if (step.move)
        MoveNeighbourTo(step.moveTo);
    if (step.event == SplitterEvent::Maximize)
        Q_EMIT OnMaximize(this);
    else if (step.event == SplitterEvent::Restore)
        Q_EMIT OnRestore(this);
}

void TCollapseSplitter::setMaximized(bool maximized)
{
    if (maximized == state_.Maximized())
        return;
    QWidget *neighbour = Neighbour();
    if (!neighbour)
        return;
    ApplyStep(state_.SetMaximized(maximized, NeighbourSize(*neighbour), minSize_));
    update();
}

bool TCollapseSplitter::HitTest(const QPoint &point)
{
    const TRect button = ButtonRect();
    const bool onSpan = WithinButtonSpan(align_, button, ToTPoint(point));
    if (!allowDrag_ || onSpan)
        setCursor(Qt::ArrowCursor);
    else
        setCursor(IsUprightBar(align_) ? Qt::SplitHCursor : Qt::SplitVCursor);
    return showButton_ && RectContains(button, ToTPoint(point));
}

void TCollapseSplitter::SetHighlighted(bool highlighted)
{
    if (highlighted == highlighted_)
        return;
    highlighted_ = highlighted;
    update();
}

void TCollapseSplitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return QWidget::mousePressEvent(event);
    pressedOnButton_ = HitTest(event->position().toPoint());
    pressGlobal_ = event->globalPosition().toPoint();
    dragNeighbour_ = Neighbour();
    dragging_ = allowDrag_ && dragNeighbour_;
    if (dragging_)
        dragStartSize_ = NeighbourSize(*dragNeighbour_);
}

void TCollapseSplitter::mouseMoveEvent(QMouseEvent *event)
{
    if (!allowDrag_)
        return QWidget::mouseMoveEvent(event);
    if (dragging_ && dragNeighbour_ && (event->buttons() & Qt::LeftButton)) {
        const QPoint moved = event->globalPosition().toPoint() - pressGlobal_;
        MoveNeighbourTo(DraggedNeighbourSize(align_, dragStartSize_, moved.x(), moved.y(), minSize_,
                                             LargestNeighbourSize(*dragNeighbour_)));
    }
    SetHighlighted(HitTest(event->position().toPoint()));
}

void TCollapseSplitter::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const bool dragged = dragging_;
    dragging_ = false;
    const TPoint release = ToTPoint(event->globalPosition().toPoint());
    if (pressedOnButton_ && HitTest(event->position().toPoint()) &&
        IsButtonClick(align_, ToTPoint(pressGlobal_), release)) {
        if (dragged && dragNeighbour_)
            MoveNeighbourTo(dragStartSize_); // a click is no drag, however slightly the mouse moved
        setMaximized(!state_.Maximized());
    } else if (dragged && dragNeighbour_) {
        ApplyStep(state_.AfterDrag(NeighbourSize(*dragNeighbour_), minSize_));
    }
    pressedOnButton_ = false;
    update();
}

void TCollapseSplitter::enterEvent(QEnterEvent *event)
{
    SetHighlighted(HitTest(event->position().toPoint()));
    QWidget::enterEvent(event);
}

void TCollapseSplitter::leaveEvent(QEvent *event)
{
    SetHighlighted(false);
    pressedOnButton_ = false;
    QWidget::leaveEvent(event);
}

void TCollapseSplitter::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (state_.RestoreSize() == -1)
        if (QWidget *neighbour = Neighbour())
            state_.NoteStartSize(NeighbourSize(*neighbour));
}

QImage TCollapseSplitter::ButtonImage(const TRect &button) const
{
    QImage image(button.Width(), button.Height(), QImage::Format_RGB32);
    const QColor face = highlighted_ ? highlightColor_ : buttonColor_;
    image.fill(QColor(0x80, 0x80, 0x80));
    QPainter painter(&image);
    painter.fillRect(1, 1, image.width() - 2, image.height() - 2, Qt::white);
    const ButtonLayout layout = LayoutButton(align_, image.width(), image.height());
    painter.fillRect(ToQRect(layout.face), face);
    painter.setPen(arrowColor_);
    painter.setBrush(arrowColor_);
    for (const TRect &box : layout.arrows) {
        QPolygon triangle;
        for (const TPoint &corner : ArrowTriangle(align_, state_.Maximized(), box))
            triangle << QPoint(corner.X, corner.Y);
        painter.drawPolygon(triangle);
    }
    if (layout.grip.Width() > 0) {
        QBrush texture(GripTile(face, textureColor1_, textureColor2_));
        painter.setBrushOrigin(layout.grip.Left, layout.grip.Top);
        painter.fillRect(ToQRect(layout.grip), texture);
    }
    return image;
}

void TCollapseSplitter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (beveled_) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, 0, IsUprightBar(align_) ? 0 : width() - 1, IsUprightBar(align_) ? height() - 1 : 0);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(IsUprightBar(align_) ? width() - 1 : 0, IsUprightBar(align_) ? 0 : height() - 1,
                         width() - 1, height() - 1);
    }
    if (!showButton_ || !isEnabled())
        return;
    const TRect button = ButtonRect();
    if (button.Width() <= 0 || button.Height() <= 0)
        return;
    if (autoHighlight_) {
        const std::uint32_t derived =
            DerivedHighlightColor(Rgb(palette().color(QPalette::Highlight)), Rgb(palette().color(QPalette::Button)));
        highlightColor_ = QColor::fromRgb(derived);
    }
    painter.drawImage(button.Left, button.Top, ButtonImage(button));
}

} // namespace vistrel
