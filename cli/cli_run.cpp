#include "cli/cli_run.h"

#include "icon/icon_conversion.h"
#include "icon/icon_writer.h"
#include "imaging/effects.h"
#include "imaging/enhance.h"
#include "imaging/resample.h"
#include "imaging/side_by_side.h"
#include "imaging/strip_relay.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "platform/picture_io.h"
#include "shellctl/thumbnailer.h"

#include "cli/ordered_jobs.h"

#include <QFile>

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <ostream>
#include <thread>

namespace vistrel {

namespace {

// Rows of a decoded JPEG resampled at a time: a few megabytes, however large the picture.
constexpr int kResizeStripRows = 128;

// The least size a JPEG is shrunk to on load: twice the output keeps the resampled bytes close
// to those from the full size (above 40 dB PSNR on photographs).
DecodeSize twiceOf(int width, int height)
{
    return {2 * width, 2 * height};
}

// A JPEG is resized while it is decoded, so that the full-size picture is never held: the
// decoder's strips are resampled on a second thread as they come.
TBitmap readResized(const CliOptions &options, const std::string &input)
{
    const FilterEntry &filter = FilterTable[static_cast<size_t>(options.FilterIndex)];
    TBitmap resized(options.Width, options.Height);
    if (PictureFormatOfContent(input) != PictureFormat::Jpeg) {
        TBitmap picture = ReadPicture(input);
        ResampleStretch(picture, resized, filter.Kernel, filter.Support);
        return resized;
    }
    LeastDecodeSize least;
    if (!options.Exact)
        least = [&options](DecodeSize) { return twiceOf(options.Width, options.Height); };
    std::optional<StripResampler> resampler;
    StripRelay relay;
    const auto decode = [&] {
        try {
            ReadJpegFileStrips(
                input, kResizeStripRows,
                [&](int width, int height) {
                    resampler.emplace(width, height, options.Width, options.Height, filter.Kernel, filter.Support);
                },
                [&](const TBitmap &rows, int firstRow) { relay.Put(rows, firstRow); }, least);
        } catch (...) {
            relay.Close();
            throw;
        }
        relay.Close();
    };
    const auto resample = [&] {
        try {
            relay.Drain([&](const TBitmap &rows, int firstRow) { resampler->Take(rows, firstRow); });
        } catch (...) {
            relay.Abandon();
            throw;
        }
    };
    RunSideBySide(decode, resample);
    resampler->Finish(resized);
    return resized;
}

IconConverter converterFor(const CliOptions &options, int32_t side)
{
    IconConverter converter;
    converter.KeepAspect = options.KeepAspect;
    converter.FilterIndex = options.FilterIndex;
    converter.ColourItem = options.IconColourItem;
    const int sizeItem = side == 16 ? kIconSize16 : side == 32 ? kIconSize32 : kIconSizeCustom;
    converter.ReadIconSize(sizeItem, side, side);
    return converter;
}

int32_t largestIconSide(const CliOptions &options)
{
    return options.IconSizes.empty() ? options.IconSize : options.IconSizes.back();
}

// The icon's source: a JPEG shrunk on load to twice the largest icon's picture (as the converter
// sizes it from the full size), anything else at full size.
ScaledJpeg readIconSource(const CliOptions &options, const std::string &input)
{
    if (options.Exact || PictureFormatOfContent(input) != PictureFormat::Jpeg) {
        TBitmap picture = ReadPicture(input);
        const int width = picture.width(), height = picture.height();
        return {std::move(picture), width, height};
    }
    return ReadJpegFileShrunk(input, [&options](DecodeSize full) {
        const int32_t side = largestIconSide(options);
        IconConverter converter = converterFor(options, side);
        converter.TakeAspect(full.Width, full.Height);
        const TRect area = converter.AspectRect(side, side);
        return twiceOf(area.Right, area.Bottom);
    });
}

TIcon iconOfSize(const CliOptions &options, ScaledJpeg &source, int32_t side)
{
    return converterFor(options, side).Convert(source.Bitmap, source.FullWidth, source.FullHeight).Icon;
}

void writeIcon(const CliOptions &options, const std::string &input, const std::string &output)
{
    ScaledJpeg source = readIconSource(options, input);
    const uint8_t depth = IconDepthCode(options.IconColourItem);
    if (options.IconSizes.empty())
        return WriteIcon(output, iconOfSize(options, source, options.IconSize), depth);
    std::vector<TIcon> icons;
    for (const int32_t side : options.IconSizes)
        icons.push_back(iconOfSize(options, source, side));
    WriteIconSet(output, icons, depth);
}

// Names the input in a batch's messages unless the message names it already.
std::string withInputName(const std::string &message, const std::string &input)
{
    return message.find(input) == std::string::npos ? input + ": " + message : message;
}

// One input's work, run on any thread: its messages are kept until they can be shown in order.
struct JobReport {
    std::string messages;
    bool failed = false;
};

JobReport runReported(const CliOptions &options, size_t index, bool progress)
{
    const std::string &input = options.Inputs[index];
    const std::string output = OutputPathFor(options, input);
    JobReport report;
    if (progress && !options.OutDir.empty())
        report.messages = "[" + std::to_string(index + 1) + "/" + std::to_string(options.Inputs.size()) + "] " + input
                          + " -> " + output + "\n";
    try {
        RunJob(options, input, output);
    } catch (const std::bad_alloc &) {
        report.messages += "vistrel-cli: " + input + ": Not enough memory\n";
        report.failed = true;
    } catch (const std::exception &e) {
        report.messages += "vistrel-cli: " + withInputName(e.what(), input) + "\n";
        report.failed = true;
    }
    return report;
}

bool sameFile(const std::string &a, const std::string &b)
{
    std::error_code error;
    return std::filesystem::equivalent(a, b, error);
}

// Checks made once before any file is touched.
void checkBatch(const CliOptions &options)
{
    if (options.Command == CliCommand::Icon && options.IconSize > kMaxIconSide)
        throw Error(IconResultMessage(kIconTooLarge));
    if (!options.OutDir.empty() && !std::filesystem::is_directory(options.OutDir))
        throw Error("Output folder does not exist: " + options.OutDir);
}

} // namespace

int JobCount(const CliOptions &options)
{
    const int wanted = options.Jobs > 0 ? options.Jobs : static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(wanted, 1, std::max(1, static_cast<int>(options.Inputs.size())));
}

TBitmap ReadPicture(const std::string &path)
{
    return ReadPictureByContent(path, PictureNaming::CommandLine);
}

void WritePicture(const TBitmap &picture, const std::string &path)
{
    WritePictureFile(picture, path, PictureFormatFor(path, PictureNaming::CommandLine));
}

void RunJob(const CliOptions &options, const std::string &input, const std::string &output)
{
    // A batch written into the inputs' own folder would otherwise replace the originals.
    if (!options.OutDir.empty() && sameFile(input, output))
        throw Error("The output would replace the input " + input);
    if (options.Command == CliCommand::Resize)
        return WritePicture(readResized(options, input), output);
    if (options.Command == CliCommand::Icon)
        return writeIcon(options, input, output);
    TBitmap picture = ReadPicture(input);
    switch (options.Command) {
    case CliCommand::Effect:
        ApplyEffect(EffectTable[static_cast<size_t>(options.EffectIndex)], picture);
        break;
    case CliCommand::Enhance: {
        TBitmap result;
        ApplyEnhancement(options.EnhanceIndex, picture, result, options.EnhanceValue,
                         options.Seed.value_or(SeedFromClock()));
        picture = std::move(result);
        break;
    }
    case CliCommand::Icon:
    case CliCommand::Resize:
    case CliCommand::Help:
    case CliCommand::Thumbnail:
    case CliCommand::Version:
        return;
    }
    WritePicture(picture, output);
}

namespace {

// One input's outcome: the cache entry's path, or why there is none.
struct ThumbnailOutcome {
    std::string path;
    std::string error;
};

ThumbnailOutcome MakeThumbnail(const Thumbnailer &thumbnailer, const std::string &input)
{
    try {
        const ThumbSource source = thumbnailer.Make(input, true);
        if (!source.CacheError.empty())
            return {{}, withInputName(source.CacheError, input)};
        return {QFile::encodeName(source.CachePath).toStdString(), {}};
    } catch (const std::exception &e) {
        return {{}, withInputName(e.what(), input)};
    }
}

// Pre-fills the shared cache, a picture that failed before included (it was asked for). The
// files are decoded on every core, and reported in the order given.
int RunThumbnails(const CliOptions &options, std::ostream &out, std::ostream &err)
{
    const Thumbnailer thumbnailer{ThumbnailCache(options.ThumbnailSize)};
    int status = kExitSuccess;
    RunInOrder(options.Inputs.size(), JobCount(options),
               [&](size_t index) { return MakeThumbnail(thumbnailer, options.Inputs[index]); },
               [&](const ThumbnailOutcome &outcome) {
                   if (outcome.error.empty()) {
                       out << outcome.path << "\n";
                   } else {
                       err << "vistrel-cli: " << outcome.error << "\n";
                       status = kExitFailure;
                   }
               });
    return status;
}

} // namespace

int RunCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, bool progress)
{
    const ParseResult parsed = ParseCommandLine(args);
    if (!parsed.ok()) {
        err << "vistrel-cli: " << parsed.UsageError << "\nTry 'vistrel-cli --help' for more information.\n";
        return kExitUsage;
    }
    const CliOptions &options = parsed.Options;
    if (options.Command == CliCommand::Help || options.Command == CliCommand::Version) {
        out << (options.Command == CliCommand::Help ? HelpText(options.HelpTopic) : VersionText());
        return kExitSuccess;
    }
    if (options.Command == CliCommand::Thumbnail)
        return RunThumbnails(options, out, err);
    try {
        checkBatch(options);
    } catch (const std::exception &e) {
        err << "vistrel-cli: " << e.what() << "\n";
        return kExitFailure;
    }
    int status = kExitSuccess;
    RunInOrder(options.Inputs.size(), JobCount(options),
               [&](size_t index) { return runReported(options, index, progress); },
               [&](const JobReport &report) {
                   err << report.messages << std::flush;
                   if (report.failed)
                       status = kExitFailure;
               });
    return status;
}

} // namespace vistrel
