// Stress for the list's threads, meant for sanitizer builds (-DVISTREL_SANITIZE=thread or
// address, see README): rapid folder switches while tiles render, then thousands of files
// created and deleted while a folder is shown. Exits 1 when the list does not end equal to the
// folder or a wait runs out.
#include "platform/jpeg_codec.h"
#include "shellctl/explorer_list_view.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>

using namespace vistrel;

namespace {

bool WaitUntil(const std::function<bool()> &condition, int limitMs = 120000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

QStringList Captions(const TShExplorerListView &list)
{
    QStringList captions;
    for (int i = 0; i < list.Items().Count(); ++i)
        captions << list.Items().Caption(i);
    captions.sort();
    return captions;
}

QStringList FolderPictures(const QString &folder)
{
    QStringList names = QDir(folder).entryList({"*.jpg", "*.bmp"}, QDir::Files | QDir::System);
    names.sort();
    return names;
}

bool SwitchFolders(TShExplorerListView &list, const QString &root, int switches)
{
    for (const char *name : {"one", "two"}) {
        QDir(root).mkdir(name);
        TBitmap picture(800, 600);
        for (int i = 0; i < 16; ++i)
            WriteJpegFile(picture, QFile::encodeName(QString("%1/%2/p%3.jpg").arg(root, name).arg(i)).toStdString());
    }
    for (int i = 0; i < switches; ++i) {
        list.setDirectory(QString("%1/%2").arg(root, i % 2 ? "two" : "one").toStdString());
        QCoreApplication::processEvents();
    }
    return WaitUntil([&] { return list.PendingThumbnails() == 0; }) && list.Items().Count() == 16;
}

bool ChurnFiles(TShExplorerListView &list, const QString &folder, int files)
{
    QDir().mkpath(folder);
    list.setDirectory(folder.toStdString());
    std::atomic<bool> written{false};
    std::thread churn([&] {
        for (int i = 0; i < files; ++i) {
            QFile file(QString("%1/f%2.jpg").arg(folder).arg(i));
            file.open(QIODevice::WriteOnly);
            file.write("x");
            file.close();
            if (i % 2 == 1)
                QFile::remove(QString("%1/f%2.jpg").arg(folder).arg(i - 1));
        }
        written = true;
    });
    // The list takes the changes as they come while the files are written.
    WaitUntil([&] { return written.load(); });
    churn.join();
    return WaitUntil([&] { return Captions(list) == FolderPictures(folder); });
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir work;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(work.filePath("cache")));
    const int switches = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int files = argc > 2 ? std::atoi(argv[2]) : 10000;

    TShExplorerListView list;
    list.setFilters({"*.jpg", "*.bmp", ""});
    list.setViewStyleEx(gvsThumb);
    list.resize(800, 600);
    list.show();

    if (!SwitchFolders(list, work.path(), switches)) {
        std::fprintf(stderr, "folder switches: the list did not settle on the last folder\n");
        return 1;
    }
    std::printf("%d folder switches: the list shows the last folder with every tile\n", switches);
    if (!ChurnFiles(list, work.filePath("churn"), files)) {
        std::fprintf(stderr, "file churn: the list differs from the folder (%lld listed, %lld there)\n",
                     static_cast<long long>(Captions(list).size()),
                     static_cast<long long>(FolderPictures(work.filePath("churn")).size()));
        return 1;
    }
    std::printf("%d files created and %d deleted: the list equals the folder\n", files, files / 2);
    return 0;
}
