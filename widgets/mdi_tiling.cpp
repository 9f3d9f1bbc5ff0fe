#include "widgets/mdi_tiling.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

namespace vistrel {

std::vector<QRect> HorizontalStrips(QSize area, int count, int minimumHeight)
{
    std::vector<QRect> strips;
    if (count <= 0 || area.width() <= 0)
        return strips;
    const int height = std::max(area.height() / count, minimumHeight);
    for (int i = 0; i < count; ++i) {
        const bool last = i + 1 == count;
        const int top = i * height;
        strips.emplace_back(0, top, area.width(), last ? std::max(area.height() - top, height) : height);
    }
    return strips;
}

void TileInStrips(QMdiArea &area)
{
    QList<QMdiSubWindow *> windows;
    const QList<QMdiSubWindow *> stacked = area.subWindowList(QMdiArea::StackingOrder);
    for (auto window = stacked.rbegin(); window != stacked.rend(); ++window)
        if ((*window)->isVisible() && !(*window)->isMinimized())
            windows.append(*window);
    const int minimumHeight = windows.isEmpty() ? 0 : windows.first()->minimumSizeHint().height();
    const std::vector<QRect> strips =
        HorizontalStrips(area.viewport()->size(), static_cast<int>(windows.size()), minimumHeight);
    for (size_t i = 0; i < strips.size(); ++i) {
        QMdiSubWindow *window = windows[static_cast<qsizetype>(i)];
        if (window->isMaximized())
            window->showNormal();
        window->setGeometry(strips[i]);
    }
}

} // namespace vistrel
