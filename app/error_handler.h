#pragma once

#include "widgets/error_message.h"

#include <QApplication>

namespace vistrel {

// The last resort behind the windows' own command boundaries (RunCommand): catches what an event
// handler lets escape and shows it over the active window, so one failing command never ends the
// program.
class VistrelApplication : public QApplication {
public:
    VistrelApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace vistrel
