// Several inputs at once: results in input order whatever order the work finishes in, and a
// failing input stopping only itself.
#include "cli/cli_run.h"
#include "cli/ordered_jobs.h"
#include "imaging/effects.h"
#include "imaging/resample.h"
#include "platform/jpeg_codec.h"
#include "platform/picture_io.h"
#include "tests/support/files.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace vistrel;
using namespace vistrel::testing;

namespace {

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

} // namespace

TEST(RunInOrder, ReportsInIndexOrderWhenTheFirstFinishesLast)
{
    constexpr size_t kCount = 6;
    std::atomic<size_t> othersDone{0};
    std::vector<size_t> reported;
    RunInOrder(
        kCount, static_cast<int>(kCount),
        [&](size_t index) {
            if (index == 0)
                while (othersDone.load() < kCount - 1) // the first one waits for every other
                    std::this_thread::yield();
            else
                ++othersDone;
            return index * 10;
        },
        [&](size_t result) { reported.push_back(result); });
    EXPECT_EQ(reported, (std::vector<size_t>{0, 10, 20, 30, 40, 50}));
}

TEST(RunInOrder, EveryThreadCountRunsEveryItemOnce)
{
    for (const int threads : {1, 2, 7, 64}) {
        std::vector<std::atomic<int>> runs(20);
        size_t reports = 0;
        RunInOrder(runs.size(), threads, [&](size_t index) { return ++runs[index]; },
                   [&](int count) { EXPECT_EQ(count, 1); ++reports; });
        EXPECT_EQ(reports, runs.size()) << threads;
    }
    size_t reports = 0;
    RunInOrder(0, 4, [](size_t) { return 0; }, [&](int) { ++reports; });
    EXPECT_EQ(reports, 0u);
}

double psnr(const TBitmap &a, const TBitmap &b)
{
    double squares = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 3; ++x)
            squares += std::pow(a.scanLine(y)[x] - b.scanLine(y)[x], 2);
    const double mean = squares / (3.0 * a.width() * a.height());
    return mean == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mean);
}

// --exact gives the bytes of the whole decoded picture resized; the default shrinks a JPEG on
// load when the output is at most half of it, and stays close to those bytes.
TEST(ResizeJob, JpegsShrinkOnLoadUnlessExact)
{
    TempFolder folder;
    const std::string in = folder.file("photo.bmp"); // a JPEG by content, whatever its name
    WritePictureFile(SmoothPicture(301, 283), in, PictureFormat::Jpeg);
    CliOptions options;
    options.Command = CliCommand::Resize;
    options.FilterIndex = 5; // Lanczos3
    for (const auto &[width, height] : {std::pair{97, 61}, std::pair{37, 35}, std::pair{640, 700}}) {
        options.Width = width;
        options.Height = height;
        TBitmap whole = ReadPictureFile(in, PictureFormat::Jpeg), expected(width, height);
        ResampleStretch(whole, expected, FilterTable[5].Kernel, FilterTable[5].Support);
        for (const bool exact : {true, false}) {
            options.Exact = exact;
            RunJob(options, in, folder.file("out.bmp"));
            const TBitmap out = ReadPictureFile(folder.file("out.bmp"), PictureFormat::Bmp);
            if (exact || width * 2 > 301)
                EXPECT_EQ(out, expected) << width << "x" << height << " exact " << exact;
            else
                EXPECT_GE(psnr(out, expected), 40.0) << width << "x" << height;
        }
    }
}

// Row-local effects from a JPEG or BMP into a JPEG, and resizing a BMP, work strip by strip: the
// bytes are those of the whole picture's.
TEST(StripJobs, GiveTheBytesOfTheWholePicture)
{
    TempFolder folder;
    const std::string jpeg = folder.file("in.jpg"), bmp = folder.file("in.bmp"), out = folder.file("out.jpg");
    WritePictureFile(SmoothPicture(301, 283), jpeg, PictureFormat::Jpeg);
    WritePictureFile(PatternPicture(301, 283), bmp, PictureFormat::Bmp);
    CliOptions options;
    options.Command = CliCommand::Effect;
    for (const std::string &in : {jpeg, bmp}) {
        for (size_t e = 0; e < EffectTable.size(); ++e) {
            options.EffectIndex = static_cast<int>(e);
            RunJob(options, in, out);
            TBitmap whole = ReadPicture(in);
            ApplyEffect(EffectTable[e], whole);
            EXPECT_EQ(ReadByteVector(out), WriteJpegMemory(whole)) << in << " " << EffectTable[e].Name;
        }
    }
    options.Command = CliCommand::Resize;
    options.Width = 37;
    options.Height = 29;
    RunJob(options, bmp, folder.file("out.bmp"));
    TBitmap whole = ReadPicture(bmp), expected(37, 29);
    ResampleStretch(whole, expected, FilterTable[6].Kernel, FilterTable[6].Support);
    EXPECT_EQ(ReadPicture(folder.file("out.bmp")), expected);
}

TEST(JobCount, JobsOptionOrProcessorsButNeverMoreThanInputs)
{
    CliOptions options;
    options.Inputs = {"a.jpg", "b.jpg", "c.jpg"};
    options.Jobs = 2;
    EXPECT_EQ(JobCount(options), 2);
    options.Jobs = 8;
    EXPECT_EQ(JobCount(options), 3);
    options.Jobs = 0;
    const int processors = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    EXPECT_EQ(JobCount(options), std::min(processors, 3));
}

class ParallelBatch : public ::testing::TestWithParam<int> {
protected:
    TempFolder dir_;
};

TEST_P(ParallelBatch, MessagesFollowTheInputsAndBadInputsFailAlone)
{
    const std::string jobs = std::to_string(GetParam());
    std::vector<std::string> inputs;
    for (int i = 0; i < 8; ++i) {
        const std::string name = dir_.file("in" + std::to_string(i) + ".bmp");
        if (i == 2)
            continue; // missing
        if (i == 5)
            WriteBytes(name, "BM garbage that is no picture");
        else
            WritePictureFile(PatternPicture(40 + i, 30, static_cast<uint32_t>(i + 1)), name, PictureFormat::Bmp);
    }
    std::filesystem::create_directory(dir_.file("out"));
    std::vector<std::string> args = {"--jobs", jobs, "effect", "invert", "--out-dir", dir_.file("out")};
    for (int i = 0; i < 8; ++i)
        args.push_back(dir_.file("in" + std::to_string(i) + ".bmp"));

    std::ostringstream out, err;
    EXPECT_EQ(RunCli(args, out, err, true), kExitFailure);

    std::vector<std::string> expected;
    for (int i = 0; i < 8; ++i) {
        const std::string in = dir_.file("in" + std::to_string(i) + ".bmp");
        expected.push_back("[" + std::to_string(i + 1) + "/8] " + in + " -> " + dir_.file("out/in") + std::to_string(i)
                           + ".bmp");
        if (i == 2 || i == 5)
            expected.push_back("failure of " + in);
    }
    std::vector<std::string> seen = lines(err.str());
    ASSERT_EQ(seen.size(), expected.size()) << err.str();
    for (size_t i = 0; i < seen.size(); ++i) {
        if (expected[i].rfind("failure of ", 0) == 0) {
            EXPECT_EQ(seen[i].rfind("vistrel-cli: ", 0), 0u) << seen[i];
            EXPECT_NE(seen[i].find(expected[i].substr(11)), std::string::npos) << seen[i];
        } else {
            EXPECT_EQ(seen[i], expected[i]);
        }
    }
    for (int i = 0; i < 8; ++i) {
        const std::string written = dir_.file("out/in" + std::to_string(i) + ".bmp");
        EXPECT_EQ(std::filesystem::exists(written), i != 2 && i != 5) << written;
        if (i != 2 && i != 5) {
            EXPECT_EQ(ReadPictureFile(written, PictureFormat::Bmp).width(), 40 + i);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Jobs, ParallelBatch, ::testing::Values(1, 3, 8));
