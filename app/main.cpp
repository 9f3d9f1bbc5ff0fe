#include "app/error_handler.h"
#include "app/main_window.h"
#include "settings/ini_file.h"

#include <QMessageBox>
#include <QTimer>
#include <QWindow>

namespace {

// For the start-up benchmark (VISTREL_BENCH_EXIT_ON_SHOW): ends the program once the main
// window has been exposed and painted for the first time.
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
    vistrel::SetIniNoticeHandler(ShowIniNotice);
    vistrel::TForm1 mainWindow;
    mainWindow.show();
    if (qEnvironmentVariableIsSet("VISTREL_BENCH_EXIT_ON_SHOW"))
        mainWindow.windowHandle()->installEventFilter(new QuitOnFirstExpose(&application));
    return QApplication::exec();
}
