#include "document/markup_painter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace vistrel {

namespace {

QPointF centre(MarkPoint p)
{
    return {p.x + 0.5, p.y + 0.5};
}

QColor colourOf(const Mark &mark)
{
    return QColor(mark.colour.r, mark.colour.g, mark.colour.b);
}

QFont fontOf(const Mark &mark)
{
    QFont font;
    font.setPixelSize(mark.textSize);
    font.setBold(mark.kind == MarkKind::Step);
    return font;
}

QPolygonF path(const Mark &mark)
{
    QPolygonF line;
    for (const MarkPoint &p : mark.points)
        line << centre(p);
    return line;
}

// A line ending in a filled head whose size follows the stroke.
void paintArrow(QPainter &painter, const Mark &mark, QPen pen)
{
    const QPointF from = centre(mark.points.front());
    const QPointF to = centre(mark.points.back());
    const QPointF along = to - from;
    const double length = std::hypot(along.x(), along.y());
    if (length < 1)
        return;
    const QPointF unit = along / length;
    const QPointF across(-unit.y(), unit.x());
    const double head = std::min(std::max(4.0 * mark.width, 12.0), length);
    const QPointF base = to - unit * head;
    painter.setPen(pen);
    painter.drawLine(from, base + unit * (head / 4));
    painter.setPen(Qt::NoPen);
    painter.setBrush(pen.color());
    painter.drawPolygon(QPolygonF{to, base + across * (head / 2), base - across * (head / 2)});
}

void paintStep(QPainter &painter, const Mark &mark)
{
    const QColor fill = colourOf(mark);
    const QRectF circle(centre(mark.points.front()) - QPointF(mark.textSize, mark.textSize),
                        QSizeF(2.0 * mark.textSize, 2.0 * mark.textSize));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(circle);
    painter.setPen(fill.lightness() > 160 ? Qt::black : Qt::white);
    painter.setFont(fontOf(mark));
    painter.drawText(circle, Qt::AlignCenter, QString::number(mark.number));
}

} // namespace

void PaintMark(QPainter &painter, const Mark &mark)
{
    if (mark.points.empty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setBrush(Qt::NoBrush);
    QPen pen(colourOf(mark), mark.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QRectF box = QRectF(centre(mark.points.front()), centre(mark.points.back())).normalized();
    switch (mark.kind) {
    case MarkKind::Rectangle:
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.drawRect(box);
        break;
    case MarkKind::Ellipse:
        painter.setPen(pen);
        painter.drawEllipse(box);
        break;
    case MarkKind::Line:
        painter.setPen(pen);
        painter.drawLine(centre(mark.points.front()), centre(mark.points.back()));
        break;
    case MarkKind::Arrow: paintArrow(painter, mark, pen); break;
    case MarkKind::Highlighter: {
        QColor translucent = pen.color();
        translucent.setAlpha(96);
        pen.setColor(translucent);
        pen.setCapStyle(Qt::SquareCap);
        [[fallthrough]];
    }
    case MarkKind::Pen:
        painter.setPen(pen);
        // One path, so a stroke crossing itself is not darker where it does.
        if (mark.points.size() == 1)
            painter.drawPoint(centre(mark.points.front()));
        else
            painter.drawPolyline(path(mark));
        break;
    case MarkKind::Text:
        painter.setPen(colourOf(mark));
        painter.setFont(fontOf(mark));
        painter.drawText(QRectF(QPointF(mark.points.front().x, mark.points.front().y), QSizeF(0, 0)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, QString::fromStdString(mark.text));
        break;
    case MarkKind::Step: paintStep(painter, mark); break;
    }
    painter.restore();
}

void PaintMarksInto(TBitmap &picture, const std::vector<Mark> &marks)
{
    if (picture.empty() || marks.empty())
        return;
    if (picture.pixelFormat() != PixelFormat::pf24bit && picture.pixelFormat() != PixelFormat::pf32bit)
        picture.setPixelFormat(PixelFormat::pf24bit);
    const QImage::Format format =
        picture.pixelFormat() == PixelFormat::pf24bit ? QImage::Format_BGR888 : QImage::Format_ARGB32;
    QImage rows(picture.scanLine(0), picture.width(), picture.height(),
                static_cast<qsizetype>(picture.bytesPerLine()), format);
    QPainter painter(&rows);
    for (const Mark &mark : marks)
        PaintMark(painter, mark);
}

QRect PaintedBounds(const Mark &mark)
{
    if (mark.kind != MarkKind::Text || mark.points.empty()) {
        const TRect box = MarkBounds(mark);
        return QRect(QPoint(box.Left, box.Top), QPoint(box.Right, box.Bottom));
    }
    const QFontMetrics metrics(fontOf(mark));
    const QRect text = metrics.boundingRect(QRect(), Qt::AlignLeft | Qt::AlignTop, QString::fromStdString(mark.text));
    return text.translated(mark.points.front().x, mark.points.front().y).adjusted(-2, -2, 2, 2);
}

void TMarkCanvas::Paint(QPainter &painter, const View &view, const std::vector<Mark> &marks, int editing,
                        const std::optional<Mark> &active)
{
    if (cache_.isNull() || !cacheRect_.contains(view.visible) || cacheScale_ != view.scale ||
        cacheRevision_ != view.revision || cacheEditing_ != editing)
        redraw(view, marks, editing);
    painter.drawImage(view.exposed, cache_, view.exposed.translated(-cacheRect_.topLeft()));
    if (!active)
        return;
    painter.save();
    painter.setClipRect(view.exposed);
    painter.scale(view.scale.width(), view.scale.height());
    PaintMark(painter, *active);
    painter.restore();
}

void TMarkCanvas::redraw(const View &view, const std::vector<Mark> &marks, int editing)
{
    cacheRect_ = view.visible;
    cacheScale_ = view.scale;
    cacheRevision_ = view.revision;
    cacheEditing_ = editing;
    cache_ = QImage(cacheRect_.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    cache_.fill(Qt::transparent);
    QPainter painter(&cache_);
    painter.translate(-cacheRect_.topLeft());
    painter.scale(view.scale.width(), view.scale.height());
    // Marks wholly outside the visible part cost nothing.
    const QRectF shown = painter.transform().inverted().mapRect(QRectF(cacheRect_));
    for (int i = 0; i < static_cast<int>(marks.size()); ++i)
        if (i != editing && shown.intersects(PaintedBounds(marks[i])))
            PaintMark(painter, marks[i]);
}

} // namespace vistrel
