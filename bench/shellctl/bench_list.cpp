// Prints the picture list's speed goals as "case | ours | reference | ratio | goal" lines, each
// measured beside its reference in the same run, through the real list window (offscreen):
//  - a folder of FILES JPEGs (hard links of one small picture): showing it against `ls -1U`
//    (median of RUNS interleaved runs), the first screen of tiles with an empty thumbnail cache,
//    every frame of a scroll from top to bottom a screen at a time while tiles are made, and the
//    process's peak resident memory;
//  - a first visit of PHOTOS 12 MP JPEGs (hard links of one photo, empty thumbnail cache each
//    time) until every tile has arrived, against `vipsthumbnail` making the same thumbnails in one
//    process; median of RUNS interleaved runs.
// Usage: bench_list [FILES] [PHOTOS] [RUNS]   (defaults 100000, 500, 5)
#include "bench/imaging/bench_support.h"
#include "platform/jpeg_codec.h"
#include "shellctl/explorer_list_view.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace vistrel;

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Milliseconds(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return MillisecondsSince(start);
}

long StatusKilobytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::string(field).size());
    return 0;
}

std::string Quoted(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void Row(const std::string &name, const std::string &ours, const std::string &reference, const std::string &ratio,
         const char *goal)
{
    std::printf("%-44s | %-16s | %-22s | %-7s | %s\n", name.c_str(), ours.c_str(), reference.c_str(), ratio.c_str(), goal);
    std::fflush(stdout);
}

std::string Format(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// count names for one picture: hard links, so the folder costs little space; a file system's
// limit of links per file starts a new copy.
QString LinkedFolder(const QString &parent, const QString &name, const TBitmap &picture, int count)
{
    const QString folder = parent + "/" + name;
    QDir().mkpath(folder);
    std::string source = QFile::encodeName(folder + "/p0000000.jpg").toStdString();
    WriteJpegFile(picture, source);
    for (int i = 1; i < count; ++i) {
        const std::string link = QFile::encodeName(folder + QString("/p%1.jpg").arg(i, 7, 10, QChar('0'))).toStdString();
        if (::link(source.c_str(), link.c_str()) == 0)
            continue;
        if (errno != EMLINK || !QFile::copy(QFile::decodeName(source.c_str()), QFile::decodeName(link.c_str()))) {
            std::perror(link.c_str());
            std::exit(1);
        }
        source = link;
    }
    return folder;
}

// A list window of its own, with the thumbnail cache it is given, counting the tiles it receives.
class ListWindow {
public:
    ListWindow(const QString &cacheHome, QSize size)
    {
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome));
        list_ = std::make_unique<TShExplorerListView>();
        list_->setFilters({"*.jpg", "*.bmp", ""});
        list_->setViewStyleEx(gvsThumb);
        list_->resize(size);
        list_->show();
        QObject::connect(list_->model(), &QAbstractItemModel::dataChanged, list_.get(),
                         [this](const QModelIndex &first) { tiled_.insert(first.row()); });
    }

    TShExplorerListView &List() { return *list_; }

    void Show(const QString &folder)
    {
        tiled_.clear();
        list_->setDirectory(QFile::encodeName(folder).toStdString());
        list_->viewport()->repaint();
    }

    std::vector<int> VisibleRows() const
    {
        std::vector<int> rows;
        const QRect area = list_->viewport()->rect();
        const QModelIndex first = list_->indexAt(QPoint(1, 1));
        for (int row = first.isValid() ? first.row() : 0; row < list_->Items().Count(); ++row) {
            if (list_->visualRect(list_->model()->index(row, 0)).intersects(area))
                rows.push_back(row);
            else if (!rows.empty())
                break;
        }
        return rows;
    }

    bool Tiled(const std::vector<int> &rows) const
    {
        for (int row : rows)
            if (tiled_.count(row) == 0)
                return false;
        return true;
    }

    void WaitUntil(const std::function<bool()> &done) const
    {
        while (!done()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

private:
    std::unique_ptr<TShExplorerListView> list_;
    std::set<int> tiled_;
};

void ManyFiles(const QString &work, int count, int runs)
{
    std::printf("Making %d JPEGs ...\n", count);
    const QString folder = LinkedFolder(work, "many", bench::NoisyPicture(64, 48), count);
    ListWindow window(work + "/cache-many", QSize(1280, 1000));

    const auto start = Clock::now();
    window.Show(folder);
    const double shownMs = MillisecondsSince(start);
    const std::vector<int> firstScreen = window.VisibleRows();
    window.WaitUntil([&] { return window.Tiled(firstScreen); });
    const double firstScreenMs = MillisecondsSince(start);

    const std::string ls = "ls -1U " + Quoted(QFile::encodeName(folder).toStdString()) + " >/dev/null";
    std::vector<double> lsMs, showMs;
    for (int run = 0; run < runs; ++run) {
        window.WaitUntil([&] { return window.List().PendingThumbnails() == 0; });
        lsMs.push_back(Milliseconds([&] { std::system(ls.c_str()); }));
        showMs.push_back(Milliseconds([&] { window.Show(folder); }));
    }
    const double ours = bench::Median(showMs), reference = bench::Median(lsMs);
    Row("show " + std::to_string(count) + " JPEGs (Directory + first paint)", Format("%.0f ms", ours), Format("ls -1U %.0f ms", reference),
        Format("%.2fx", ours / reference), "<= 3x");
    Row("first screen of tiles, empty cache", Format("%.0f ms", firstScreenMs),
        Format("(shown after %.0f ms)", shownMs), "-", "<= 1000 ms");

    QScrollBar &bar = *window.List().verticalScrollBar();
    std::vector<double> frames;
    // The list lays out a big folder a batch at a time, so the end is where the last item shows.
    while (window.VisibleRows().empty() || window.VisibleRows().back() != count - 1) {
        frames.push_back(Milliseconds([&] {
            bar.setValue(bar.value() + bar.pageStep());
            window.List().viewport()->repaint();
            QCoreApplication::processEvents();
        }));
    }
    const std::vector<int> lastScreen = window.VisibleRows();
    window.WaitUntil([&] { return window.Tiled(lastScreen); });
    const double slowest = *std::max_element(frames.begin(), frames.end());
    Row("scroll top to bottom, slowest frame", Format("%.1f ms", slowest),
        Format("median %.1f ms", bench::Median(frames)), Format("%.0f frames", static_cast<double>(frames.size())),
        "every frame < 50 ms");
    Row("peak resident memory", Format("%.0f MB", StatusKilobytes("VmHWM:") / 1024.0), "-", "-", "< 200 MB");
}

void FirstVisit(const QString &work, int count, int runs)
{
    std::printf("Making %d JPEGs of 4000 x 3000 ...\n", count);
    const QString folder = LinkedFolder(work, "photos", bench::NoisyPicture(4000, 3000), count);
    std::string vips = "vipsthumbnail -s 60x80 -o " + Quoted(QFile::encodeName(work).toStdString()) + "/vips/%s.jpg";
    for (const QString &name : QDir(folder).entryList(QDir::Files))
        vips += " " + Quoted(QFile::encodeName(folder + "/" + name).toStdString());
    QDir().mkpath(work + "/vips");
    // Every tile of the folder on one screen, so that the list asks for all of them at once.
    const int side = static_cast<int>(std::ceil(std::sqrt(count))) + 1;
    std::vector<double> oursMs, vipsMs;
    for (int run = 0; run < runs; ++run) {
        vipsMs.push_back(Milliseconds([&] {
            if (std::system(vips.c_str()) != 0)
                std::printf("  vipsthumbnail failed (is libvips-tools installed?)\n");
        }));
        const QString cache = work + QString("/cache-photos%1").arg(run);
        ListWindow window(cache, QSize(side * 100, side * 120));
        oursMs.push_back(Milliseconds([&] {
            window.Show(folder);
            window.WaitUntil([&] { return window.List().PendingThumbnails() == 0 && window.Tiled(window.VisibleRows()); });
        }));
        QDir(cache).removeRecursively();
    }
    const double ours = bench::Median(oursMs), reference = bench::Median(vipsMs);
    Row(std::to_string(count) + " 12 MP JPEGs, first visit, every tile", Format("%.2f s", ours / 1000),
        Format("vipsthumbnail %.2f s", reference / 1000), Format("%.2fx", ours / reference), "<= 0.6x");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    const int photos = argc > 2 ? std::max(1, std::atoi(argv[2])) : 500;
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    QTemporaryDir work;
    ManyFiles(work.path(), files, runs);
    FirstVisit(work.path(), photos, runs);
    std::printf("Medians of %d interleaved runs; %u cores; list thumbnails on every core.\n", runs,
                std::thread::hardware_concurrency());
    return 0;
}
