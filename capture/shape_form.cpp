#include "capture/shape_form.h"

#include "platform/error.h"
#include "platform/qrect_bridge.h"

#include <QEvent>
#include <QIODevice>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace vistrel {

TShapeForm::TShapeForm(QWidget *owner) : QWidget(owner), mask_(std::make_unique<TRegionType>(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    adoptParent();
}

TShapeForm::~TShapeForm() = default;

void TShapeForm::SetMask(std::unique_ptr<TRegionType> mask)
{
    if (!mask)
        return;
    mask_ = std::move(mask);
    mask_->Control = this;
}

void TShapeForm::SetPicture(const QPixmap &picture)
{
    picture_ = picture;
    PictureChanged();
    update();
}

void TShapeForm::PictureChanged() { mask_->Region.reset(); }

void TShapeForm::ReadMask(QIODevice &stream)
{
    uint8_t sizeBytes[4];
    if (stream.read(reinterpret_cast<char *>(sizeBytes), 4) != 4)
        throw Error("Invalid window region data: size cut short");
    const int32_t dataSize = ReadMask2Size(sizeBytes);
    if (dataSize == 0) {
        mask_->Region.reset();
        return;
    }
    if (!stream.isSequential() && stream.bytesAvailable() < dataSize)
        throw Error("Invalid window region data: region cut short");
    std::vector<uint8_t> data(static_cast<size_t>(dataSize));
    if (stream.read(reinterpret_cast<char *>(data.data()), dataSize) != dataSize)
        throw Error("Invalid window region data: region cut short");
    RegionData region = ParseRegionData(data.data(), data.size());
    maskData_ = std::move(data);
    applyRegion(region);
    mask_->Region = std::move(region);
}

void TShapeForm::WriteMask(QIODevice &stream) const
{
    const std::vector<uint8_t> bytes = WriteMask2(mask_->Region);
    if (stream.write(reinterpret_cast<const char *>(bytes.data()), static_cast<qint64>(bytes.size())) !=
        static_cast<qint64>(bytes.size()))
        throw Error("Unable to write the window region: " + stream.errorString().toStdString());
}

QRegion TShapeForm::toQRegion(const RegionData &region)
{
    QRegion shape;
    for (const TRect &r : region.rects)
        shape += ToQRect(r);
    return shape;
}

void TShapeForm::applyRegion(const RegionData &region)
{
    if (QWidget *form = parentWidget())
        form->window()->setMask(toQRegion(region));
}

void TShapeForm::adoptParent()
{
    QWidget *form = parentWidget();
    if (!form)
        return;
    if (form->isWindow())
        form->setWindowFlag(Qt::FramelessWindowHint, true);
    form->installEventFilter(this);
    setGeometry(form->rect());
}

bool TShapeForm::event(QEvent *event)
{
    if (event->type() == QEvent::ParentAboutToChange && parentWidget())
        parentWidget()->removeEventFilter(this);
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange)
        adoptParent();
    return handled;
}

bool TShapeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TShapeForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawPixmap(0, 0, picture_);
}

void TShapeForm::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !Draggable)
        return;
    QWidget *form = window();
    QWindow *handle = form->windowHandle();
    if (handle && handle->startSystemMove())
        return;
    manualDragOffset_ = event->globalPosition().toPoint() - form->pos();
}

void TShapeForm::mouseMoveEvent(QMouseEvent *event)
{
    if (manualDragOffset_)
        window()->move(event->globalPosition().toPoint() - *manualDragOffset_);
}

void TShapeForm::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        manualDragOffset_.reset();
}

} // namespace vistrel
