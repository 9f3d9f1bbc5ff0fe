// The reference for the start-up benchmark: an empty main window of Vistrel's default size that
// quits once it has been exposed, exactly as vistrel does under VISTREL_BENCH_EXIT_ON_SHOW.
#include "app/quit_on_first_expose.h"

#include <QApplication>
#include <QMainWindow>
#include <QWindow>

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setGeometry(10, 10, 590, 490);
    window.show();
    window.windowHandle()->installEventFilter(new vistrel::QuitOnFirstExpose(&application));
    return QApplication::exec();
}
