#include "app/error_handler.h"
#include "app/main_window.h"

int main(int argc, char **argv)
{
    vistrel::VistrelApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vistrel"));
    QApplication::setApplicationVersion(QStringLiteral(VISTREL_VERSION));
    vistrel::TForm1 mainWindow;
    mainWindow.show();
    return QApplication::exec();
}
