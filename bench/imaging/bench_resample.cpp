// Times ResampleStretch in-process on the two standard cases and prints ImageMagick's and libvips's
// whole-process times on the same pictures (single thread, PPM in and out) for orientation.
#include "bench/imaging/bench_support.h"
#include "imaging/resample.h"

#include <cstdio>
#include <string>
#include <unistd.h>

using namespace vistrel;
using namespace vistrel::bench;

namespace {

struct Case {
    int sourceWidth, sourceHeight, width, height, filter;
    const char *magickFilter, *vipsKernel;
};

constexpr int kRuns = 5;

} // namespace

int main()
{
    const Case cases[] = {
        {4000, 3000, 256, 192, 6, "Mitchell", "mitchell"},
        {640, 480, 1280, 960, 5, "Lanczos", "lanczos3"},
        {4000, 3000, 1000, 750, 5, "Lanczos", "lanczos3"},
    };
    char folder[] = "/tmp/bench_resample_XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string in = std::string(folder) + "/in.ppm", out = std::string(folder) + "/out.ppm",
                      outVips = std::string(folder) + "/out.v";
    std::printf("%-28s %10s | %14s %14s  (whole process, PPM)\n", "case", "ours s", "ImageMagick s", "vips s");
    for (const Case &c : cases) {
        TBitmap source = NoisyPicture(c.sourceWidth, c.sourceHeight);
        const FilterEntry &filter = FilterTable[static_cast<size_t>(c.filter)];
        const double ours = BestSeconds(kRuns, [&] {
            TBitmap destination(c.width, c.height);
            ResampleStretch(source, destination, filter.Kernel, filter.Support);
        });
        WritePpm(source, in);
        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        const double magick = CommandSeconds("MAGICK_THREAD_LIMIT=1 /usr/bin/convert " + in + " -filter "
                                                 + c.magickFilter + " -resize " + size + "! " + out,
                                             kRuns);
        const double hscale = static_cast<double>(c.width) / c.sourceWidth;
        const double vscale = static_cast<double>(c.height) / c.sourceHeight;
        const double vips = CommandSeconds("VIPS_CONCURRENCY=1 vips resize " + in + " " + outVips + " "
                                               + std::to_string(hscale) + " --vscale "
                                               + std::to_string(vscale) + " --kernel " + c.vipsKernel,
                                           kRuns);
        std::printf("%4dx%-4d -> %4dx%-4d %-8s %10.4f | %14.3f %14.3f\n", c.sourceWidth, c.sourceHeight,
                    c.width, c.height, filter.Name, ours, magick, vips);
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(outVips.c_str());
    rmdir(folder);
    return 0;
}
