#include "app/error_handler.h"

#include <QMessageBox>

namespace vistrel {

void ShowErrorMessage(const std::exception &error, QWidget *parent)
{
    QMessageBox::critical(parent ? parent : QApplication::activeWindow(), QStringLiteral("Error"),
                          QString::fromUtf8(error.what()));
}

VistrelApplication::VistrelApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool VistrelApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ShowErrorMessage(error);
    }
    return false;
}

} // namespace vistrel
