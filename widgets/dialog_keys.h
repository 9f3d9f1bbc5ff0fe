#pragma once

#include <QKeyEvent>

namespace vistrel {

// Keys the dialog itself acts on, moving the focus or closing, although they carry a character
// ("\t", Esc): a box that filters typed characters lets these through.
inline bool IsDialogKey(const QKeyEvent &key)
{
    switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

} // namespace vistrel
