#pragma once

#include "app/main_window.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"
#include "widgets/collapse_splitter.h"

#include <QAction>
#include <QtGlobal>

namespace vistrel::testing {

// A component of the main window by its object name; the test fails at once without it.
template <typename T = QAction>
T *framePart(const TForm1 &frame, const char *name)
{
    T *found = frame.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("the main window has no %s", name);
    return found;
}

inline TShExplorerListView *listOf(const TForm1 &frame) { return framePart<TShExplorerListView>(frame, "thumblist"); }
inline TDirTree *treeOf(const TForm1 &frame) { return framePart<TDirTree>(frame, "DirTree"); }
inline TCollapseSplitter *splitterOf(const TForm1 &frame)
{
    return framePart<TCollapseSplitter>(frame, "CollapseSplitter1");
}

} // namespace vistrel::testing
