#include "app/button_report.h"
#include "app/error_handler.h"
#include "app/main_window.h"
#include "app/quit_on_first_expose.h"
#include "app/start_options.h"
#include "app/tool_icons.h"
#include "settings/ini_file.h"

#include <QIcon>
#include <QMessageBox>
#include <QWindow>

#include <cstdlib>
#include <iostream>

namespace {

void ShowIniNotice(const std::string &message)
{
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationName(),
                             QString::fromStdString(message));
}

} // namespace

int main(int argc, char **argv)
{
    const vistrel::StartCommand start = vistrel::ReadStartCommand(
        std::vector<std::string>(argv + 1, argv + argc), vistrel::DisplayConfigured(std::getenv), std::cout, std::cerr);
    if (start.ExitCode)
        return *start.ExitCode;
    // Qt sees the program name alone: the arguments are files, whatever they look like.
    int qtArgc = 1;
    std::optional<vistrel::VistrelApplication> opened;
    {
        const vistrel::DisplayOpening opening;
        opened.emplace(qtArgc, argv);
    }
    vistrel::VistrelApplication &application = *opened;
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
    mainWindow.OpenStartFiles(start.Files);
    if (qEnvironmentVariableIsSet("VISTREL_BENCH_EXIT_ON_SHOW"))
        mainWindow.windowHandle()->installEventFilter(new vistrel::QuitOnFirstExpose(&application));
    return QApplication::exec();
}
