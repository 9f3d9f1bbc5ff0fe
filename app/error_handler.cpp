#include "app/error_handler.h"

namespace vistrel {

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
