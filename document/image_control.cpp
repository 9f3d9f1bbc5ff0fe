#include "document/image_control.h"

#include "platform/qimage_bridge.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <algorithm>

namespace vistrel {

namespace {

const TBitmap kNoPicture; // what a control shows before it has a picture

QVector<QRgb> colourTable(const TBitmap &bitmap)
{
    QVector<QRgb> table;
    table.reserve(static_cast<int>(bitmap.palette().size()));
    for (const PaletteEntry &entry : bitmap.palette())
        table.append(qRgb(entry.r, entry.g, entry.b));
    return table;
}

// Shares the rows of the picture; valid while the picture is unchanged.
QImage sharedImage(const TBitmap &picture, QImage::Format format)
{
    return QImage(picture.scanLine(0), picture.width(), picture.height(),
                  static_cast<qsizetype>(picture.bytesPerLine()), format);
}

QImage sharedIndexedImage(const TBitmap &picture, QImage::Format format)
{
    // The non-const constructor, so setting the colour table does not copy the rows; nothing
    // writes through this image.
    QImage image(const_cast<uchar *>(picture.scanLine(0)), picture.width(), picture.height(),
                 static_cast<qsizetype>(picture.bytesPerLine()), format);
    image.setColorTable(colourTable(picture));
    return image;
}

} // namespace

TImage::TImage(QWidget *parent) : QWidget(parent), picture_(&kNoPicture)
{
    setMouseTracking(true);
}

void TImage::ShowPicture(const TBitmap &picture)
{
    picture_ = &picture;
    PictureChanged();
}

void TImage::ForgetPicture() { ShowPicture(kNoPicture); }

void TImage::PictureChanged()
{
    converted_ = picture_->pixelFormat() == PixelFormat::pf4bit ? toQImage(*picture_) : QImage();
    update();
}

void TImage::SetStretch(bool stretch)
{
    if (stretch_ == stretch)
        return;
    stretch_ = stretch;
    update();
}

QImage TImage::displayImage() const
{
    switch (picture_->pixelFormat()) {
    case PixelFormat::pf24bit: return sharedImage(*picture_, QImage::Format_BGR888);
    case PixelFormat::pf32bit: return sharedImage(*picture_, QImage::Format_RGB32);
    case PixelFormat::pf8bit: return sharedIndexedImage(*picture_, QImage::Format_Indexed8);
    case PixelFormat::pf1bit: return sharedIndexedImage(*picture_, QImage::Format_Mono);
    case PixelFormat::pf4bit: break;
    }
    return converted_;
}

void TImage::DrawFrame(int x1, int y1, int x2, int y2)
{
    const QRect frame(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
    if (frame.isEmpty()) // a frame without area shows nothing, so there is nothing to reverse
        return;
    if (!frames_.removeOne(frame))
        frames_.append(frame);
    updateFrameEdges(frame);
}

void TImage::ClearFrames()
{
    for (const QRect &frame : std::as_const(frames_))
        updateFrameEdges(frame);
    frames_.clear();
}

void TImage::updateFrameEdges(const QRect &frame)
{
    QRegion edges;
    edges += QRect(frame.left(), frame.top(), frame.width(), 1);
    edges += QRect(frame.left(), frame.bottom(), frame.width(), 1);
    edges += QRect(frame.left(), frame.top(), 1, frame.height());
    edges += QRect(frame.right(), frame.top(), 1, frame.height());
    update(edges);
}

void TImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!picture_->empty()) {
        const QImage image = displayImage();
        if (stretch_)
            painter.drawImage(rect(), image);
        else
            painter.drawImage(QPoint(0, 0), image);
    }
    if (frames_.isEmpty())
        return;
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
    painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    // A stroked rectangle covers one pixel more than its size; the outline is to cover exactly
    // the frame's edge pixels, those that updateFrameEdges repaints.
    for (const QRect &frame : std::as_const(frames_))
        painter.drawRect(frame.adjusted(0, 0, -1, -1));
}

} // namespace vistrel
