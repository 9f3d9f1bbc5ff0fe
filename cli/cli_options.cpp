#include "cli/cli_options.h"

#include "imaging/effects.h"
#include "imaging/enhance.h"
#include "icon/icon_writer.h"
#include "imaging/resample.h"
#include "platform/picture_io.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace vistrel {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isPictureFile(const std::string &path)
{
    return PictureFormatFor(path, PictureNaming::CommandLine) != PictureFormat::None;
}

std::optional<int32_t> parseInteger(const std::string &text)
{
    size_t i = (text.size() > 1 && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{INT32_MAX} + 1)
            return std::nullopt;
    }
    value = text[0] == '-' ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<uint32_t> parseSeed(const std::string &text)
{
    if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isdigit(c);
        }))
        return std::nullopt;
    const uint64_t value = std::stoull(text);
    if (value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

// The command-line names of a table's entries, in the table's order.
template <typename Table, typename NameOf>
std::vector<std::string> namesOf(const Table &table, NameOf nameOf)
{
    std::vector<std::string> names;
    for (const auto &entry : table)
        names.push_back(nameOf(entry));
    return names;
}

const std::vector<std::string> &effectNames()
{
    static const auto names = namesOf(EffectTable, [](const EffectEntry &e) { return std::string(e.Name); });
    return names;
}

const std::vector<std::string> &enhancementNames()
{
    static const auto names = namesOf(EnhancementTable, [](const EnhancementEntry &e) { return std::string(e.Name); });
    return names;
}

const std::vector<std::string> &filterNames()
{
    static const auto names = namesOf(FilterTable, [](const FilterEntry &f) { return lowerCase(f.Name); });
    return names;
}

// A name from the list, or its index written as a number.
std::optional<int> parseChoice(const std::string &text, const std::vector<std::string> &names, bool numbered)
{
    const std::string lower = lowerCase(text);
    for (size_t i = 0; i < names.size(); ++i)
        if (lower == names[i])
            return static_cast<int>(i);
    if (numbered)
        if (const auto number = parseInteger(text); number && *number >= 0 && *number < static_cast<int>(names.size()))
            return *number;
    return std::nullopt;
}

// "0..N" for the indices of a list of names.
std::string indexRange(const std::vector<std::string> &names)
{
    return "0.." + std::to_string(names.size() - 1);
}

// lead and the names, then end, wrapped as the rest of the help text is.
std::string helpLines(const std::string &lead, const std::vector<std::string> &names, const std::string &end = "")
{
    constexpr size_t kHelpWidth = 97;
    const std::string indent(11, ' ');
    std::string text, line = lead;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string word = names[i] + (i + 1 == names.size() ? end : "");
        if (line.size() + 1 + word.size() > kHelpWidth) {
            text += line + "\n";
            line = indent + word;
        } else {
            line += " " + word;
        }
    }
    return text + line + "\n";
}

std::string listOf(const std::vector<std::string> &names)
{
    std::string list;
    for (const std::string &name : names)
        list += (list.empty() ? "" : ", ") + name;
    return list;
}

const std::map<std::string, CliCommand> &commandNames()
{
    static const std::map<std::string, CliCommand> names = {{"effect", CliCommand::Effect},
                                                            {"enhance", CliCommand::Enhance},
                                                            {"resize", CliCommand::Resize},
                                                            {"icon", CliCommand::Icon},
                                                            {"thumbnail", CliCommand::Thumbnail},
                                                            {"redact", CliCommand::Redact},
                                                            {"ocr", CliCommand::Ocr}};
    return names;
}

bool isHelpFlag(const std::string &arg) { return arg == "--help" || arg == "-h"; }

class Parser {
public:
    explicit Parser(std::vector<std::string> args) : args_(std::move(args)) {}

    ParseResult run()
    {
        if (std::find(args_.begin(), args_.end(), "--version") != args_.end()) {
            options().Command = CliCommand::Version;
            return result_;
        }
        if (!takeLeadingOptions())
            return result_;
        if (args_.empty())
            return helpRequested_ ? result_ : fail("no command given");
        const std::string command = args_[0];
        const auto known = commandNames().find(command);
        if (command == "help" || helpRequested_ || std::any_of(args_.begin(), args_.end(), isHelpFlag)) {
            const std::string topic = command == "help" && args_.size() > 1 ? args_[1] : command;
            if (const auto named = commandNames().find(topic); named != commandNames().end())
                options().HelpTopic = named->second;
            return result_;
        }
        if (known == commandNames().end())
            return fail("unknown command '" + command + "'");
        if (!splitOptions())
            return result_;
        switch (known->second) {
        case CliCommand::Effect: parseEffect(); break;
        case CliCommand::Enhance: parseEnhance(); break;
        case CliCommand::Resize: parseResize(); break;
        case CliCommand::Thumbnail: parseThumbnail(); break;
        case CliCommand::Redact: parseRedact(); break;
        case CliCommand::Ocr: parseOcr(); break;
        default: parseIcon(); break;
        }
        return result_;
    }

private:
    // Options of the whole tool before the command: --jobs N and --help.
    bool takeLeadingOptions()
    {
        while (!args_.empty() && args_[0].rfind('-', 0) == 0) {
            if (isHelpFlag(args_[0])) {
                helpRequested_ = true;
                args_.erase(args_.begin());
                continue;
            }
            const size_t eq = args_[0].find('=');
            if (args_[0].substr(0, eq) != "--jobs")
                return refuse("unknown option " + args_[0].substr(0, eq) + " before the command");
            const bool joined = eq != std::string::npos;
            if (!joined && args_.size() < 2)
                return refuse("option --jobs needs a value");
            if (!takeJobs(joined ? args_[0].substr(eq + 1) : args_[1]))
                return false;
            args_.erase(args_.begin(), args_.begin() + (joined ? 1 : 2));
        }
        return true;
    }

    bool takeJobs(const std::string &text)
    {
        constexpr int kMaxJobs = 1024;
        if (options().Jobs > 0)
            return refuse("option --jobs is given twice");
        const auto jobs = parseInteger(text);
        if (!jobs || *jobs < 1 || *jobs > kMaxJobs)
            return refuse("--jobs '" + text + "' is not a number of jobs from 1 to 1024");
        options().Jobs = *jobs;
        return true;
    }

    ParseResult fail(const std::string &reason)
    {
        result_.UsageError = reason;
        return result_;
    }

    bool refuse(const std::string &reason)
    {
        fail(reason);
        return false;
    }

    CliOptions &options() { return result_.Options; }

    // Separates "--name value" / "--name=value" pairs from positional arguments ("--" ends options).
    bool splitOptions()
    {
        bool optionsEnded = false;
        for (size_t i = 1; i < args_.size(); ++i) {
            const std::string &arg = args_[i];
            if (optionsEnded || arg.rfind("--", 0) != 0) {
                positional_.push_back(arg);
                continue;
            }
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (arg == "--exact") {
                if (!named_.emplace(arg, "").second)
                    return refuse("option --exact is given twice");
                continue;
            }
            std::string name = arg, value;
            if (const size_t eq = arg.find('='); eq != std::string::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
            } else if (i + 1 < args_.size()) {
                value = args_[++i];
            } else {
                fail("option " + arg + " needs a value");
                return false;
            }
            if (named_.count(name)) {
                fail("option " + name + " is given twice");
                return false;
            }
            if (name == "--jobs") {
                if (!takeJobs(value))
                    return false;
                continue;
            }
            named_[name] = value;
        }
        return true;
    }

    bool allowOnly(const std::set<std::string> &allowed)
    {
        for (const auto &[name, value] : named_)
            if (!allowed.count(name)) {
                fail("unknown option " + name + " for this command");
                return false;
            }
        return true;
    }

    void parseEffect()
    {
        options().Command = CliCommand::Effect;
        if (!allowOnly({"--out-dir"}) || !needPositional(1, "effect NAME"))
            return;
        const auto effect = parseChoice(positional_[0], effectNames(), false);
        if (!effect)
            return void(fail("unknown effect '" + positional_[0] + "' (one of " + listOf(effectNames()) + ")"));
        options().EffectIndex = *effect;
        takeFiles(1, false);
    }

    void parseEnhance()
    {
        options().Command = CliCommand::Enhance;
        if (!allowOnly({"--out-dir", "--seed"}) || !needPositional(2, "enhance FUNC VALUE"))
            return;
        if (named_.count("--seed")) {
            options().Seed = parseSeed(named_["--seed"]);
            if (!options().Seed)
                return void(fail("--seed must be a whole number from 0 to 4294967295"));
        }
        const auto function = parseChoice(positional_[0], enhancementNames(), true);
        if (!function)
            return void(fail("unknown enhancement '" + positional_[0] + "' (" + indexRange(enhancementNames())
                             + " or one of " + listOf(enhancementNames()) + ")"));
        const auto value = parseInteger(positional_[1]);
        if (!value)
            return void(fail("VALUE '" + positional_[1] + "' is not a whole number"));
        options().EnhanceIndex = *function;
        options().EnhanceValue = *value;
        takeFiles(2, false);
    }

    void parseResize()
    {
        options().Command = CliCommand::Resize;
        if (!allowOnly({"--out-dir", "--exact"}) || !needPositional(3, "resize FILTER WIDTH HEIGHT"))
            return;
        options().Exact = named_.count("--exact") > 0;
        const auto filter = parseFilter(positional_[0]);
        const auto width = parseSide(positional_[1], "WIDTH");
        const auto height = parseSide(positional_[2], "HEIGHT");
        if (!filter || !width || !height)
            return;
        options().FilterIndex = *filter;
        options().Width = *width;
        options().Height = *height;
        takeFiles(3, false);
    }

    void parseIcon()
    {
        options().Command = CliCommand::Icon;
        if (!allowOnly({"--out-dir", "--size", "--sizes", "--depth", "--filter", "--keep-aspect", "--exact"}))
            return;
        options().Exact = named_.count("--exact") > 0;
        if (named_.count("--size") && named_.count("--sizes"))
            return void(fail("--size and --sizes exclude each other"));
        if (named_.count("--size")) {
            const auto size = parseSide(named_["--size"], "--size");
            if (!size)
                return;
            options().IconSize = *size;
        }
        if (named_.count("--sizes") && !parseIconSizes(named_["--sizes"]))
            return;
        if (named_.count("--depth")) {
            const auto item = parseChoice(named_["--depth"], {"32", "24", "8", "4", "1"}, false);
            if (!item)
                return void(fail("--depth must be 32, 24, 8, 4 or 1"));
            options().IconColourItem = *item;
        }
        if (named_.count("--filter")) {
            const auto filter = parseFilter(named_["--filter"]);
            if (!filter)
                return;
            options().FilterIndex = *filter;
        }
        if (named_.count("--keep-aspect")) {
            const std::string keep = lowerCase(named_["--keep-aspect"]);
            if (keep != "yes" && keep != "no")
                return void(fail("--keep-aspect must be yes or no"));
            options().KeepAspect = keep == "yes";
        }
        takeFiles(0, true);
    }

    void parseThumbnail()
    {
        options().Command = CliCommand::Thumbnail;
        if (!allowOnly({"--size"}) || !needPositional(1, "thumbnail FILE"))
            return;
        if (named_.count("--size")) {
            const auto item = parseChoice(named_["--size"], {"128", "256", "512", "1024"}, false);
            if (!item)
                return void(fail("--size must be 128, 256, 512 or 1024"));
            options().ThumbnailSize = 128 << *item;
        }
        options().Inputs = positional_;
    }

    void parseRedact()
    {
        options().Command = CliCommand::Redact;
        if (!allowOnly({"--out-dir", "--rect", "--mode", "--colour"}))
            return;
        if (!named_.count("--rect"))
            return void(fail("redact needs --rect X,Y,W,H"));
        if (!parseRect(named_["--rect"]))
            return;
        if (named_.count("--mode")) {
            const auto mode = parseChoice(named_["--mode"], {"pixelate", "blur", "fill"}, false);
            if (!mode)
                return void(fail("--mode must be pixelate, blur or fill"));
            options().Redaction = static_cast<RedactMode>(*mode);
        }
        if (named_.count("--colour")) {
            if (options().Redaction != RedactMode::Fill)
                return void(fail("--colour goes with --mode fill"));
            if (!parseColour(named_["--colour"]))
                return;
        }
        takeFiles(0, false);
    }

    void parseOcr()
    {
        options().Command = CliCommand::Ocr;
        if (!allowOnly({"--lang"}) || !needPositional(1, "ocr IN"))
            return;
        if (positional_.size() > 1)
            return void(fail("ocr reads one IN"));
        if (named_.count("--lang"))
            options().Language = named_["--lang"];
        options().Inputs = positional_;
        checkInputs();
    }

    // "X,Y,W,H": the corner may lie outside the picture, the size is positive.
    bool parseRect(const std::string &text)
    {
        std::vector<int64_t> values;
        for (size_t from = 0; from <= text.size();) {
            const size_t comma = std::min(text.find(',', from), text.size());
            const auto value = parseInteger(text.substr(from, comma - from));
            values.push_back(value ? *value : 0);
            if (!value || values.size() > 4)
                values.clear();
            if (values.empty())
                break;
            from = comma + 1;
        }
        if (values.size() != 4 || values[2] < 1 || values[3] < 1 || values[0] + values[2] > INT32_MAX
            || values[1] + values[3] > INT32_MAX)
            return refuse("--rect '" + text + "' is not X,Y,W,H with a positive width and height");
        const auto at = [&values](size_t i) { return static_cast<int>(values[i]); };
        options().RedactArea = {at(0), at(1), at(0) + at(2), at(1) + at(3)};
        return true;
    }

    bool parseColour(const std::string &text)
    {
        const bool hex = text.size() == 6 && std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isxdigit(c);
        });
        if (!hex)
            return refuse("--colour '" + text + "' is not RRGGBB in hexadecimal");
        const auto byte = [&text](size_t at) { return static_cast<uint8_t>(std::stoi(text.substr(at, 2), nullptr, 16)); };
        options().FillColour = {byte(4), byte(2), byte(0), 0};
        return true;
    }

    // "16,32,48,256": each side once, 1 to 256, kept smallest first.
    bool parseIconSizes(const std::string &text)
    {
        std::set<int32_t> sizes;
        size_t from = 0;
        while (from <= text.size()) {
            const size_t comma = std::min(text.find(',', from), text.size());
            const std::string item = text.substr(from, comma - from);
            const auto side = parseInteger(item);
            if (!side || *side < 1 || *side > kMaxIconSide)
                return refuse("--sizes item '" + item + "' is not a side from 1 to 256");
            if (!sizes.insert(*side).second)
                return refuse("--sizes lists " + item + " twice");
            from = comma + 1;
        }
        options().IconSizes.assign(sizes.begin(), sizes.end());
        return true;
    }

    bool needPositional(size_t count, const std::string &form)
    {
        if (positional_.size() >= count)
            return true;
        fail("missing arguments: " + form + " ...");
        return false;
    }

    std::optional<int> parseFilter(const std::string &text)
    {
        const auto filter = parseChoice(text, filterNames(), true);
        if (!filter)
            fail("unknown filter '" + text + "' (" + indexRange(filterNames()) + " or one of " + listOf(filterNames())
                 + ")");
        return filter;
    }

    std::optional<int32_t> parseSide(const std::string &text, const std::string &what)
    {
        const auto side = parseInteger(text);
        if (!side || *side < 1) {
            fail(what + " '" + text + "' is not a positive whole number");
            return std::nullopt;
        }
        return side;
    }

    void takeFiles(size_t first, bool icon)
    {
        std::vector<std::string> files(positional_.begin() + static_cast<std::ptrdiff_t>(first), positional_.end());
        if (named_.count("--out-dir")) {
            options().OutDir = named_["--out-dir"];
            options().Inputs = files;
            if (files.empty())
                return void(fail("no input files given"));
        } else {
            if (files.size() != 2)
                return void(fail(files.size() < 2 ? "missing IN or OUT" : "several inputs need --out-dir DIR"));
            options().Inputs = {files[0]};
            options().Output = files[1];
            if (icon ? LowerCaseExtension(files[1]) != ".ico" : !isPictureFile(files[1]))
                return void(fail("OUT '" + files[1] + "' must end in " + (icon ? ".ico" : ".jpg, .jpeg, .bmp or .png")));
        }
        checkInputs();
    }

    void checkInputs()
    {
        std::set<std::string> outputs;
        for (const std::string &input : options().Inputs) {
            if (!isPictureFile(input))
                return void(fail("IN '" + input + "' must end in .jpg, .jpeg, .bmp or .png"));
            if (!options().OutDir.empty() && !outputs.insert(OutputPathFor(options(), input)).second)
                return void(fail("two inputs would write " + OutputPathFor(options(), input)));
        }
    }

    std::vector<std::string> args_;
    std::vector<std::string> positional_;
    std::map<std::string, std::string> named_;
    ParseResult result_;
    bool helpRequested_ = false;
};

} // namespace

std::string LowerCaseExtension(const std::string &path)
{
    return lowerCase(std::filesystem::path(path).extension().string());
}

ParseResult ParseCommandLine(const std::vector<std::string> &args)
{
    return Parser(args).run();
}

std::string OutputPathFor(const CliOptions &options, const std::string &input)
{
    if (options.OutDir.empty())
        return options.Output;
    const std::filesystem::path in(input);
    std::string extension = in.extension().string();
    if (options.Command == CliCommand::Icon)
        extension = ".ico";
    return (std::filesystem::path(options.OutDir) / (in.stem().string() + extension)).string();
}

namespace {

const char kShrinkOnLoad[] =
    "           a JPEG at least twice the output's size is decoded shrunk (libjpeg's scaled DCT) to\n"
    "           no less than twice that size; --exact decodes it at full size\n";

std::string usageOf(CliCommand command)
{
    switch (command) {
    case CliCommand::Effect: return "  vistrel-cli [--jobs N] effect NAME IN OUT\n";
    case CliCommand::Enhance: return "  vistrel-cli [--jobs N] enhance FUNC VALUE IN OUT [--seed N]\n";
    case CliCommand::Resize: return "  vistrel-cli [--jobs N] resize FILTER WIDTH HEIGHT IN OUT [--exact]\n";
    case CliCommand::Icon:
        return "  vistrel-cli [--jobs N] icon IN OUT.ico [--size N | --sizes N,N,...] [--depth 32|24|8|4|1]\n"
               "                                [--filter F] [--keep-aspect yes|no] [--exact]\n";
    case CliCommand::Thumbnail: return "  vistrel-cli thumbnail [--size 128|256|512|1024] FILE...\n";
    case CliCommand::Redact:
        return "  vistrel-cli [--jobs N] redact --rect X,Y,W,H [--mode pixelate|blur|fill] [--colour RRGGBB] IN OUT\n";
    case CliCommand::Ocr: return "  vistrel-cli ocr [--lang LANG] IN\n";
    default: return {};
    }
}

std::string detailsOf(CliCommand command)
{
    switch (command) {
    case CliCommand::Effect: return helpLines("  effect   NAME is one of:", effectNames());
    case CliCommand::Enhance:
        return helpLines("  enhance  FUNC is " + indexRange(enhancementNames()) + " or one of:", enhancementNames())
               + "           VALUE is the enhancement dialog's spin value, a whole number that may be negative\n"
                 "           --seed N starts ripple-random's generator, so a batch can be made again (default: the clock)\n";
    case CliCommand::Resize:
        return helpLines("  resize   FILTER is " + indexRange(filterNames()) + " or one of:", filterNames(), ";")
               + "           WIDTH and HEIGHT are the new size in pixels\n" + kShrinkOnLoad;
    case CliCommand::Icon:
        return R"(  icon     converts a picture into an .ico file as the icon converter does: the picture
           scaled into an N x N square (top-left), the rest transparent.
           --size 16, 32 or any N up to 256 (default 32): one image, as the converter writes it
           --sizes 16,32,48,256: one file holding every listed size; the 256 image is PNG-compressed
           --depth bits per pixel of the icon (default 8, with a palette made for the picture)
           --filter resampling filter as for resize (default mitchell)
           --keep-aspect yes keeps the picture's proportions (default), no fills the square
)" + std::string(kShrinkOnLoad);
    case CliCommand::Thumbnail:
        return R"(  thumbnail
           stores each picture's thumbnail (JPEG, BMP or PNG, known by content) in the
           desktop's shared thumbnail cache ($XDG_CACHE_HOME/thumbnails, as Vistrel's picture
           list does) and prints its path;
           --size picks the cache's size (default 128, the list's "normal" folder)
)";
    case CliCommand::Redact:
        return R"(  redact   hides the W x H rectangle at X,Y (cut to the picture) for good: pixelate (default;
           16 x 16 blocks of their mean colour), blur, or fill with --colour (default 000000);
           every pixel outside the rectangle keeps its value
)";
    case CliCommand::Ocr:
        return R"(  ocr      prints the text in the picture, recognised by Tesseract offline; --lang names
           Tesseract's language data (default eng, from the package tesseract-ocr-eng)
)";
    default: return {};
    }
}

const char kFilesAndStatus[] = R"(
Files:
  IN is a JPEG (.jpg, .jpeg), BMP (.bmp) or PNG (.png) file, OUT a JPEG, BMP or PNG file, chosen
  by extension in any letter case; an input is read by what it holds, whatever its extension.
  --out-dir DIR in place of OUT takes several inputs; each output is DIR/<input name> with the
  input's extension (.ico for icons). A progress line per file is shown on a terminal.
  --jobs N works on N inputs at once (default: one per processor); messages keep the inputs'
  order, and an input that fails stops only itself.

Exit status: 0 success, 1 a file could not be read, processed or written, 2 wrong usage.
)";

} // namespace

std::string HelpText(CliCommand topic)
{
    if (topic != CliCommand::Help && topic != CliCommand::Version)
        return "Usage:\n" + usageOf(topic) + "\n" + detailsOf(topic) + kFilesAndStatus;
    const CliCommand commands[] = {CliCommand::Effect, CliCommand::Enhance, CliCommand::Resize, CliCommand::Icon,
                                   CliCommand::Thumbnail, CliCommand::Redact, CliCommand::Ocr};
    std::string usage, details;
    for (const CliCommand command : commands) {
        usage += usageOf(command);
        details += detailsOf(command);
    }
    return "vistrel-cli: batch picture processing with Vistrel's imaging code\n\nUsage:\n" + usage
           + "  vistrel-cli [COMMAND] --help | help [COMMAND]\n  vistrel-cli --version\n\nCommands:\n" + details
           + kFilesAndStatus + R"(
Examples:
  vistrel-cli effect rotate-right photo.jpg turned.jpg
  vistrel-cli enhance solorize -1 photo.bmp negative.bmp
  vistrel-cli enhance posterize 3 --out-dir posters/ a.jpg b.jpg c.JPG
  vistrel-cli resize lanczos3 1280 960 small.bmp large.bmp
  vistrel-cli icon logo.jpg logo.ico --size 48 --depth 32 --filter bell
  vistrel-cli icon logo.jpg logo.ico --sizes 16,32,48,256 --depth 32
  vistrel-cli --jobs 4 icon --out-dir icons/ --size 16 *.jpg
  vistrel-cli redact --rect 40,300,420,24 --mode blur shot.png hidden.png
  vistrel-cli ocr shot.png
)";
}

std::string VersionText() { return std::string("vistrel-cli ") + VISTREL_VERSION + "\n"; }

} // namespace vistrel
