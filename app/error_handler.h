#pragma once

#include <QApplication>

#include <exception>

class QWidget;

namespace vistrel {

// Shows the message of a failed operation in a message box; the rest of that operation has
// already been skipped by the exception.
void ShowErrorMessage(const std::exception &error, QWidget *parent = nullptr);

// Catches what an event handler lets escape and hands it to ShowErrorMessage, so one failing
// command never ends the program.
class VistrelApplication : public QApplication {
public:
    VistrelApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace vistrel
