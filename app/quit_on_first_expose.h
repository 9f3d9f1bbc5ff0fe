#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace vistrel {

// For the start-up benchmark (VISTREL_BENCH_EXIT_ON_SHOW): ends the program once the window it
// filters has been exposed and painted for the first time. The benchmark's reference window
// uses the same filter, so both stop at the same moment.
class QuitOnFirstExpose : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Expose)
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        return false;
    }
};

} // namespace vistrel
