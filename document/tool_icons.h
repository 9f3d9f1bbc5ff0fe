#pragma once

#include <QIcon>

namespace vistrel {

enum class ToolIcon { ZoomIn, ZoomOut, ZoomOriginal, Enhance, Undo, Redo, Picture };

// The desktop theme's icon when there is one, else a drawn one in the same spirit.
QIcon DocumentToolIcon(ToolIcon icon);

// A theme icon for a menu item; empty when the theme has none (menus read fine without).
QIcon ThemeMenuIcon(const char *name);

} // namespace vistrel
