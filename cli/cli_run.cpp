#include "cli/cli_run.h"

#include "cli/bmp_patch.h"
#include "icon/icon_conversion.h"
#include "icon/icon_writer.h"
#include "imaging/effects.h"
#include "imaging/enhance.h"
#include "imaging/redact.h"
#include "imaging/resample.h"
#include "imaging/side_by_side.h"
#include "imaging/strip_relay.h"
#include "ocr/text_recognition.h"
#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/exif_orientation.h"
#include "platform/jpeg_codec.h"
#include "platform/picture_io.h"
#include "shellctl/thumbnailer.h"

#include "cli/ordered_jobs.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <ostream>
#include <thread>

namespace vistrel {

namespace {

// Rows of a picture read at a time: a few megabytes for the resampler, however large the
// picture; an effect needs no more than a JPEG's row group (16 rows) to keep its threads busy.
constexpr int kResizeStripRows = 64;
constexpr int kEffectStripRows = 16;

// The least size a JPEG is shrunk to on load: twice the output keeps the resampled bytes close
// to those from the full size (above 40 dB PSNR on photographs).
DecodeSize twiceOf(int width, int height)
{
    return {2 * width, 2 * height};
}

bool readsInStrips(PictureFormat format)
{
    return format == PictureFormat::Jpeg || format == PictureFormat::Bmp;
}

// How the picture's rows are stored: a JPEG says so in its EXIF block; anything else is upright.
int orientationOf(const std::string &input, PictureFormat format)
{
    return format == PictureFormat::Jpeg ? ReadJpegOrientation(input) : 1;
}

// A size of the upright picture as the stored one has it, and back.
DecodeSize asStored(DecodeSize size, int orientation)
{
    return SwapsSides(orientation) ? DecodeSize{size.Height, size.Width} : size;
}

// Reads a JPEG (shrunk on load when least is given) or a BMP a strip at a time on this thread
// while take(rows, firstRow) works on the strips on a second one, so that the picture is never
// held whole. started(width, height) comes first, on the reading thread.
template <typename Take>
void readInStrips(const std::string &input, PictureFormat format, int stripRows, const LeastDecodeSize &least,
                  const JpegStarted &started, const Take &take)
{
    StripRelay relay;
    const auto put = [&relay](TBitmap &rows, int firstRow) { relay.Put(rows, firstRow); };
    const auto read = [&] {
        try {
            if (format == PictureFormat::Jpeg)
                ReadJpegFileStrips(input, stripRows, started, put, least);
            else
                ReadBmpFileStrips(input, stripRows, started, put);
        } catch (...) {
            relay.Close();
            throw;
        }
        relay.Close();
    };
    const auto work = [&] {
        try {
            relay.Drain(take);
        } catch (...) {
            relay.Abandon();
            throw;
        }
    };
    RunSideBySide(read, work);
}

TBitmap readResized(const CliOptions &options, const std::string &input)
{
    const FilterEntry &filter = FilterTable[static_cast<size_t>(options.FilterIndex)];
    TBitmap resized(options.Width, options.Height);
    const PictureFormat format = PictureFormatOfContent(input);
    if (!readsInStrips(format)) {
        TBitmap picture = ReadPicture(input);
        ResampleStretch(picture, resized, filter.Kernel, filter.Support);
        return resized;
    }
    const int orientation = orientationOf(input, format);
    LeastDecodeSize least;
    if (!options.Exact)
        least = [&](DecodeSize) { return asStored(twiceOf(options.Width, options.Height), orientation); };
    std::optional<StripResampler> resampler;
    readInStrips(
        input, format, kResizeStripRows, least,
        [&](int width, int height) {
            resampler.emplace(width, height, options.Width, options.Height, filter.Kernel, filter.Support,
                              orientation);
        },
        [&](const TBitmap &rows, int firstRow) { resampler->Take(rows, firstRow); });
    resampler->Finish(resized);
    return resized;
}

// An effect that works row by row, from an upright JPEG or a BMP into a JPEG, runs strip by strip.
bool streamsEffect(const EffectEntry &effect, const std::string &input, PictureFormat format,
                   const std::string &output)
{
    return effect.RowLocal && readsInStrips(format) && orientationOf(input, format) == 1
           && PictureFormatFor(output, PictureNaming::CommandLine) == PictureFormat::Jpeg;
}

void writeEffectInStrips(const EffectEntry &effect, const std::string &input, PictureFormat format,
                         const std::string &output)
{
    int width = 0, height = 0;
    std::optional<JpegStripWriter> writer;
    readInStrips(
        input, format, kEffectStripRows, {},
        [&](int w, int h) {
            width = w;
            height = h;
        },
        [&](TBitmap &rows, int) {
            if (!writer)
                writer.emplace(output, width, height);
            effect.InPlace(rows);
            writer->Write(rows);
        });
    writer->Finish();
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

// The icon's source, upright: a JPEG shrunk on load to twice the largest icon's picture (as the
// converter sizes it from the full size), anything else at full size.
ScaledJpeg readIconSource(const CliOptions &options, const std::string &input)
{
    if (options.Exact || PictureFormatOfContent(input) != PictureFormat::Jpeg) {
        TBitmap picture = ReadPicture(input);
        const int width = picture.width(), height = picture.height();
        return {std::move(picture), width, height};
    }
    const int orientation = ReadJpegOrientation(input);
    ScaledJpeg stored = ReadJpegFileShrunk(input, [&](DecodeSize storedFull) {
        const DecodeSize full = asStored(storedFull, orientation);
        const int32_t side = largestIconSide(options);
        IconConverter converter = converterFor(options, side);
        converter.TakeAspect(full.Width, full.Height);
        const TRect area = converter.AspectRect(side, side);
        return asStored(twiceOf(area.Right, area.Bottom), orientation);
    });
    const DecodeSize full = asStored({stored.FullWidth, stored.FullHeight}, orientation);
    return {Upright(std::move(stored.Bitmap), orientation), full.Width, full.Height};
}

TIcon iconOfSize(const CliOptions &options, ScaledJpeg &source, int32_t side)
{
    return converterFor(options, side).Convert(source.Bitmap, source.FullWidth, source.FullHeight).Icon;
}

void writeIcon(const CliOptions &options, const std::string &input, const std::string &output)
{
    ScaledJpeg source = readIconSource(options, input);
    const IconDepth depth = IconDepthCode(options.IconColourItem);
    if (options.IconSizes.empty())
        return WriteIcon(output, iconOfSize(options, source, options.IconSize), depth);
    std::vector<TIcon> icons;
    for (const int32_t side : options.IconSizes)
        icons.push_back(iconOfSize(options, source, side));
    WriteIconSet(output, icons, depth);
}

// A 24-bit BMP keeps every byte outside the rectangle, header included; other files are written
// anew from the pixels, which keep their values outside it.
void writeRedacted(const CliOptions &options, const std::string &input, const std::string &output)
{
    TBitmap picture = ReadPicture(input);
    Redact(picture, options.RedactArea, options.Redaction, options.FillColour);
    const TRect area = ClipToPicture(options.RedactArea, picture.width(), picture.height());
    const bool bmpToBmp = PictureFormatOfContent(input) == PictureFormat::Bmp
                          && PictureFormatFor(output, PictureNaming::CommandLine) == PictureFormat::Bmp;
    if (!bmpToBmp || !WriteBmpPatched(input, picture, area, output))
        WritePicture(picture, output);
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
    if (options.Command == CliCommand::Redact)
        return writeRedacted(options, input, output);
    if (options.Command == CliCommand::Effect) {
        const EffectEntry &effect = EffectTable[static_cast<size_t>(options.EffectIndex)];
        const PictureFormat format = PictureFormatOfContent(input);
        if (streamsEffect(effect, input, format, output))
            return writeEffectInStrips(effect, input, format, output);
    }
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
    case CliCommand::Redact:
    case CliCommand::Ocr:
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
        return {source.CachePath, {}};
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

int RunOcr(const CliOptions &options, std::ostream &out, std::ostream &err)
{
    const std::string &input = options.Inputs.front();
    std::optional<TextRecognizer> recognizer;
    try {
        recognizer.emplace(options.Language);
        const std::string text = recognizer->Recognize(ReadPicture(input));
        out << text << (text.empty() || text.back() == '\n' ? "" : "\n") << std::flush;
        return kExitSuccess;
    } catch (const std::exception &e) {
        // Missing language data is no fault of the file.
        err << "vistrel-cli: " << (recognizer ? withInputName(e.what(), input) : e.what()) << "\n";
        return kExitFailure;
    }
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
    if (options.Command == CliCommand::Ocr)
        return RunOcr(options, out, err);
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
