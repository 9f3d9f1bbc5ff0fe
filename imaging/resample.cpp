#include "imaging/resample.h"

#include "imaging/resample_passes.h"
#include "imaging/side_by_side.h"

#include "platform/error.h"
#include "platform/exif_orientation.h"

#include <algorithm>
#include <cmath>

// Arithmetic note: the kernels and the list set-up evaluate in long double (the x87 extended
// format) and round to float exactly where a 32-bit variable is stored. The pixel sums are floats
// rounded after every addition, while each product weight × byte is exact before it is added (as
// in extended arithmetic); resample_passes.cpp computes them.

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

void MirrorContributors(ContributorLists &lists, int sourceSize)
{
    for (Contributor &entry : lists.Entries)
        entry.Pixel = sourceSize - 1 - entry.Pixel;
}

// About how many kernel values BuildContributors computes for scaling sourceSize pixels to
// destinationSize.
double KernelCalls(int sourceSize, int destinationSize, float support)
{
    const double reach = 2.0 * support * std::max(1.0, static_cast<double>(sourceSize) / destinationSize) + 1;
    return reach * destinationSize;
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

StripResampler::StripResampler(int sourceWidth, int sourceHeight, int width, int height, KernelFunction kernel,
                               float support, int orientation)
    : width_(width), height_(height), orientation_(orientation), kernel_(kernel), support_(support)
{
    if (sourceWidth < 1 || sourceHeight < 1)
        throw Error("Source bitmap too small");
    if (SwapsSides(orientation)) {
        upright_ = TBitmap::Uncleared(sourceHeight, sourceWidth, PixelFormat::pf24bit);
        return;
    }
    if (width == 0 || height == 0)
        return;
    const auto buildColumns = [&] { columns_ = BuildContributors(sourceWidth, width, kernel, support); };
    const auto buildRows = [&] { rows_ = BuildContributors(sourceHeight, height, kernel, support); };
    // The kernels can be slow (Lanczos3 takes two extended-precision sines): many of them are
    // worth a second thread.
    constexpr double kKernelCallsForASecondThread = 20000;
    if (KernelCalls(sourceWidth, width, support) + KernelCalls(sourceHeight, height, support)
        >= kKernelCallsForASecondThread) {
        RunSideBySide(buildColumns, buildRows);
    } else {
        buildColumns();
        buildRows();
    }
    // A mirrored picture is resampled as stored, each list reading its source pixels mirrored:
    // every sum takes the same bytes in the same order as from the upright picture.
    if (orientation == 2 || orientation == 3)
        MirrorContributors(columns_, sourceWidth);
    if (orientation == 3 || orientation == 4)
        MirrorContributors(rows_, sourceHeight);
    work_ = TBitmap::Uncleared(width, sourceHeight, PixelFormat::pf24bit); // the pass writes every pixel
}

void StripResampler::Take(const TBitmap &strip, int firstRow)
{
    if (!upright_.empty())
        PlaceUpright(strip, firstRow, orientation_, upright_);
    else if (!work_.empty())
        HorizontalPass(strip, columns_, work_, PassKernels::Widest, firstRow, &worker_);
}

void StripResampler::Finish(TBitmap &destination)
{
    if (!upright_.empty()) {
        destination = TBitmap(width_, height_, PixelFormat::pf24bit);
        ResampleStretch(upright_, destination, kernel_, support_);
        upright_ = TBitmap();
        return;
    }
    if (work_.empty()) {
        destination = TBitmap(width_, height_, PixelFormat::pf24bit);
        return;
    }
    columns_ = ContributorLists();
    if (destination.width() != width_ || destination.height() != height_
        || destination.pixelFormat() != PixelFormat::pf24bit) {
        destination = TBitmap(); // never hold the old and the new pixels together
        destination = TBitmap(width_, height_, PixelFormat::pf24bit);
    }
    VerticalPass(work_, rows_, destination, PassKernels::Widest, &worker_);
    work_ = TBitmap();
}

void ResampleStretch(TBitmap &source, TBitmap &destination, KernelFunction kernel, float support)
{
    StripResampler resampler(source.width(), source.height(), destination.width(), destination.height(), kernel,
                             support);
    source.setPixelFormat(PixelFormat::pf24bit);
    resampler.Take(source, 0);
    resampler.Finish(destination);
}

} // namespace vistrel
