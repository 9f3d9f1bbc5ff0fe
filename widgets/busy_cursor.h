#pragma once

#include <QApplication>

namespace vistrel {

// Work on a large picture takes a moment; the cursor says so until the scope ends, also when the
// work fails.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace vistrel
