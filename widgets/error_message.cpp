#include "widgets/error_message.h"

#include <QApplication>
#include <QMessageBox>

#include <new>

namespace vistrel {

void ShowErrorMessage(const std::exception &error, QWidget *window)
{
    const bool outOfMemory = dynamic_cast<const std::bad_alloc *>(&error) != nullptr;
    QMessageBox::critical(window ? window : QApplication::activeWindow(), QStringLiteral("Error"),
                          outOfMemory ? QStringLiteral("Not enough memory") : QString::fromUtf8(error.what()));
}

} // namespace vistrel
