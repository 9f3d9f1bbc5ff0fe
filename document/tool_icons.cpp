#include "document/tool_icons.h"

#include "widgets/drawn_icon.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace vistrel {

namespace {

const QColor kInk(45, 55, 72);
const QColor kAccent(38, 110, 200);

void drawMagnifier(QPainter &p, double s, ToolIcon glyph)
{
    const QRectF lens(s * 0.06, s * 0.06, s * 0.62, s * 0.62);
    p.setPen(QPen(kInk, s * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(230, 240, 252));
    p.drawEllipse(lens);
    p.setPen(QPen(kInk, s * 0.16, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.62, s * 0.62), QPointF(s * 0.9, s * 0.9));
    p.setPen(QPen(kAccent, s * 0.1, Qt::SolidLine, Qt::RoundCap));
    const QPointF c = lens.center();
    const double arm = s * 0.17;
    switch (glyph) {
    case ToolIcon::ZoomIn:
        p.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
        Q_FALLTHROUGH();
    case ToolIcon::ZoomOut:
        p.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
        break;
    default: {
        QFont font;
        font.setPixelSize(static_cast<int>(s * 0.38));
        font.setBold(true);
        p.setFont(font);
        p.drawText(lens, Qt::AlignCenter, QStringLiteral("1:1"));
    }
    }
}

void drawWand(QPainter &p, double s)
{
    p.setPen(QPen(kInk, s * 0.12, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.12, s * 0.88), QPointF(s * 0.6, s * 0.4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 176, 32));
    auto star = [&p](QPointF c, double r) {
        QPainterPath path;
        for (int i = 0; i < 8; ++i) {
            const double radius = (i % 2 == 0) ? r : r * 0.35;
            const double angle = M_PI / 4 * i - M_PI / 2;
            const QPointF point(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
            i == 0 ? path.moveTo(point) : path.lineTo(point);
        }
        path.closeSubpath();
        p.drawPath(path);
    };
    star(QPointF(s * 0.72, s * 0.28), s * 0.26);
    p.setBrush(kAccent);
    star(QPointF(s * 0.3, s * 0.22), s * 0.14);
}

// A hooked arrow pointing left (undo); redo is its mirror image.
void drawHookArrow(QPainter &p, double s, bool mirrored)
{
    if (mirrored) {
        p.translate(s, 0);
        p.scale(-1, 1);
    }
    QPainterPath hook;
    hook.moveTo(s * 0.3, s * 0.38);
    hook.lineTo(s * 0.6, s * 0.38);
    hook.cubicTo(s * 0.95, s * 0.38, s * 0.95, s * 0.85, s * 0.6, s * 0.85);
    hook.lineTo(s * 0.35, s * 0.85);
    p.setPen(QPen(kAccent, s * 0.13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(hook);
    QPolygonF head;
    head << QPointF(s * 0.06, s * 0.38) << QPointF(s * 0.36, s * 0.12) << QPointF(s * 0.36, s * 0.64);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawPolygon(head);
}

// A framed landscape: the document window's own icon.
void drawPicture(QPainter &p, double s)
{
    const QRectF frame(s * 0.06, s * 0.14, s * 0.88, s * 0.72);
    p.setPen(QPen(kInk, s * 0.07));
    p.setBrush(QColor(200, 226, 250));
    p.drawRect(frame);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(64, 150, 80));
    QPolygonF hills;
    hills << QPointF(frame.left(), frame.bottom()) << QPointF(s * 0.38, s * 0.45) << QPointF(s * 0.58, s * 0.66)
          << QPointF(s * 0.72, s * 0.52) << QPointF(frame.right(), frame.bottom());
    p.drawPolygon(hills);
    p.setBrush(QColor(240, 176, 32));
    p.drawEllipse(QPointF(s * 0.72, s * 0.32), s * 0.08, s * 0.08);
}

void drawIcon(QPainter &p, ToolIcon icon, double s)
{
    switch (icon) {
    case ToolIcon::ZoomIn:
    case ToolIcon::ZoomOut:
    case ToolIcon::ZoomOriginal: drawMagnifier(p, s, icon); break;
    case ToolIcon::Enhance: drawWand(p, s); break;
    case ToolIcon::Undo: drawHookArrow(p, s, false); break;
    case ToolIcon::Redo: drawHookArrow(p, s, true); break;
    case ToolIcon::Picture: drawPicture(p, s); break;
    }
}

const char *themeName(ToolIcon icon)
{
    switch (icon) {
    case ToolIcon::ZoomIn: return "zoom-in";
    case ToolIcon::ZoomOut: return "zoom-out";
    case ToolIcon::ZoomOriginal: return "zoom-original";
    case ToolIcon::Enhance: return "color-management";
    case ToolIcon::Undo: return "edit-undo";
    case ToolIcon::Redo: return "edit-redo";
    case ToolIcon::Picture: return "image-x-generic";
    }
    return "";
}

} // namespace

QIcon DocumentToolIcon(ToolIcon icon)
{
    return ThemedOrDrawnIcon(
        themeName(icon), [icon](QPainter &painter, int side) { drawIcon(painter, icon, side); }, {16, 24, 32});
}

QIcon ThemeMenuIcon(const char *name)
{
    return QIcon::fromTheme(QString::fromLatin1(name));
}

} // namespace vistrel
