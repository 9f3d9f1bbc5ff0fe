#include "imaging/resample.h"

#include "imaging/wide_vectors.h"

#include "platform/error.h"

#include <algorithm>
#include <cmath>

// Arithmetic note: the kernels and the list set-up evaluate in long double (the x87 extended
// format) and round to float exactly where a 32-bit variable is stored. The pixel sums are floats
// rounded after every addition, while each product weight × byte is exact before it is added (as
// in extended arithmetic); a double holds such a product exactly, so the sums are computed as
// float(double(sum) + double(weight) · byte). This file is built without contraction into fused
// multiply-adds, which would skip the rounding of the sums.

namespace vistrel {

namespace {

constexpr long double kPi = 3.14159265358979323846264338327950288L;
constexpr long double kTwoThirds = 2.0L / 3.0L;
constexpr long double kOneSixth = 1.0L / 6.0L;
constexpr long double kSixteenThirds = 16.0L / 3.0L;
constexpr long double kMinusSevenThirds = -7.0L / 3.0L;
constexpr long double kThirtyTwoThirds = 32.0L / 3.0L;

float NormalizedSinc(float x)
{
    if (x == 0.0f)
        return 1.0f;
    const float p = static_cast<float>(kPi * x);
    return static_cast<float>(std::sin(static_cast<long double>(p)) / p);
}

// Folds an index that lies outside 0 .. size − 1 back by mirroring at the edges as often as
// needed: −j for j < 0, 2 · size − 1 − j for j ≥ size. The two reflections repeat with the
// period 2 · size − 1.
int32_t FoldIntoSource(int64_t j, int size)
{
    const int64_t period = 2 * static_cast<int64_t>(size) - 1;
    int64_t r = j % period;
    if (r < 0)
        r += period;
    return static_cast<int32_t>(r < size ? r : period - r);
}

uint8_t ToByte(float sum)
{
    const float clamped = std::min(std::max(sum, 0.0f), 255.0f);
    // Adding and removing 2^23 rounds to an integer, halves to even, in the default rounding mode.
    constexpr float kRoundingShift = 8388608.0f;
    return static_cast<uint8_t>(static_cast<int>((clamped + kRoundingShift) - kRoundingShift));
}

// Source rows are resampled horizontally in blocks of this many rows: the rows' channels are
// interleaved per source pixel, so that each contributor adds to all of them at once.
constexpr int kBlockRows = 16;
constexpr int kBlockLanes = kBlockRows * 3;

void AddWeighted(float *sums, const float *values, float weight)
{
    const double w = weight;
    for (int q = 0; q < kBlockLanes; ++q)
        sums[q] = static_cast<float>(static_cast<double>(sums[q]) + w * static_cast<double>(values[q]));
}

void AddWeightedRow(float *sums, const uint8_t *values, size_t count, float weight)
{
    const double w = weight;
    for (size_t q = 0; q < count; ++q)
        sums[q] = static_cast<float>(static_cast<double>(sums[q]) + w * static_cast<double>(values[q]));
}

void InterleaveRows(const TBitmap &source, int firstRow, int rows, std::vector<float> &block)
{
    const int width = source.width();
    std::fill(block.begin(), block.end(), 0.0f);
    for (int r = 0; r < rows; ++r) {
        const uint8_t *row = source.scanLine(firstRow + r);
        float *lane = block.data() + r * 3;
        for (int n = 0; n < width; ++n, lane += kBlockLanes, row += 3) {
            lane[0] = row[0];
            lane[1] = row[1];
            lane[2] = row[2];
        }
    }
}

VISTREL_WIDE_VECTORS void HorizontalPass(const TBitmap &source, const ContributorLists &columns, TBitmap &work)
{
    std::vector<float> block(static_cast<size_t>(source.width()) * kBlockLanes);
    for (int firstRow = 0; firstRow < source.height(); firstRow += kBlockRows) {
        const int rows = std::min(kBlockRows, source.height() - firstRow);
        InterleaveRows(source, firstRow, rows, block);
        for (size_t i = 0; i < columns.count(); ++i) {
            float sums[kBlockLanes] = {};
            for (const Contributor *c = columns.begin(i); c != columns.end(i); ++c)
                AddWeighted(sums, block.data() + static_cast<size_t>(c->Pixel) * kBlockLanes, c->Weight);
            for (int r = 0; r < rows; ++r) {
                uint8_t *out = work.scanLine(firstRow + r) + i * 3;
                for (int channel = 0; channel < 3; ++channel)
                    out[channel] = ToByte(sums[r * 3 + channel]);
            }
        }
    }
}

VISTREL_WIDE_VECTORS void VerticalPass(const TBitmap &work, const ContributorLists &rows, TBitmap &destination)
{
    const size_t rowBytes = static_cast<size_t>(work.width()) * 3;
    std::vector<float> sums(rowBytes);
    for (size_t i = 0; i < rows.count(); ++i) {
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (const Contributor *c = rows.begin(i); c != rows.end(i); ++c)
            AddWeightedRow(sums.data(), work.scanLine(c->Pixel), rowBytes, c->Weight);
        uint8_t *out = destination.scanLine(static_cast<int>(i));
        for (size_t q = 0; q < rowBytes; ++q)
            out[q] = ToByte(sums[q]);
    }
}

} // namespace

float BoxKernel(float x)
{
    return (x > -0.5f && x <= 0.5f) ? 1.0f : 0.0f;
}

float TriangleKernel(float x)
{
    const long double t = std::fabs(x);
    return t < 1 ? static_cast<float>(1 - t) : 0.0f;
}

float HermiteKernel(float x)
{
    const long double t = std::fabs(x);
    return t < 1 ? static_cast<float>((2 * t - 3) * (t * t) + 1) : 0.0f;
}

float BellKernel(float x)
{
    const long double t = std::fabs(x);
    if (t < 0.5L)
        return static_cast<float>(0.75L - t * t);
    if (t < 1.5L) {
        const long double u = t - 1.5L;
        return static_cast<float>(0.5L * (u * u));
    }
    return 0.0f;
}

float BSplineKernel(float x)
{
    const long double t = std::fabs(x);
    if (t < 1) {
        const long double tt = t * t;
        return static_cast<float>(0.5L * tt * t - tt + kTwoThirds);
    }
    if (t < 2) {
        const long double u = 2 - t;
        return static_cast<float>(kOneSixth * (u * u * u));
    }
    return 0.0f;
}

float Lanczos3Kernel(float x)
{
    const float t = std::fabs(x);
    if (t >= 3)
        return 0.0f;
    const float third = static_cast<float>(t / 3.0L);
    return static_cast<float>(static_cast<long double>(NormalizedSinc(t)) * NormalizedSinc(third));
}

float MitchellKernel(float x)
{
    const long double t = std::fabs(x);
    const long double tt = t * t;
    float numerator;
    if (t < 1)
        numerator = static_cast<float>(7 * (tt * t) - 12 * tt + kSixteenThirds);
    else if (t < 2)
        numerator = static_cast<float>(kMinusSevenThirds * (tt * t) + 12 * tt - 20 * t + kThirtyTwoThirds);
    else
        return 0.0f;
    return static_cast<float>(numerator / 6.0L);
}

const std::array<FilterEntry, 7> FilterTable = {{
    {"Box", BoxKernel, 0.5f, "Box filter"},
    {"Triangle", TriangleKernel, 1.0f, "Triangle filter"},
    {"Hermite", HermiteKernel, 1.0f, "Hermite filter"},
    {"Bell", BellKernel, 1.5f, "Bell filter"},
    {"B-Spline", BSplineKernel, 2.0f, "B-Spline filter"},
    {"Lanczos3", Lanczos3Kernel, 3.0f, "Lanczos3 filter"},
    {"Mitchell", MitchellKernel, 2.0f, "Mitchell filter"},
}};

ContributorLists BuildContributors(int sourceSize, int destinationSize, KernelFunction kernel,
                                   float support)
{
    ContributorLists lists;
    if (destinationSize <= 0)
        return lists;
    // End pixels are aligned: (d − 1) / (s − 1). A single source pixel scales by d / s. A single
    // destination pixel would make that factor 0 and divide by it; it scales by 1 / s instead
    // and sits at the source's centre, so it becomes the filtered average of the whole line.
    const bool single = destinationSize == 1 && sourceSize > 1;
    const float scale = (sourceSize == 1 || single)
        ? static_cast<float>(static_cast<long double>(destinationSize) / sourceSize)
        : static_cast<float>(static_cast<long double>(destinationSize - 1) / (sourceSize - 1));
    const bool shrinking = scale < 1.0f;
    const float width = shrinking ? static_cast<float>(support / static_cast<long double>(scale)) : support;
    const float filterScale = shrinking ? static_cast<float>(1.0L / scale) : 1.0f;

    lists.Capacity = static_cast<int32_t>(2.0L * width + 1);
    lists.Start.reserve(static_cast<size_t>(destinationSize) + 1);
    lists.Entries.reserve(static_cast<size_t>(destinationSize) * static_cast<size_t>(std::max(lists.Capacity, 1)));
    lists.Start.push_back(0);
    for (int i = 0; i < destinationSize; ++i) {
        const float center = single ? static_cast<float>((sourceSize - 1) / 2.0L)
                                    : static_cast<float>(static_cast<long double>(i) / scale);
        const auto left = static_cast<int64_t>(std::floor(static_cast<long double>(center) - width));
        const auto right = static_cast<int64_t>(std::ceil(static_cast<long double>(center) + width));
        for (int64_t j = left; j <= right; ++j) {
            const long double distance = static_cast<long double>(center) - j;
            const float weight = shrinking
                ? static_cast<float>(kernel(static_cast<float>(distance / filterScale)) / static_cast<long double>(filterScale))
                : kernel(static_cast<float>(distance));
            if (weight != 0.0f)
                lists.Entries.push_back({FoldIntoSource(j, sourceSize), weight});
        }
        lists.Start.push_back(lists.Entries.size());
    }
    return lists;
}

void ResampleStretch(TBitmap &source, TBitmap &destination, KernelFunction kernel, float support)
{
    const int wd = destination.width(), hd = destination.height();
    const int ws = source.width(), hs = source.height();
    if (ws < 1 || hs < 1)
        throw Error("Source bitmap too small");
    source.setPixelFormat(PixelFormat::pf24bit);
    if (wd == 0 || hd == 0) {
        destination = TBitmap(wd, hd, PixelFormat::pf24bit);
        return;
    }
    TBitmap work(wd, hs, PixelFormat::pf24bit);
    HorizontalPass(source, BuildContributors(ws, wd, kernel, support), work);
    if (destination.pixelFormat() != PixelFormat::pf24bit) {
        destination = TBitmap(); // never hold the old and the new pixels together
        destination = TBitmap(wd, hd, PixelFormat::pf24bit);
    }
    VerticalPass(work, BuildContributors(hs, hd, kernel, support), destination);
}

} // namespace vistrel
