// Prints how our codecs compare with their references, measured in the same run:
//  - JPEG encoding of a 1920 x 1080 photo-like picture against `cjpeg -quality 90` (the whole
//    process, fed a PPM of the same pixels);
//  - reading a 4000 x 3000 24-bit BMP against copying the file's bytes into memory.
#include "bench/imaging/bench_support.h"
#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace vistrel;

namespace {

// Smooth light falloff, a few hard-edged shapes and fine sensor-like noise: roughly what a
// photograph or a screen shot costs an encoder.
TBitmap photoLikePicture(int width, int height)
{
    TBitmap bitmap(width, height);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        uint8_t *row = bitmap.scanLine(y);
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245 + 12345;
            const int grain = static_cast<int>((noise >> 16) & 15) - 8;
            const double fx = static_cast<double>(x) / width, fy = static_cast<double>(y) / height;
            const bool inShape = std::hypot(fx - 0.3, fy - 0.5) < 0.2 || (fx > 0.6 && fx < 0.85 && fy > 0.2 && fy < 0.7);
            const int base = static_cast<int>(200 * (1 - 0.5 * fy) + 40 * std::sin(fx * 12));
            const auto clamp = [](int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); };
            row[3 * x] = clamp((inShape ? 60 : base) + grain);
            row[3 * x + 1] = clamp((inShape ? 120 : base - 30) + grain);
            row[3 * x + 2] = clamp((inShape ? 210 : base - 60 + static_cast<int>(60 * fx)) + grain);
        }
    }
    return bitmap;
}

void writePpm(const TBitmap &bitmap, const std::string &path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << bitmap.width() << " " << bitmap.height() << "\n255\n";
    std::vector<char> rgb(static_cast<size_t>(bitmap.width()) * 3);
    for (int y = 0; y < bitmap.height(); ++y) {
        const uint8_t *bgr = bitmap.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            rgb[3 * x] = static_cast<char>(bgr[3 * x + 2]);
            rgb[3 * x + 1] = static_cast<char>(bgr[3 * x + 1]);
            rgb[3 * x + 2] = static_cast<char>(bgr[3 * x]);
        }
        out.write(rgb.data(), static_cast<std::streamsize>(rgb.size()));
    }
}

bool runProcess(const std::vector<std::string> &arguments)
{
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char *> argv;
        for (const std::string &a : arguments)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<uint8_t> copyFileIntoMemory(const std::string &path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    fstat(fd, &info);
    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    close(fd);
    return bytes;
}


void benchJpegEncoding(const std::string &folder)
{
    const TBitmap picture = photoLikePicture(1920, 1080);
    const std::string ours = folder + "/ours.jpg", theirs = folder + "/cjpeg.jpg", ppm = folder + "/in.ppm";
    const std::string tinyPpm = folder + "/tiny.ppm";
    writePpm(picture, ppm);
    writePpm(TBitmap(1, 1), tinyPpm);

    const double memory = bench::MedianMilliseconds([&] { WriteJpegMemory(picture); });
    const double file = bench::MedianMilliseconds([&] { WriteJpegFile(picture, ours); });
    std::printf("jpeg encode 1920x1080: WriteJpegMemory %.1f ms, WriteJpegFile %.1f ms (%zu bytes)\n", memory, file,
                copyFileIntoMemory(ours).size());

    const std::vector<std::string> cjpeg = {"cjpeg", "-quality", "90", "-outfile", theirs, ppm};
    if (!runProcess(cjpeg)) {
        std::printf("jpeg encode 1920x1080: cjpeg not found (Debian package libjpeg-turbo-progs); no comparison\n");
        return;
    }
    const double reference = bench::MedianMilliseconds([&] { runProcess(cjpeg); });
    const double startup = bench::MedianMilliseconds([&] { runProcess({"cjpeg", "-quality", "90", "-outfile", folder + "/tiny.jpg", tinyPpm}); });
    std::printf("jpeg encode 1920x1080: cjpeg -quality 90 %.1f ms whole process (of which ~%.1f ms start-up, "
                "so ~%.1f ms reading and encoding)\n",
                reference, startup, reference - startup);
    std::printf("jpeg encode 1920x1080: ours %.1f ms, cjpeg %.1f ms, ratio %.2f (target <= 1.10); "
                "against cjpeg's encode-only estimate %.2f\n",
                file, reference, file / reference, file / (reference - startup));
    std::printf("jpeg encode 1920x1080: output identical to cjpeg's: %s\n",
                copyFileIntoMemory(ours) == copyFileIntoMemory(theirs) ? "yes" : "no");
}

void benchBmpReading(const std::string &folder)
{
    const std::string path = folder + "/big.bmp";
    WriteBmpFile(photoLikePicture(4000, 3000), path);
    const double copy = bench::MedianMilliseconds([&] { copyFileIntoMemory(path); });
    const double ours = bench::MedianMilliseconds([&] { ReadBmpFile(path); });
    std::printf("bmp read 4000x3000 24-bit: ours %.1f ms, copying the file's bytes %.1f ms, ratio %.2f (target <= 1.20)\n",
                ours, copy, ours / copy);
}

} // namespace

int main()
{
    char pattern[] = "/tmp/vistrel-bench-codecs-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    try {
        benchJpegEncoding(folder);
        benchBmpReading(folder);
    } catch (const Error &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    std::filesystem::remove_all(folder);
    return 0;
}
