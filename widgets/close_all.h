#pragma once

#include <QMdiArea>
#include <QMdiSubWindow>

namespace vistrel {

// "Close All" of every window that offers it: the area's windows from the last to the first.
inline void CloseAllSubWindows(QMdiArea &area)
{
    const QList<QMdiSubWindow *> windows = area.subWindowList();
    for (auto window = windows.rbegin(); window != windows.rend(); ++window)
        (*window)->close();
}

} // namespace vistrel
