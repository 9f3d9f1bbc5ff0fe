// Prints how long showing a folder of 10,000 files takes (writing the list's Directory, which
// reads, filters and sorts every entry, with the window's events run between two listings) beside `ls -1U` listing the same folder (same run), then
// how long until the list also knows every size (read afterwards on the event loop), and the
// process's resident memory afterwards.
// Usage: bench_folder [COUNT]   (default 10000)
#include "bench/imaging/bench_support.h"
#include "shellctl/explorer_list_view.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace vistrel;

namespace {

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// Runs the window's events for a while, as they run between a user's clicks: the folder left
// behind is freed then, a slice at a time.
void SettleEvents()
{
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(150))
        QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;
    QTemporaryDir folder;
    for (int i = 0; i < count; ++i) {
        QFile file(folder.filePath(QString("SShot%1_%2.jpg").arg(i % 12 + 1).arg(i)));
        file.open(QIODevice::WriteOnly);
        file.write("x", i % 7);
    }
    const std::string ls = "ls -1U '" + folder.path().toStdString() + "' >/dev/null";
    const double lsMs = bench::MedianMilliseconds([&] { std::system(ls.c_str()); });
    // The list also needs every file's size and time, which ls -1U never asks the file system for.
    const std::string lsLong = "ls -lU '" + folder.path().toStdString() + "' >/dev/null";
    const double lsLongMs = bench::MedianMilliseconds([&] { std::system(lsLong.c_str()); });
    const double shellMs = bench::MedianMilliseconds([] { std::system("true"); });

    TShExplorerListView list;
    list.setFilters({"*.jpg", "*.bmp", ""});
    list.setViewStyleEx(gvsThumb);
    std::vector<double> listTimes;
    for (int run = 0; run < 9; ++run) {
        SettleEvents();
        const auto start = std::chrono::steady_clock::now();
        list.setDirectory(folder.path().toStdString());
        listTimes.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    const double listMs = bench::Median(listTimes);
    // Every file holds 0 to 6 bytes, which count 1 KB each in the total.
    const double sizedMs = bench::MedianMilliseconds([&] {
        list.setDirectory(folder.path().toStdString());
        while (list.TotalSize() != count)
            QCoreApplication::processEvents();
    });
    std::printf("%d files:\n", count);
    std::printf("  ls -1U (one process)        %8.2f ms  (%.2f ms of it starting a process)\n", lsMs, shellMs);
    std::printf("  ls -lU (stats every file)   %8.2f ms\n", lsLongMs);
    std::printf("  Directory write             %8.2f ms  (%.2fx ls -1U, %.2fx ls -lU)\n", listMs, listMs / lsMs,
                listMs / lsLongMs);
    std::printf("  ... and every size read     %8.2f ms  (%.2fx ls -1U)\n", sizedMs, sizedMs / lsMs);
    std::printf("  resident memory             %8.1f MB with %d items listed\n", ResidentKilobytes() / 1024.0,
                list.Items().Count());
    return 0;
}
