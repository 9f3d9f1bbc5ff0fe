#include "imaging/resample.h"
#include "imaging/resample_passes.h"
#include "imaging/side_by_side.h"
#include "platform/error.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>

using namespace vistrel;
using vistrel::testing::FilledPicture;
using vistrel::testing::PatternPicture;

namespace {

// The stretch written out plainly: one pixel and one channel at a time, sums in extended
// precision rounded to float after every addition.
uint8_t ReferenceByte(float sum)
{
    if (sum > 255)
        return 255;
    if (sum < 0)
        return 0;
    return static_cast<uint8_t>(std::nearbyint(sum));
}

// How a sum takes its next product: in long double (the plain definition) or double, rounded
// back to float, or fused into one rounding (as the passes compute it).
using SumStep = float (*)(float sum, float weight, int byte);

template <typename Wide>
float Widened(float sum, float weight, int byte)
{
    return static_cast<float>(static_cast<Wide>(sum) + static_cast<Wide>(weight) * byte);
}

float Fused(float sum, float weight, int byte)
{
    return std::fma(weight, static_cast<float>(byte), sum);
}

template <typename Source>
uint8_t SumOf(const ContributorLists &lists, size_t i, SumStep step, Source byteAt)
{
    float sum = 0;
    for (const Contributor *e = lists.begin(i); e != lists.end(i); ++e)
        sum = step(sum, e->Weight, byteAt(e->Pixel));
    return ReferenceByte(sum);
}

TBitmap SumStretch(const TBitmap &s, int wd, int hd, const FilterEntry &filter, SumStep step)
{
    const ContributorLists columns = BuildContributors(s.width(), wd, filter.Kernel, filter.Support);
    const ContributorLists rows = BuildContributors(s.height(), hd, filter.Kernel, filter.Support);
    TBitmap t(wd, s.height()), d(wd, hd);
    for (int k = 0; k < s.height(); ++k)
        for (int i = 0; i < wd; ++i)
            for (int c = 0; c < 3; ++c)
                t.scanLine(k)[i * 3 + c] = SumOf(columns, i, step, [&](int n) { return s.scanLine(k)[n * 3 + c]; });
    for (int k = 0; k < wd; ++k)
        for (int i = 0; i < hd; ++i)
            for (int c = 0; c < 3; ++c)
                d.scanLine(i)[k * 3 + c] = SumOf(rows, i, step, [&](int n) { return t.scanLine(n)[k * 3 + c]; });
    return d;
}

TBitmap ReferenceStretch(const TBitmap &s, int wd, int hd, const FilterEntry &filter)
{
    return SumStretch(s, wd, hd, filter, Widened<long double>);
}

TBitmap PlainStretch(const TBitmap &s, int wd, int hd, const FilterEntry &filter)
{
    return SumStretch(s, wd, hd, filter, Fused);
}

struct PassResults {
    TBitmap Work, Destination;
};

PassResults RunPasses(const TBitmap &source, int wd, int hd, const FilterEntry &filter, PassKernels kernels)
{
    PassResults r{TBitmap(wd, source.height()), TBitmap(wd, hd)};
    HorizontalPass(source, BuildContributors(source.width(), wd, filter.Kernel, filter.Support), r.Work, kernels);
    VerticalPass(r.Work, BuildContributors(source.height(), hd, filter.Kernel, filter.Support), r.Destination, kernels);
    return r;
}

TBitmap Stretch(TBitmap source, int wd, int hd, const FilterEntry &filter)
{
    TBitmap d(wd, hd);
    ResampleStretch(source, d, filter.Kernel, filter.Support);
    return d;
}

} // namespace

TEST(Kernels, TableListsTheSevenFiltersInComboOrder)
{
    const char *items[] = {"Box filter",      "Triangle filter", "Hermite filter", "Bell filter",
                           "B-Spline filter", "Lanczos3 filter", "Mitchell filter"};
    const float supports[] = {0.5f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
    for (size_t i = 0; i < FilterTable.size(); ++i) {
        EXPECT_STREQ(FilterTable[i].ComboItem, items[i]);
        EXPECT_EQ(FilterTable[i].Support, supports[i]);
        EXPECT_EQ(FilterTable[i].Kernel(-FilterTable[i].Support), 0.0f) << FilterTable[i].Name;
        EXPECT_EQ(FilterTable[i].Kernel(FilterTable[i].Support * 1.001f), 0.0f) << FilterTable[i].Name;
    }
    EXPECT_STREQ(FilterTable[4].Name, "B-Spline");
}

TEST(Kernels, BoxIncludesItsRightEdgeOnly)
{
    EXPECT_EQ(BoxKernel(0.5f), 1.0f);
    EXPECT_EQ(BoxKernel(-0.5f), 0.0f);
    EXPECT_EQ(BoxKernel(0.0f), 1.0f);
    EXPECT_EQ(BoxKernel(std::nextafter(-0.5f, 0.0f)), 1.0f);
    EXPECT_EQ(BoxKernel(std::nextafter(0.5f, 1.0f)), 0.0f);
}

TEST(Kernels, ValuesAtTheirBreakPoints)
{
    EXPECT_EQ(TriangleKernel(0.0f), 1.0f);
    EXPECT_EQ(TriangleKernel(-0.25f), 0.75f);
    EXPECT_EQ(HermiteKernel(0.5f), 0.5f);
    EXPECT_EQ(HermiteKernel(1.0f), 0.0f);
    EXPECT_EQ(BellKernel(0.0f), 0.75f);
    EXPECT_EQ(BellKernel(0.5f), 0.5f);
    EXPECT_EQ(BellKernel(-1.0f), 0.125f);
    EXPECT_EQ(BSplineKernel(0.0f), static_cast<float>(2.0L / 3.0L));
    EXPECT_EQ(BSplineKernel(1.0f), static_cast<float>(1.0L / 6.0L));
    EXPECT_EQ(BSplineKernel(2.0f), 0.0f);
    EXPECT_EQ(Lanczos3Kernel(0.0f), 1.0f);
    EXPECT_EQ(MitchellKernel(0.0f), static_cast<float>(static_cast<float>(16.0L / 3.0L) / 6.0L));
    EXPECT_FLOAT_EQ(MitchellKernel(1.0f), 1.0f / 18.0f);
    EXPECT_EQ(MitchellKernel(2.0f), 0.0f);
}

TEST(Kernels, SincRoundsPiTimesXToFloat)
{
    // π rounded to float lies above π, so sin of it is slightly negative: the Lanczos weight at
    // whole distances is a tiny negative number, not zero.
    EXPECT_LT(Lanczos3Kernel(1.0f), 0.0f);
    EXPECT_GT(Lanczos3Kernel(1.0f), -1e-6f);
    EXPECT_EQ(Lanczos3Kernel(-1.0f), Lanczos3Kernel(1.0f));
}

TEST(Kernels, MitchellWeightsAtWholeOffsetsSumToOne)
{
    for (float phase : {0.0f, 0.25f, 0.5f, 0.8f}) {
        float sum = 0;
        for (int j = -2; j <= 2; ++j)
            sum += MitchellKernel(phase - j);
        EXPECT_NEAR(sum, 1.0f, 1e-6f) << phase;
    }
}

TEST(Contributors, ShrinkingGivesListsRoomForTwiceTheWidenedSupport)
{
    const ContributorLists lists = BuildContributors(800, 32, MitchellKernel, 2.0f);
    EXPECT_EQ(lists.Capacity, 104);
    ASSERT_EQ(lists.count(), 32u);
    for (size_t i = 0; i < lists.count(); ++i) {
        EXPECT_LE(lists.end(i) - lists.begin(i), lists.Capacity);
        for (const Contributor *c = lists.begin(i); c != lists.end(i); ++c) {
            EXPECT_GE(c->Pixel, 0);
            EXPECT_LT(c->Pixel, 800);
            EXPECT_NE(c->Weight, 0.0f);
        }
    }
}

TEST(Contributors, BoxEnlargementCopiesColumnZeroIntoColumnOne)
{
    const ContributorLists lists = BuildContributors(3, 5, BoxKernel, 0.5f);
    ASSERT_EQ(lists.end(1) - lists.begin(1), 1);
    EXPECT_EQ(lists.begin(1)->Pixel, 0);
    EXPECT_EQ(lists.begin(1)->Weight, 1.0f);

    TBitmap source = PatternPicture(3, 2);
    const TBitmap d = Stretch(source, 5, 2, FilterTable[0]);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(d.pixel(1, y), source.pixel(0, y));
        EXPECT_EQ(d.pixel(4, y), source.pixel(2, y));
    }
}

TEST(Contributors, MirrorAtTheEdgesAndKeepFoldingWhenTheReachIsWide)
{
    // j = −1 reflects onto 1, j = Ws onto Ws − 1; a reach beyond the source folds again.
    for (auto [ws, wd, filter] : {std::tuple{1, 7, 6}, {2, 9, 5}, {3, 2, 5}, {1000, 2, 6}, {5, 3, 4}}) {
        const ContributorLists lists = BuildContributors(ws, wd, FilterTable[filter].Kernel, FilterTable[filter].Support);
        for (const Contributor &c : lists.Entries) {
            EXPECT_GE(c.Pixel, 0) << ws << "->" << wd;
            EXPECT_LT(c.Pixel, ws) << ws << "->" << wd;
        }
    }
    const ContributorLists one = BuildContributors(2, 3, MitchellKernel, 2.0f);
    EXPECT_EQ(one.begin(0)->Pixel, 1); // j = −1 first, mirrored onto 1
}

TEST(Resample, TriangleAtTheSameSizeReproducesThePicture)
{
    TBitmap source = PatternPicture(2, 2);
    EXPECT_EQ(Stretch(source, 2, 2, FilterTable[1]), source);
    TBitmap larger = PatternPicture(17, 11);
    EXPECT_EQ(Stretch(larger, 17, 11, FilterTable[1]), larger);
}

TEST(Resample, UniformColourSurvivesWhereWeightsSumToOne)
{
    const PaletteEntry colour{12, 200, 77};
    for (auto [w, h] : {std::pair{7, 5}, {31, 3}, {2, 9}})
        EXPECT_EQ(Stretch(FilledPicture(3, 2, colour), w, h, FilterTable[0]), FilledPicture(w, h, colour));
}

TEST(Resample, HalvesRoundToEven)
{
    // Enlarging 2 → 3 with Triangle: the middle column is 0.5 · left + 0.5 · right.
    TBitmap source(2, 1);
    source.setPixel(0, 0, {0, 0, 0});
    source.setPixel(1, 0, {5, 7, 9});
    const TBitmap d = Stretch(source, 3, 1, FilterTable[1]);
    EXPECT_EQ(d.pixel(1, 0), (PaletteEntry{2, 4, 4}));
}

TEST(Resample, MatchesThePlainDefinitionForEveryFilter)
{
    const std::pair<int, int> sizes[][2] = {
        {{23, 19}, {9, 7}},  {{9, 7}, {23, 19}}, {{40, 3}, {13, 30}},
        {{1, 1}, {5, 4}},    {{2, 17}, {1, 1}},  {{64, 1}, {5, 1}},
        {{5, 12}, {5, 12}},  {{3, 3}, {2, 40}},
    };
    for (const auto &filter : FilterTable)
        for (const auto &[from, to] : sizes) {
            const TBitmap source = PatternPicture(from.first, from.second, 5);
            EXPECT_EQ(Stretch(source, to.first, to.second, filter),
                      ReferenceStretch(source, to.first, to.second, filter))
                << filter.Name << " " << from.first << "x" << from.second << " -> " << to.first << "x" << to.second;
        }
}

TEST(Resample, StripsGiveTheBytesOfTheWholePicture)
{
    // The widest strips are split in two bands, one on the resampler's own helper thread.
    const std::pair<int, int> sizes[][2] = {{{37, 29}, {11, 7}}, {{12, 9}, {31, 40}}, {{5, 1}, {3, 2}}, {{3000, 130}, {100, 8}}};
    for (const auto &filter : FilterTable)
        for (const auto &[from, to] : sizes)
            for (int stripRows : {1, 4, 64}) {
                if (from.first > 1000 && (stripRows < 64 || filter.Kernel != MitchellKernel))
                    continue; // one case is enough, and the others are slow
                const TBitmap source = PatternPicture(from.first, from.second, 9);
                StripResampler resampler(from.first, from.second, to.first, to.second, filter.Kernel, filter.Support);
                for (int first = 0; first < from.second; first += stripRows) {
                    const int rows = std::min(stripRows, from.second - first);
                    TBitmap strip(from.first, rows);
                    for (int r = 0; r < rows; ++r)
                        std::memcpy(strip.scanLine(r), source.scanLine(first + r), source.bytesPerLine());
                    resampler.Take(strip, first);
                }
                TBitmap resized;
                resampler.Finish(resized);
                EXPECT_EQ(resized, Stretch(source, to.first, to.second, filter))
                    << filter.Name << " " << from.first << "x" << from.second << " in strips of " << stripRows;
            }
}

TEST(Resample, SinglePixelDestinationAveragesTheWholeLine)
{
    TBitmap source(4, 1);
    const uint8_t values[] = {0, 100, 200, 40};
    for (int x = 0; x < 4; ++x)
        source.setPixel(x, 0, {values[x], values[x], values[x]});
    const TBitmap d = Stretch(source, 1, 1, FilterTable[0]);
    EXPECT_EQ(d.pixel(0, 0), (PaletteEntry{85, 85, 85}));
    EXPECT_EQ(Stretch(FilledPicture(50, 30, {9, 8, 7}), 1, 1, FilterTable[6]), FilledPicture(1, 1, {9, 8, 7}));
}

TEST(Resample, EmptySourceFailsAndLeavesDestinationAlone)
{
    for (auto [w, h] : {std::pair{0, 0}, {0, 3}, {3, 0}}) {
        TBitmap source(w, h, PixelFormat::pf8bit);
        TBitmap d = PatternPicture(4, 4);
        const TBitmap before = d;
        try {
            ResampleStretch(source, d, MitchellKernel, 2.0f);
            FAIL() << "no error";
        } catch (const Error &e) {
            EXPECT_STREQ(e.what(), "Source bitmap too small");
        }
        EXPECT_EQ(d, before);
        EXPECT_EQ(source.pixelFormat(), PixelFormat::pf8bit);
    }
}

TEST(Resample, EmptyDestinationOnlyTakesTheFormat)
{
    for (auto [w, h] : {std::pair{0, 0}, {0, 3}, {3, 0}}) {
        TBitmap source = PatternPicture(5, 5);
        TBitmap d(w, h, PixelFormat::pf8bit);
        ResampleStretch(source, d, Lanczos3Kernel, 3.0f);
        EXPECT_EQ(d.width(), w);
        EXPECT_EQ(d.height(), h);
        EXPECT_EQ(d.pixelFormat(), PixelFormat::pf24bit);
    }
}

TEST(Resample, ConvertsTheSourceAndGivesTheDestinationTwentyFourBits)
{
    TBitmap source = PatternPicture(6, 6);
    source.setPixelFormat(PixelFormat::pf4bit);
    TBitmap d(3, 3, PixelFormat::pf8bit);
    ResampleStretch(source, d, BellKernel, 1.5f);
    EXPECT_EQ(source.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(d.pixelFormat(), PixelFormat::pf24bit);
    EXPECT_EQ(d.width(), 3);
    EXPECT_EQ(d.height(), 3);
}

TEST(Resample, NegativeLobesAreClampedToTheByteRange)
{
    // A hard edge overshoots with Lanczos3; clamping must not wrap around.
    TBitmap source(8, 1);
    for (int x = 0; x < 8; ++x)
        source.setPixel(x, 0, x < 4 ? PaletteEntry{0, 0, 0} : PaletteEntry{255, 255, 255});
    const TBitmap d = Stretch(source, 29, 1, FilterTable[5]);
    for (int x = 0; x < 29; ++x) {
        const uint8_t v = d.pixel(x, 0).b;
        if (x <= 10) {
            EXPECT_LT(v, 64) << x;
        }
        if (x >= 18) {
            EXPECT_GT(v, 191) << x;
        }
    }
}

TEST(ResamplePasses, WideKernelsMatchThePortableOnesAndThePlainSums)
{
    // Single pixels and lines; rows of a few bytes and of lengths no vector width divides; every
    // ratio from 2 to 20 down and up; sources wider than one cached chunk of pixels; pictures
    // large enough to be split over two threads, with an odd number of rows.
    const std::pair<int, int> sizes[][2] = {
        {{1, 1}, {1, 1}},     {{1, 7}, {1, 7}},      {{7, 1}, {7, 1}},      {{1, 1}, {7, 7}},
        {{1, 7}, {20, 140}},  {{7, 1}, {140, 20}},   {{40, 35}, {20, 17}},  {{60, 45}, {20, 15}},
        {{140, 60}, {7, 3}},  {{13, 11}, {130, 110}}, {{33, 9}, {99, 27}},   {{11, 5}, {55, 25}},
        {{600, 130}, {30, 65}}, {{1300, 70}, {67, 35}}, {{1300, 5}, {2, 3}}, {{901, 803}, {450, 401}},
    };
    for (const auto &filter : FilterTable)
        for (const auto &[from, to] : sizes) {
            const TBitmap source = PatternPicture(from.first, from.second, 9);
            const PassResults wide = RunPasses(source, to.first, to.second, filter, PassKernels::Widest);
            const PassResults portable = RunPasses(source, to.first, to.second, filter, PassKernels::Portable);
            const std::string name = std::string(filter.Name) + " " + std::to_string(from.first) + "x"
                + std::to_string(from.second) + " -> " + std::to_string(to.first) + "x" + std::to_string(to.second);
            EXPECT_EQ(wide.Work, portable.Work) << name;
            EXPECT_EQ(wide.Destination, portable.Destination) << name;
            EXPECT_EQ(wide.Destination, PlainStretch(source, to.first, to.second, filter)) << name;
        }
}

// Fused sums round once where sums in double round twice (to double, then to float): on random
// pictures, down and up, with every filter, at most 1 in 200 bytes may differ, by 1 at most.
TEST(ResamplePasses, FusedSumsStayWithinOneLevelOfDoubleSums)
{
    const std::pair<int, int> sizes[][2] = {{{317, 211}, {64, 48}}, {{64, 48}, {317, 211}}, {{1000, 30}, {37, 45}}};
    for (const auto &filter : FilterTable)
        for (const auto &[from, to] : sizes) {
            TBitmap source = PatternPicture(from.first, from.second, 3);
            const TBitmap fused = Stretch(source, to.first, to.second, filter);
            const TBitmap doubled = SumStretch(source, to.first, to.second, filter, Widened<double>);
            size_t differing = 0, bytes = 0;
            for (int y = 0; y < to.second; ++y)
                for (int i = 0; i < to.first * 3; ++i, ++bytes) {
                    const int difference = std::abs(fused.scanLine(y)[i] - doubled.scanLine(y)[i]);
                    ASSERT_LE(difference, 1) << filter.Name << " " << from.first << " -> " << to.first;
                    differing += difference;
                }
            EXPECT_LE(differing * 200, bytes) << filter.Name << " " << from.first << " -> " << to.first;
        }
}

TEST(SideBySide, FailuresOfEitherHalfReachTheCaller)
{
    SideBySideWorker worker; // kept across the runs, as for the strips of a picture
    const std::function<void(const std::function<void()> &, const std::function<void()> &)> runners[] = {
        [](const auto &first, const auto &second) { RunSideBySide(first, second); },
        [&worker](const auto &first, const auto &second) { worker.Run(first, second); },
    };
    for (const auto &run : runners) {
        for (bool secondFails : {false, true}) {
            bool otherRan = false;
            try {
                run([&] { if (!secondFails) throw Error("first"); otherRan = true; },
                    [&] { if (secondFails) throw Error("second"); otherRan = true; });
                FAIL() << "no error";
            } catch (const Error &e) {
                EXPECT_STREQ(e.what(), secondFails ? "second" : "first");
            }
            EXPECT_TRUE(otherRan) << secondFails;
        }
        int ran = 0;
        run([&] { ++ran; }, [&] { ++ran; });
        EXPECT_EQ(ran, 2);
    }
}
