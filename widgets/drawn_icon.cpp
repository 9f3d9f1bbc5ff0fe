#include "widgets/drawn_icon.h"

#include <QPainter>
#include <QPixmap>

namespace vistrel {

QIcon ThemedOrDrawnIcon(const char *themeName, const IconDrawing &draw, std::initializer_list<int> sides)
{
    const QIcon themed = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (!themed.isNull())
        return themed;
    QIcon drawn;
    for (const int side : sides) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter, side);
        painter.end();
        drawn.addPixmap(pixmap);
    }
    return drawn;
}

} // namespace vistrel
