#pragma once

#include <QIcon>

#include <functional>
#include <initializer_list>

class QPainter;

namespace vistrel {

// Draws an icon into a square of the given side, with antialiasing already on.
using IconDrawing = std::function<void(QPainter &painter, int side)>;

// The desktop theme's icon of that name when the theme has one, else the drawing rendered at
// each of the given sides (so it stays sharp where the icon is shown larger).
QIcon ThemedOrDrawnIcon(const char *themeName, const IconDrawing &draw, std::initializer_list<int> sides);

} // namespace vistrel
