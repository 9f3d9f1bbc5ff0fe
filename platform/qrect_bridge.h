#pragma once

#include "platform/rect.h"

#include <QRect>

namespace vistrel {

inline QRect ToQRect(const TRect &rect)
{
    return QRect(rect.Left, rect.Top, rect.Width(), rect.Height());
}

} // namespace vistrel
