#pragma once

#include "document/child_window.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

namespace vistrel::testing {

// A component of the document window by its object name; the test fails at once without it.
template <typename T = QAction>
T *part(const TChild *child, const char *name)
{
    T *found = child->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("the document window has no %s", name);
    return found;
}

inline TImage *imageOf(const TChild *child) { return part<TImage>(child, "Image"); }
inline int toolBarHeight(const TChild *child) { return part<QToolBar>(child, "ToolBar1")->height(); }
inline int statusBarHeight(const TChild *child) { return part<QStatusBar>(child, "StatusBar1")->height(); }

// "+", "-" and "0" on the window's tool bar.
inline void zoomIn(const TChild *child) { part(child, "ToolButton1")->trigger(); }
inline void zoomOut(const TChild *child) { part(child, "ToolButton2")->trigger(); }
inline void resetZoom(const TChild *child) { part(child, "ToolButton3")->trigger(); }

} // namespace vistrel::testing
