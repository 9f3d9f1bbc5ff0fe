#pragma once

#include <QRect>
#include <QSize>

#include <vector>

class QMdiArea;

namespace vistrel {

// `count` strips stacked from the top, each as wide as `area`; the last one takes the rows the
// division leaves over. No strip is lower than `minimumHeight`, so many windows reach below the
// area (which then scrolls) rather than shrink to nothing.
std::vector<QRect> HorizontalStrips(QSize area, int count, int minimumHeight);

// "&Tile": the area's windows that are not minimised, the active one first, one per strip.
void TileInStrips(QMdiArea &area);

} // namespace vistrel
