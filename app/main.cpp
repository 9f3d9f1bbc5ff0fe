#include "app/button_report.h"
#include "app/error_handler.h"
#include "app/main_window.h"
#include "app/quit_on_first_expose.h"
#include "app/tool_icons.h"
#include "settings/ini_file.h"

#include <QIcon>
#include <QMessageBox>
#include <QWindow>

namespace {

void ShowIniNotice(const std::string &message)
{
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                             QString::fromStdString(message));
}

} // namespace

int main(int argc, char **argv)
{
    vistrel::VistrelApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vistrel"));
    QApplication::setApplicationVersion(QStringLiteral(VISTREL_VERSION));
    // The installed icon where there is one, else the camera drawn by the program.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.vistrel.Vistrel"), vistrel::ShootIcon()));
    vistrel::SetIniNoticeHandler(ShowIniNotice);
    // Matches the windows to the menu entry (and its icon) on every desktop.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vistrel.Vistrel"));
    if (qEnvironmentVariableIsSet("VISTREL_REPORT_BUTTONS"))
        application.installEventFilter(new vistrel::ButtonReport(&application));
    vistrel::TForm1 mainWindow;
    mainWindow.show();
    mainWindow.OpenStartFiles(QApplication::arguments().mid(1));
    if (qEnvironmentVariableIsSet("VISTREL_BENCH_EXIT_ON_SHOW"))
        mainWindow.windowHandle()->installEventFilter(new vistrel::QuitOnFirstExpose(&application));
    return QApplication::exec();
}
