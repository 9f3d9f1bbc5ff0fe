// Prints how long the thumbnail list's renderer needs for a folder of 12-megapixel JPEGs, beside
// `vipsthumbnail` making 60 x 80 thumbnails of the same files in one process (same run):
//  - first visit: every tile decoded (at a reduced JPEG scale) and stored in the shared cache;
//  - second visit: every tile read back from the cache;
//  - `vistrel-cli thumbnail` on the same files with an empty cache.
// Usage: bench_thumbnails [COUNT]   (default 500; the files are copies of one generated photo)
#include "platform/jpeg_codec.h"
#include "shellctl/thumb_thread.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

using namespace vistrel;

namespace {

double Seconds(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A 4000 x 3000 picture with smooth shapes and fine grain, so that it compresses like a photo.
TBitmap PhotoLike()
{
    TBitmap bitmap(4000, 3000);
    uint32_t noise = 12345;
    for (int y = 0; y < bitmap.height(); ++y) {
        uint8_t *row = bitmap.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x, row += 3) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = static_cast<int>(noise >> 28) - 8;
            row[0] = static_cast<uint8_t>(std::clamp((x * 255) / 4000 + grain, 0, 255));
            row[1] = static_cast<uint8_t>(std::clamp(((x + y) % 700) * 255 / 700 + grain, 0, 255));
            row[2] = static_cast<uint8_t>(std::clamp((y * 255) / 3000 + grain, 0, 255));
        }
    }
    return bitmap;
}

std::string Quoted(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string FileList(const QStringList &files)
{
    std::string list;
    for (const QString &file : files)
        list += " " + Quoted(file.toStdString());
    return list;
}

double RenderAll(const QStringList &files, const QString &cacheRoot)
{
    std::mutex lock;
    std::condition_variable done;
    int delivered = 0, failed = 0;
    TShThumbThread thread(QFile::encodeName(cacheRoot).toStdString(), [&](ThumbDelivery delivery) {
        const std::lock_guard<std::mutex> hold(lock);
        ++delivered;
        failed += delivery.Tile.empty() ? 1 : 0;
        done.notify_all();
    });
    return Seconds([&] {
        for (int i = 0; i < files.size(); ++i)
            thread.Enqueue({static_cast<uint64_t>(i), QFile::encodeName(files[i]).toStdString()});
        thread.StartIfNeeded();
        std::unique_lock<std::mutex> hold(lock);
        done.wait(hold, [&] { return delivered == files.size(); });
        if (failed > 0)
            std::printf("  (%d tiles failed)\n", failed);
    });
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    QTemporaryDir work;
    const QString photos = work.filePath("photos");
    QDir().mkpath(photos);
    QDir().mkpath(work.filePath("vips"));
    std::printf("Generating %d JPEGs of 4000 x 3000 ...\n", count);
    const QString first = photos + "/photo0000.jpg";
    WriteJpegFile(PhotoLike(), QFile::encodeName(first).toStdString());
    QStringList files{first};
    for (int i = 1; i < count; ++i) {
        files << photos + QString("/photo%1.jpg").arg(i, 4, 10, QChar('0'));
        QFile::copy(first, files.back());
    }
    std::printf("  each %.1f MB\n", QFileInfo(first).size() / 1e6);

    const std::string vips = "vipsthumbnail -s 60x80 -o " + Quoted(work.filePath("vips").toStdString()) + "/%s.jpg"
                             + FileList(files);
    const double vipsSeconds = Seconds([&] {
        if (std::system(vips.c_str()) != 0)
            std::printf("  vipsthumbnail failed (is libvips-tools installed?)\n");
    });
    const double firstVisit = RenderAll(files, work.filePath("cache1"));
    const double secondVisit = RenderAll(files, work.filePath("cache1"));
    const std::string cli = "XDG_CACHE_HOME=" + Quoted(work.filePath("cache2").toStdString()) + " " + Quoted(VISTREL_CLI)
                            + " thumbnail" + FileList(files) + " >/dev/null";
    const double cliSeconds = Seconds([&] { std::system(cli.c_str()); });

    std::printf("%d files of 12 MP, 60 x 80 tiles:\n", count);
    std::printf("  vipsthumbnail (one process)    %7.2f s  %6.1f ms/file\n", vipsSeconds, 1000 * vipsSeconds / count);
    std::printf("  list tiles, first visit        %7.2f s  %6.1f ms/file  (%.2fx vipsthumbnail)\n", firstVisit,
                1000 * firstVisit / count, firstVisit / vipsSeconds);
    std::printf("  list tiles, from the cache     %7.2f s  %6.1f ms/file  (%.3fx the first visit)\n", secondVisit,
                1000 * secondVisit / count, secondVisit / firstVisit);
    std::printf("  vistrel-cli thumbnail          %7.2f s  %6.1f ms/file  (%.2fx vipsthumbnail)\n", cliSeconds,
                1000 * cliSeconds / count, cliSeconds / vipsSeconds);
    return 0;
}
