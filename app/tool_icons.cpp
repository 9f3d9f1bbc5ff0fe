#include "app/tool_icons.h"

#include "widgets/drawn_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace vistrel {

namespace {

QLinearGradient Vertical(qreal top, qreal bottom, const QColor &from, const QColor &to)
{
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, from);
    gradient.setColorAt(1, to);
    return gradient;
}

// A small landscape photograph: sky, sun and two hills in a white frame.
void DrawPhoto(QPainter &painter, const QRectF &frame)
{
    painter.setPen(QPen(QColor(0x5f, 0x6b, 0x78), 0.8));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(frame, 1.5, 1.5);
    const QRectF picture = frame.adjusted(2, 2, -2, -2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Vertical(picture.top(), picture.bottom(), QColor(0x6c, 0xb4, 0xee), QColor(0xcf, 0xe8, 0xfa)));
    painter.drawRect(picture);
    painter.setBrush(QColor(0xff, 0xd0, 0x4a));
    const qreal sun = picture.width() * 0.14;
    painter.drawEllipse(QPointF(picture.right() - sun * 1.8, picture.top() + sun * 1.6), sun, sun);
    QPainterPath hills;
    hills.moveTo(picture.bottomLeft());
    hills.lineTo(picture.left(), picture.bottom() - picture.height() * 0.35);
    hills.quadTo(picture.left() + picture.width() * 0.3, picture.top() + picture.height() * 0.3,
                 picture.left() + picture.width() * 0.6, picture.bottom() - picture.height() * 0.3);
    hills.quadTo(picture.right() - picture.width() * 0.15, picture.bottom() - picture.height() * 0.55,
                 picture.right(), picture.bottom() - picture.height() * 0.25);
    hills.lineTo(picture.bottomRight());
    hills.closeSubpath();
    painter.setBrush(Vertical(picture.top(), picture.bottom(), QColor(0x5c, 0xb8, 0x5c), QColor(0x2f, 0x7d, 0x3a)));
    painter.drawPath(hills);
}

void DrawCamera(QPainter &painter)
{
    const QColor outline(0x25, 0x2c, 0x35);
    painter.setPen(QPen(outline, 1.0));
    painter.setBrush(Vertical(6, 12, QColor(0x6d, 0x79, 0x87), QColor(0x45, 0x4f, 0x5b)));
    painter.drawRoundedRect(QRectF(10.5, 5.5, 11, 6), 1.5, 1.5);
    painter.setBrush(Vertical(9, 28, QColor(0x7a, 0x86, 0x94), QColor(0x3a, 0x43, 0x4e)));
    painter.drawRoundedRect(QRectF(2.5, 9.5, 27, 18), 3, 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xe8, 0x5d, 0x3a));
    painter.drawRoundedRect(QRectF(23.5, 6.5, 4.5, 3), 1, 1);
    painter.setBrush(QColor(0xf4, 0xf7, 0xfa));
    painter.drawRoundedRect(QRectF(5, 12, 4, 2.5), 0.8, 0.8);

    const QPointF centre(16, 18.5);
    QRadialGradient ring(centre, 8);
    ring.setColorAt(0.75, QColor(0xd8, 0xde, 0xe5));
    ring.setColorAt(1.0, QColor(0x8e, 0x99, 0xa6));
    painter.setPen(QPen(outline, 0.8));
    painter.setBrush(ring);
    painter.drawEllipse(centre, 7.5, 7.5);
    QRadialGradient glass(centre + QPointF(-1.5, -1.5), 6);
    glass.setColorAt(0, QColor(0x6f, 0xb6, 0xf2));
    glass.setColorAt(0.6, QColor(0x1f, 0x5c, 0x9e));
    glass.setColorAt(1, QColor(0x0e, 0x26, 0x45));
    painter.setBrush(glass);
    painter.drawEllipse(centre, 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawEllipse(centre + QPointF(-2, -2), 1.5, 1.2);
}

void DrawPencil(QPainter &painter)
{
    painter.save();
    painter.translate(19, 19);
    painter.rotate(-45);
    const QColor outline(0x4a, 0x3a, 0x1c);
    painter.setPen(QPen(outline, 0.7));
    painter.setBrush(Vertical(-2.5, 2.5, QColor(0xff, 0xd8, 0x4d), QColor(0xe0, 0x9a, 0x10)));
    painter.drawRect(QRectF(-7, -2.5, 14, 5));
    painter.setBrush(QColor(0xf2, 0x9b, 0xa8));
    painter.drawRoundedRect(QRectF(7, -2.5, 4, 5), 1.2, 1.2);
    painter.setBrush(QColor(0xb8, 0xbe, 0xc6));
    painter.drawRect(QRectF(6, -2.5, 1.6, 5));
    QPainterPath tip;
    tip.moveTo(-7, -2.5);
    tip.lineTo(-12.5, 0);
    tip.lineTo(-7, 2.5);
    tip.closeSubpath();
    painter.setBrush(QColor(0xf1, 0xd3, 0xa5));
    painter.drawPath(tip);
    QPainterPath lead;
    lead.moveTo(-10.6, -0.9);
    lead.lineTo(-12.5, 0);
    lead.lineTo(-10.6, 0.9);
    lead.closeSubpath();
    painter.setBrush(QColor(0x33, 0x33, 0x33));
    painter.drawPath(lead);
    painter.restore();
}

void DrawEdit(QPainter &painter)
{
    DrawPhoto(painter, QRectF(2.5, 3.5, 21, 17));
    DrawPencil(painter);
}

// A photograph turning into a small pixel-grid icon.
void DrawCreateIcon(QPainter &painter)
{
    DrawPhoto(painter, QRectF(1.5, 2.5, 19, 15));

    painter.setPen(QPen(QColor(0x2d, 0x6c, 0xc0), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    QPainterPath arrow;
    arrow.moveTo(8, 19);
    arrow.quadTo(8, 25, 14, 25);
    painter.drawPath(arrow);
    painter.drawPolyline(QPolygonF({QPointF(12, 22.5), QPointF(14.5, 25), QPointF(12, 27.5)}));

    const QRectF icon(17.5, 15.5, 13, 13);
    painter.setPen(QPen(QColor(0x3a, 0x43, 0x4e), 0.8));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(icon, 2, 2);
    const QColor cells[4][4] = {
        {0x8cc8f5, 0x8cc8f5, 0xffd04a, 0x8cc8f5},
        {0x8cc8f5, 0x8cc8f5, 0x8cc8f5, 0x8cc8f5},
        {0x5cb85c, 0x8cc8f5, 0x5cb85c, 0x5cb85c},
        {0x2f7d3a, 0x5cb85c, 0x2f7d3a, 0x2f7d3a},
    };
    painter.setPen(Qt::NoPen);
    const qreal cell = 2.5;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            painter.setBrush(cells[row][column]);
            painter.drawRect(QRectF(icon.left() + 1.5 + column * cell, icon.top() + 1.5 + row * cell, cell, cell));
        }
}

// Each drawing works in a 32 x 32 space; it is rendered at 1x and 2x so it stays sharp on
// high-density screens.
QIcon ToolBarIcon(const char *themeName, void (*draw)(QPainter &))
{
    return ThemedOrDrawnIcon(
        themeName,
        [draw](QPainter &painter, int side) {
            painter.scale(side / 32.0, side / 32.0);
            draw(painter);
        },
        {32, 64});
}

} // namespace

QIcon ShootIcon() { return ToolBarIcon("camera-photo", DrawCamera); }
QIcon EditIcon() { return ToolBarIcon("document-edit", DrawEdit); }
QIcon CreateIconIcon() { return ToolBarIcon("image-x-generic", DrawCreateIcon); }

} // namespace vistrel
