#include "widgets/error_message.h"

#include "widgets/dialog_flags.h"
#include <QApplication>
#include <QMessageBox>

#include <new>

namespace vistrel {

void ShowErrorMessage(const std::exception &error, QWidget *window)
{
    const bool outOfMemory = dynamic_cast<const std::bad_alloc *>(&error) != nullptr;
    QWidget *over = window ? window->window() : QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                    outOfMemory ? QStringLiteral("Not enough memory") : QString::fromUtf8(error.what()),
                    QMessageBox::Ok, over);
    // Closing the last visible window ends a Qt program; a message must never be that window
    // (the main window can be hidden behind the capture launcher).
    box.setAttribute(Qt::WA_QuitOnClose, false);
    box.setWindowFlags(kDialogWindowFlags);
    // A window that stays on top would otherwise hide the message over it.
    if (over && over->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

} // namespace vistrel
