// The reference for the start-up benchmark: an empty main window of Vistrel's default size that
// quits once it has been exposed, exactly as vistrel does under VISTREL_BENCH_EXIT_ON_SHOW.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>

namespace {

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

} // namespace

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setGeometry(10, 10, 590, 490);
    window.show();
    window.windowHandle()->installEventFilter(new QuitOnFirstExpose(&application));
    return QApplication::exec();
}
