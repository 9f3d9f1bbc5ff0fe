// Opening a 4000 x 3000 JPEG into a shown document window, beside djpeg decoding the same file.
#include "app/main_window.h"
#include "bench/document/bench_picture.h"
#include "document/child_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMdiSubWindow>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

constexpr int kRuns = 9;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double djpegMilliseconds(const QString &djpeg, const QString &file)
{
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(djpeg, {QStringLiteral("-outfile"), QStringLiteral("/dev/null"), file});
    return timer.nsecsElapsed() / 1e6;
}

// Stops the clock when the picture control starts its first paint.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(const QElapsedTimer &timer) : timer_(timer) {}
    double at = -1;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && at < 0)
            at = timer_.nsecsElapsed() / 1e6;
        return false;
    }

private:
    const QElapsedTimer &timer_;
};

// From the call until the picture is painted in its shown window; the folder list's refill,
// queued behind that paint, is not part of it. The window is closed again afterwards and the
// program left idle for `idleMs` (the list's thumbnail thread works on the folder meanwhile).
double openMilliseconds(vistrel::TForm1 &frame, const QString &file, int idleMs)
{
    QElapsedTimer timer;
    FirstPaint firstPaint(timer);
    timer.start();
    frame.OpenDocumentWindow(file.toStdString());
    auto *child = qobject_cast<vistrel::TChild *>(frame.MDIChild(frame.MDIChildCount() - 1));
    QWidget *image = child->findChild<QWidget *>(QStringLiteral("Image"));
    image->installEventFilter(&firstPaint);
    while (firstPaint.at < 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    image->removeEventFilter(&firstPaint);
    frame.CloseAllChildren();
    QElapsedTimer idle;
    idle.start();
    do
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    while (idle.elapsed() < idleMs);
    return firstPaint.at;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("VISTREL_HOME", home.path().toUtf8());
    QApplication app(argc, argv);

    const QString file = home.filePath(QStringLiteral("photo.jpg"));
    vistrel::WriteBenchPhoto(file.toStdString());

    vistrel::TForm1 frame;
    frame.resize(1200, 900);
    frame.show();
    QCoreApplication::processEvents();

    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    // Alternating runs, so a busy machine slows both sides alike. "After a pause" is how a user
    // opens pictures; "back to back" shows the same work when the freed memory is still at hand.
    for (const auto &[idleMs, label] : {std::pair{700, "after a pause"}, std::pair{0, "back to back"}}) {
        std::vector<double> ours, reference, ratios;
        for (int run = 0; run < kRuns; ++run) {
            ours.push_back(openMilliseconds(frame, file, idleMs));
            if (djpeg.isEmpty())
                continue;
            reference.push_back(djpegMilliseconds(djpeg, file));
            ratios.push_back(ours.back() / reference.back());
        }
        std::printf("open 4000x3000 JPEG into a shown document window, %s (median of %d): %.1f ms\n", label, kRuns,
                    median(ours));
        if (djpeg.isEmpty()) {
            std::printf("djpeg not found (package libjpeg-turbo-progs); no reference figure\n");
            continue;
        }
        std::printf("  djpeg -outfile /dev/null on the same file, process included: %.1f ms\n", median(reference));
        std::printf("  ratio ours / djpeg (median of the paired runs): %.2f (target <= 1.30)\n", median(ratios));
    }
    return 0;
}
