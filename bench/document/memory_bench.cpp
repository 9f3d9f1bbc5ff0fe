// Peak memory after opening a 4000 x 3000 JPEG and running five "Tools" commands, beside what the
// edit history needs (the picture, four undo snapshots and one redo snapshot) plus 60 MB. Also
// prints how long each command keeps the window busy, its repaint included.
#include "app/main_window.h"
#include "bench/document/bench_picture.h"
#include "document/child_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Peak resident set size of this process in kB, from the kernel's own account.
long peakResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

double megabytes(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("VISTREL_HOME", home.path().toUtf8());
    const QString file = home.filePath(QStringLiteral("photo.jpg"));
    vistrel::WriteBenchPhoto(file.toStdString());

    QApplication app(argc, argv);
    vistrel::TForm1 frame;
    frame.resize(1200, 900);
    frame.show();
    QCoreApplication::processEvents();
    const long before = peakResidentKilobytes();

    frame.OpenDocumentWindow(file.toStdString());
    auto *child = qobject_cast<vistrel::TChild *>(frame.MDIChild(0));
    QCoreApplication::processEvents();
    const auto action = [child](const char *name) { return child->findChild<QAction *>(QString::fromLatin1(name)); };
    for (QAction *command : {action("rotate-right"), action("invert"), action("greyscale"), action("emboss"),
                             action("antialias")}) {
        QElapsedTimer timer;
        timer.start();
        command->trigger();
        QCoreApplication::processEvents();
        std::printf("%-16s %6.1f ms\n", command->text().toUtf8().constData(), timer.nsecsElapsed() / 1e6);
    }
    for (QAction *step : {action("actUndo"), action("actRedo")}) {
        QElapsedTimer timer;
        timer.start();
        step->trigger();
        QCoreApplication::processEvents();
        std::printf("%-16s %6.1f ms\n", step->text().toUtf8().constData(), timer.nsecsElapsed() / 1e6);
    }

    const double pictureBytes = static_cast<double>(child->Picture().bytesPerLine()) * child->Picture().height();
    const double historyNeed = pictureBytes * (1 + child->UndoList().size() + child->RedoList().size());
    const double peak = peakResidentKilobytes() * 1024.0;
    std::printf("peak resident memory before opening (program and Qt): %.0f MB\n", before / 1024.0);
    std::printf("peak resident memory after opening 4000x3000 and five Tools commands: %.0f MB\n", megabytes(peak));
    std::printf("history need: picture %.0f MB x (1 + %zu undo + %zu redo) = %.0f MB; limit with 60 MB: %.0f MB\n",
                megabytes(pictureBytes), child->UndoList().size(), child->RedoList().size(), megabytes(historyNeed),
                megabytes(historyNeed) + 60);
    std::printf("%s\n", megabytes(peak) <= megabytes(historyNeed) + 60 ? "within the limit" : "OVER the limit");
    return 0;
}
