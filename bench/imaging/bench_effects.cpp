// Times every pixel effect on a 6000 × 4000 picture in-process and prints megapixels per second,
// beside ImageMagick's nearest equivalents on the same picture (single thread, PPM in and out).
#include "bench/imaging/bench_support.h"
#include "imaging/effects.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vistrel;
using namespace vistrel::bench;

namespace {

// Ours are quick enough to take the best of more runs, which matters on a busy machine.
constexpr int kWidth = 6000, kHeight = 4000, kRuns = 3, kOurRuns = 10;
constexpr double kMegapixels = kWidth * kHeight / 1e6;

struct Effect {
    std::string name;
    std::function<void(TBitmap &)> run;
    const char *magickOption; // nullptr: ImageMagick has no close equivalent
};

double EffectSeconds(const TBitmap &picture, const Effect &effect)
{
    double best = 1e30;
    for (int i = 0; i < kOurRuns; ++i) {
        TBitmap work = picture;
        const auto start = std::chrono::steady_clock::now();
        effect.run(work);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

std::string MagickCommand(const std::string &in, const std::string &option, const std::string &out)
{
    return "MAGICK_THREAD_LIMIT=1 /usr/bin/convert " + in + " " + option + " " + out + " 2>/dev/null";
}

} // namespace

int main()
{
    const std::map<std::string, const char *> magickOptions = {
        {"invert", "-negate"}, {"greyscale", "-colorspace gray"}, {"flipdown", "-flip"},
        {"flipright", "-flop"}, {"rotate-right", "-rotate 90"},   {"rotate-left", "-rotate -90"},
    };
    std::vector<Effect> effects;
    for (const EffectEntry &entry : EffectTable) {
        const auto magick = magickOptions.find(entry.Name);
        effects.push_back({entry.Name, [&entry](TBitmap &b) { ApplyEffect(entry, b); },
                           magick == magickOptions.end() ? nullptr : magick->second});
    }
    // The turns again into a destination that already holds a picture of that size: most of the
    // difference is the operating system handing out fresh zeroed pages.
    TBitmap reused(kHeight, kWidth);
    for (const char *name : {"rotate-right", "rotate-left"}) {
        const EffectEntry &turn = EffectNamed(name);
        effects.push_back({std::string(name) + " reused", [&turn, &reused](TBitmap &b) { turn.Turn(b, reused); },
                           nullptr});
    }
    const TBitmap picture = NoisyPicture(kWidth, kHeight);

    char folder[] = "/tmp/bench_effects_XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string in = std::string(folder) + "/in.ppm", out = std::string(folder) + "/out.ppm";
    WritePpm(picture, in);
    // ImageMagick's own read and write of the same files, to subtract from its totals.
    const double magickCopy = CommandSeconds(MagickCommand(in, "", out), kRuns);

    std::printf("Effects on %d x %d (%.0f MP), best of %d (ImageMagick: of %d); ImageMagick: one thread, PPM\n"
                "in and out, 'op only' = its total minus a plain read and write (%.3f s)\n\n",
                kWidth, kHeight, kMegapixels, kOurRuns, kRuns, magickCopy);
    std::printf("%-20s %9s %9s | %-17s %9s %9s %12s\n", "effect", "seconds", "MP/s", "ImageMagick",
                "total s", "op only s", "op only MP/s");
    for (const Effect &effect : effects) {
        const double ours = EffectSeconds(picture, effect);
        std::printf("%-20s %9.4f %9.0f |", effect.name.c_str(), ours, kMegapixels / ours);
        if (effect.magickOption) {
            const double total = CommandSeconds(MagickCommand(in, effect.magickOption, out), kRuns);
            const double op = total - magickCopy;
            std::printf(" %-17s %9.3f %9.3f %12.0f\n", effect.magickOption, total, op,
                        op > 0 ? kMegapixels / op : 0.0);
        } else {
            std::printf(" %-17s\n", "-");
        }
    }
    std::printf("\nTarget: quarter turns of %.0f MP at 1000 MP/s or more.\n", kMegapixels);
    std::remove(in.c_str());
    std::remove(out.c_str());
    rmdir(folder);
    return 0;
}
