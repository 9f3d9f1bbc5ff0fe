#pragma once

#include <QRect>

#include <vector>

namespace vistrel {

// The outer frames of the desktop's visible top-level windows as they are now, top-most first,
// in the logical coordinates of the virtual desktop. On X11 they come from the window manager's
// stacking order (_NET_CLIENT_LIST_STACKING) widened by each window's _NET_FRAME_EXTENTS, or
// without a window manager from the root window's mapped children. Empty on other displays.
std::vector<QRect> StackedWindowFrames();

} // namespace vistrel
