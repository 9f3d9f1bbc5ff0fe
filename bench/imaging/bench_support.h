#pragma once

#include "platform/bitmap.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace vistrel::bench {

inline TBitmap NoisyPicture(int width, int height)
{
    TBitmap b(width, height);
    uint32_t state = 2463534242u;
    for (int y = 0; y < height; ++y) {
        uint8_t *row = b.scanLine(y);
        for (int i = 0; i < width * 3; ++i) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            // Smooth gradients with a little noise, like a photograph, rather than pure noise.
            row[i] = static_cast<uint8_t>((i / 3 + y + (i % 3) * 60) / 8 + (state & 15));
        }
    }
    return b;
}

// Binary PPM (P6): uncompressed, so an external tool spends little time in its codec.
inline void WritePpm(const TBitmap &b, const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fprintf(f, "P6\n%d %d\n255\n", b.width(), b.height());
    std::string row(static_cast<size_t>(b.width()) * 3, '\0');
    for (int y = 0; y < b.height(); ++y) {
        const uint8_t *p = b.scanLine(y);
        for (int x = 0; x < b.width(); ++x) {
            row[x * 3] = static_cast<char>(p[x * 3 + 2]);
            row[x * 3 + 1] = static_cast<char>(p[x * 3 + 1]);
            row[x * 3 + 2] = static_cast<char>(p[x * 3]);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    std::fclose(f);
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median of `runs` timings of work, after one run that warms the caches.
template <typename Work>
double MedianMilliseconds(Work work, int runs = 9)
{
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return Median(std::move(times));
}

template <typename Work>
double BestSeconds(int runs, Work work)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Wall time of one shell command, best of `runs`; negative when the command fails.
inline double CommandSeconds(const std::string &command, int runs)
{
    bool failed = false;
    const double seconds = BestSeconds(runs, [&] { failed |= std::system(command.c_str()) != 0; });
    return failed ? -1 : seconds;
}

} // namespace vistrel::bench
