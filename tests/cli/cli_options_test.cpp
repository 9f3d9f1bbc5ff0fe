#include "cli/cli_options.h"
#include "imaging/effects.h"
#include "imaging/enhance.h"

#include <gtest/gtest.h>

using namespace vistrel;

namespace {

ParseResult parse(std::vector<std::string> args)
{
    return ParseCommandLine(args);
}

CliOptions parseOk(std::vector<std::string> args)
{
    const ParseResult result = ParseCommandLine(args);
    EXPECT_TRUE(result.ok()) << result.UsageError;
    return result.Options;
}

} // namespace

TEST(CliParsing, HelpIsAskedForInThreeWays)
{
    EXPECT_EQ(parseOk({"--help"}).Command, CliCommand::Help);
    EXPECT_EQ(parseOk({"-h"}).Command, CliCommand::Help);
    EXPECT_EQ(parseOk({"help"}).Command, CliCommand::Help);
    EXPECT_EQ(parseOk({"resize", "--help"}).Command, CliCommand::Help);
    EXPECT_NE(HelpText().find("--out-dir"), std::string::npos);
}

TEST(CliParsing, EffectNamesSelectTheirRoutine)
{
    for (size_t i = 0; i < EffectTable.size(); ++i) {
        const CliOptions options = parseOk({"effect", EffectTable[i].Name, "a.bmp", "b.jpg"});
        EXPECT_EQ(options.Command, CliCommand::Effect);
        EXPECT_EQ(options.EffectIndex, static_cast<int>(i));
        EXPECT_EQ(options.Inputs, std::vector<std::string>{"a.bmp"});
        EXPECT_EQ(options.Output, "b.jpg");
    }
    EXPECT_FALSE(parse({"effect", "sharpen", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"effect", "0", "a.bmp", "b.bmp"}).ok());
}

TEST(CliParsing, EnhanceTakesNumberOrNameAndANegativeValue)
{
    CliOptions options = parseOk({"enhance", "solorize", "-1", "in.bmp", "out.bmp"});
    EXPECT_EQ(options.EnhanceIndex, 0);
    EXPECT_EQ(options.EnhanceValue, -1);
    options = parseOk({"enhance", "10", "+7", "in.bmp", "out.bmp"});
    EXPECT_EQ(options.EnhanceIndex, 10);
    EXPECT_EQ(options.EnhanceValue, 7);
    EXPECT_EQ(parseOk({"enhance", "keep-red", "0", "a.bmp", "b.bmp"}).EnhanceIndex, 10);
    EXPECT_EQ(parseOk({"enhance", "keep-green", "0", "a.bmp", "b.bmp"}).EnhanceIndex, 11);
    EXPECT_EQ(parseOk({"enhance", "ripple-tooth", "-2147483648", "a.bmp", "b.bmp"}).EnhanceValue, INT32_MIN);
}

TEST(CliParsing, BadNumbersAreUsageErrors)
{
    EXPECT_FALSE(parse({"enhance", "12", "1", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"enhance", "-1", "1", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"enhance", "posterize", "1.5", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"enhance", "posterize", "2147483648", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"enhance", "posterize", "-", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"resize", "mitchell", "0", "10", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"resize", "mitchell", "10", "x", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"resize", "7", "10", "10", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"icon", "a.bmp", "b.ico", "--size", "-4"}).ok());
}

TEST(CliParsing, SeedIsOptionalAndAnUnsigned32BitNumber)
{
    EXPECT_FALSE(parseOk({"enhance", "ripple-random", "3", "a.bmp", "b.bmp"}).Seed.has_value());
    const struct {
        const char *text;
        std::optional<uint32_t> seed; // none: a usage error
    } cases[] = {{"0", 0u}, {"42", 42u}, {"4294967295", 4294967295u}, {"4294967296", std::nullopt},
                 {"-1", std::nullopt}, {"12x", std::nullopt},  {"", std::nullopt},
                 {"99999999999", std::nullopt}};
    for (const auto &c : cases) {
        const ParseResult result = parse({"enhance", "ripple-random", "3", "--seed", c.text, "a.bmp", "b.bmp"});
        EXPECT_EQ(result.ok(), c.seed.has_value()) << c.text;
        if (c.seed) {
            EXPECT_EQ(result.Options.Seed, c.seed) << c.text;
        }
    }
    EXPECT_FALSE(parse({"effect", "invert", "--seed", "1", "a.bmp", "b.bmp"}).ok());
}

TEST(CliParsing, ResizeFiltersByIndexOrName)
{
    CliOptions options = parseOk({"resize", "Lanczos3", "1280", "960", "a.BMP", "b.JPEG"});
    EXPECT_EQ(options.FilterIndex, 5);
    EXPECT_EQ(options.Width, 1280);
    EXPECT_EQ(options.Height, 960);
    EXPECT_EQ(parseOk({"resize", "0", "1", "1", "a.bmp", "b.bmp"}).FilterIndex, 0);
    EXPECT_EQ(parseOk({"resize", "b-spline", "1", "1", "a.bmp", "b.bmp"}).FilterIndex, 4);
}

TEST(CliParsing, IconDefaultsAreTheConvertersDefaults)
{
    const CliOptions options = parseOk({"icon", "a.jpg", "a.ico"});
    EXPECT_EQ(options.IconSize, 32);
    EXPECT_EQ(options.IconColourItem, 2);
    EXPECT_EQ(options.FilterIndex, 6);
    EXPECT_TRUE(options.KeepAspect);
}

TEST(CliParsing, IconOptionsInEitherForm)
{
    const CliOptions options =
        parseOk({"icon", "--size=48", "a.jpg", "--depth", "4", "a.ICO", "--filter", "box", "--keep-aspect", "no"});
    EXPECT_EQ(options.IconSize, 48);
    EXPECT_EQ(options.IconColourItem, 3);
    EXPECT_EQ(options.FilterIndex, 0);
    EXPECT_FALSE(options.KeepAspect);
    EXPECT_EQ(options.Inputs, std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(options.Output, "a.ICO");
    EXPECT_FALSE(parse({"icon", "a.jpg", "a.ico", "--depth", "16"}).ok());
    EXPECT_FALSE(parse({"icon", "a.jpg", "a.ico", "--keep-aspect", "maybe"}).ok());
    EXPECT_FALSE(parse({"icon", "a.jpg", "a.ico", "--size"}).ok());
    EXPECT_FALSE(parse({"icon", "a.jpg", "a.ico", "--size", "16", "--size", "32"}).ok());
}

TEST(CliParsing, OptionsBelongToTheirCommand)
{
    EXPECT_TRUE(parseOk({"resize", "box", "2", "2", "a.jpg", "b.bmp", "--exact"}).Exact);
    EXPECT_TRUE(parseOk({"icon", "--exact", "a.jpg", "a.ico"}).Exact);
    EXPECT_FALSE(parseOk({"icon", "a.jpg", "a.ico"}).Exact);
    EXPECT_FALSE(parse({"effect", "invert", "a.bmp", "b.bmp", "--exact"}).ok());
    EXPECT_FALSE(parse({"icon", "a.jpg", "a.ico", "--exact", "--exact"}).ok());
    EXPECT_FALSE(parse({"effect", "invert", "a.bmp", "b.bmp", "--size", "16"}).ok());
    EXPECT_FALSE(parse({"resize", "box", "2", "2", "a.bmp", "b.bmp", "--verbose", "1"}).ok());
}

TEST(CliParsing, MissingArgumentsAndUnknownCommandsAreUsageErrors)
{
    EXPECT_FALSE(parse({}).ok());
    EXPECT_FALSE(parse({"sharpen", "a.bmp", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"effect"}).ok());
    EXPECT_FALSE(parse({"effect", "invert", "a.bmp"}).ok());
    EXPECT_FALSE(parse({"effect", "invert", "a.bmp", "b.bmp", "c.bmp"}).ok());
    EXPECT_FALSE(parse({"resize", "box", "2"}).ok());
    EXPECT_FALSE(parse({"icon", "--out-dir", "d"}).ok());
}

TEST(CliParsing, FileTypesAreCheckedByExtensionInAnyCase)
{
    EXPECT_TRUE(parse({"effect", "invert", "A.JPG", "B.Jpeg"}).ok());
    EXPECT_TRUE(parse({"effect", "invert", "a.png", "b.bmp"}).ok());
    EXPECT_TRUE(parse({"effect", "invert", "Screenshot.PNG", "b.jpg"}).ok());
    EXPECT_TRUE(parse({"effect", "invert", "a.bmp", "b.png"}).ok());
    EXPECT_FALSE(parse({"effect", "invert", "a.gif", "b.bmp"}).ok());
    EXPECT_FALSE(parse({"effect", "invert", "a.bmp", "b"}).ok());
    EXPECT_FALSE(parse({"icon", "a.bmp", "b.bmp"}).ok());
}

TEST(CliParsing, OutDirNamesOutputsAfterTheInputs)
{
    CliOptions options = parseOk({"effect", "invert", "--out-dir", "out", "x/a.JPG", "y/b.bmp"});
    ASSERT_EQ(options.Inputs.size(), 2u);
    EXPECT_EQ(OutputPathFor(options, options.Inputs[0]), "out/a.JPG");
    EXPECT_EQ(OutputPathFor(options, options.Inputs[1]), "out/b.bmp");
    options = parseOk({"effect", "invert", "--out-dir", "out", "shot.png", "Shot2.PNG"});
    EXPECT_EQ(OutputPathFor(options, "shot.png"), "out/shot.png");
    EXPECT_EQ(OutputPathFor(options, "Shot2.PNG"), "out/Shot2.PNG");
    options = parseOk({"icon", "a.jpg", "b.bmp", "--out-dir=icons"});
    EXPECT_EQ(OutputPathFor(options, "a.jpg"), "icons/a.ico");
    // Two inputs of one base name would overwrite each other's icon.
    EXPECT_FALSE(parse({"icon", "x/a.jpg", "y/a.bmp", "--out-dir", "icons"}).ok());
}

TEST(CliParsing, DoubleDashEndsOptions)
{
    const CliOptions options = parseOk({"effect", "invert", "--", "--odd.bmp", "out.bmp"});
    EXPECT_EQ(options.Inputs, std::vector<std::string>{"--odd.bmp"});
}

TEST(CliParsing, HelpAndUsageErrorsNameEveryEntryOfTheTables)
{
    const std::string help = HelpText();
    const std::string effectError = parse({"effect", "x", "a.bmp", "b.bmp"}).UsageError;
    for (const EffectEntry &effect : EffectTable) {
        EXPECT_NE(help.find(std::string(" ") + effect.Name), std::string::npos) << effect.Name;
        EXPECT_NE(effectError.find(effect.Name), std::string::npos) << effect.Name;
    }
    const std::string enhanceError = parse({"enhance", "x", "1", "a.bmp", "b.bmp"}).UsageError;
    for (const EnhancementEntry &enhancement : EnhancementTable) {
        EXPECT_NE(help.find(std::string(" ") + enhancement.Name), std::string::npos) << enhancement.Name;
        EXPECT_NE(enhanceError.find(enhancement.Name), std::string::npos) << enhancement.Name;
    }
    EXPECT_NE(help.find("FUNC is 0..11 or one of:"), std::string::npos);
    EXPECT_NE(help.find("FILTER is 0..6 or one of: box triangle hermite bell b-spline lanczos3 mitchell;\n"),
              std::string::npos);
    EXPECT_NE(parse({"resize", "x", "1", "1", "a.bmp", "b.bmp"}).UsageError.find("0..6 or one of box, triangle"),
              std::string::npos);
    for (const char *line : {"  effect   NAME is one of: invert", "\n           mirror-horizontal"})
        EXPECT_NE(help.find(line), std::string::npos) << line;
}

TEST(CliParsing, ThumbnailTakesFilesAndACacheSize)
{
    const CliOptions plain = parseOk({"thumbnail", "a.jpg", "b.BMP", "c.png"});
    EXPECT_EQ(plain.Command, CliCommand::Thumbnail);
    EXPECT_EQ(plain.ThumbnailSize, 128);
    EXPECT_EQ(plain.Inputs, (std::vector<std::string>{"a.jpg", "b.BMP", "c.png"}));
    EXPECT_EQ(parseOk({"thumbnail", "--size", "512", "a.jpg"}).ThumbnailSize, 512);
    EXPECT_EQ(parseOk({"thumbnail", "a.jpg", "--size=1024"}).ThumbnailSize, 1024);
    for (const char *size : {"100", "2048", "0", "large"})
        EXPECT_FALSE(parse({"thumbnail", "--size", size, "a.jpg"}).ok()) << size;
    EXPECT_FALSE(parse({"thumbnail"}).ok());
    EXPECT_FALSE(parse({"thumbnail", "--out-dir", "d", "a.jpg"}).ok());
}

// Options of the whole tool and of icon sets: what each command line asks for, or why not.
struct ToolOptionCase {
    std::vector<std::string> args;
    CliCommand command;
    int jobs;
    std::vector<int32_t> sizes;
    CliCommand helpTopic;
    const char *error; // a part of the usage error; empty when the line is fine
};

class ToolOptions : public ::testing::TestWithParam<ToolOptionCase> {};

TEST_P(ToolOptions, ParseAsAUserMeantThem)
{
    const ToolOptionCase &c = GetParam();
    const ParseResult result = ParseCommandLine(c.args);
    if (*c.error) {
        EXPECT_NE(result.UsageError.find(c.error), std::string::npos) << result.UsageError;
        return;
    }
    ASSERT_TRUE(result.ok()) << result.UsageError;
    EXPECT_EQ(result.Options.Command, c.command);
    EXPECT_EQ(result.Options.Jobs, c.jobs);
    EXPECT_EQ(result.Options.IconSizes, c.sizes);
    EXPECT_EQ(result.Options.HelpTopic, c.helpTopic);
}

using C = CliCommand;
INSTANTIATE_TEST_SUITE_P(
    Cases, ToolOptions,
    ::testing::Values(
        ToolOptionCase{{"--jobs", "4", "effect", "invert", "a.jpg", "b.jpg"}, C::Effect, 4, {}, C::Help, ""},
        ToolOptionCase{{"--jobs=2", "effect", "invert", "a.jpg", "b.jpg"}, C::Effect, 2, {}, C::Help, ""},
        ToolOptionCase{{"resize", "box", "5", "5", "a.jpg", "b.jpg", "--jobs", "3"}, C::Resize, 3, {}, C::Help, ""},
        ToolOptionCase{{"effect", "invert", "a.jpg", "b.jpg"}, C::Effect, 0, {}, C::Help, ""},
        ToolOptionCase{{"--jobs", "0", "effect", "invert", "a.jpg", "b.jpg"}, C::Effect, 0, {}, C::Help, "--jobs '0'"},
        ToolOptionCase{{"--jobs", "many", "effect", "invert", "a.jpg", "b.jpg"}, C::Effect, 0, {}, C::Help, "--jobs"},
        ToolOptionCase{{"--jobs"}, C::Help, 0, {}, C::Help, "needs a value"},
        ToolOptionCase{{"--jobs", "2", "--jobs=3", "effect", "invert", "a.jpg", "b.jpg"}, C::Effect, 2, {}, C::Help, "twice"},
        ToolOptionCase{{"--jobs", "2", "effect", "invert", "a.jpg", "b.jpg", "--jobs", "3"}, C::Effect, 2, {}, C::Help, "twice"},
        ToolOptionCase{{"--out-dir", "x", "effect"}, C::Help, 0, {}, C::Help, "unknown option --out-dir"},
        ToolOptionCase{{"--version"}, C::Version, 0, {}, C::Help, ""},
        ToolOptionCase{{"icon", "--version"}, C::Version, 0, {}, C::Help, ""},
        ToolOptionCase{{"icon", "--help"}, C::Help, 0, {}, C::Icon, ""},
        ToolOptionCase{{"--jobs", "2", "resize", "-h"}, C::Help, 2, {}, C::Resize, ""},
        ToolOptionCase{{"help", "enhance"}, C::Help, 0, {}, C::Enhance, ""},
        ToolOptionCase{{"--help"}, C::Help, 0, {}, C::Help, ""},
        ToolOptionCase{{"icon", "a.jpg", "a.ico", "--sizes", "256,16,48,32"}, C::Icon, 0, {16, 32, 48, 256}, C::Help, ""},
        ToolOptionCase{{"icon", "a.jpg", "a.ico", "--sizes=7"}, C::Icon, 0, {7}, C::Help, ""},
        ToolOptionCase{{"icon", "a.jpg", "a.ico", "--sizes", "16,16"}, C::Icon, 0, {}, C::Help, "twice"},
        ToolOptionCase{{"icon", "a.jpg", "a.ico", "--sizes", "16,512"}, C::Icon, 0, {}, C::Help, "'512'"},
        ToolOptionCase{{"icon", "a.jpg", "a.ico", "--sizes", "16,,32"}, C::Icon, 0, {}, C::Help, "item ''"},
        ToolOptionCase{{"icon", "a.jpg", "a.ico", "--sizes", "16", "--size", "32"}, C::Icon, 0, {}, C::Help,
                       "exclude each other"},
        ToolOptionCase{{"effect", "invert", "a.jpg", "b.jpg", "--sizes", "16"}, C::Effect, 0, {}, C::Help,
                       "unknown option --sizes"}));

TEST(CliParsing, HelpOfOneCommandDescribesOnlyThatCommand)
{
    const std::string icon = HelpText(CliCommand::Icon);
    EXPECT_NE(icon.find("--sizes"), std::string::npos);
    EXPECT_NE(icon.find("--jobs"), std::string::npos);
    EXPECT_EQ(icon.find("resize FILTER"), std::string::npos);
    const std::string all = HelpText();
    for (const char *part : {"effect NAME", "enhance FUNC", "resize FILTER", "--sizes", "--version", "Examples"})
        EXPECT_NE(all.find(part), std::string::npos) << part;
    EXPECT_EQ(VersionText(), std::string("vistrel-cli ") + VISTREL_VERSION + "\n");
}

// Redaction and recognition: the rectangle, mode, colour and language asked for, or why not.
struct HideOrReadCase {
    std::vector<std::string> args;
    TRect area;
    RedactMode mode;
    uint8_t red;
    const char *error; // a part of the usage error; empty when the line is fine
};

class HideOrReadOptions : public ::testing::TestWithParam<HideOrReadCase> {};

TEST_P(HideOrReadOptions, ParseAsAUserMeantThem)
{
    const HideOrReadCase &c = GetParam();
    const ParseResult result = ParseCommandLine(c.args);
    if (*c.error) {
        EXPECT_NE(result.UsageError.find(c.error), std::string::npos) << result.UsageError;
        return;
    }
    ASSERT_TRUE(result.ok()) << result.UsageError;
    EXPECT_EQ(result.Options.RedactArea, c.area);
    EXPECT_EQ(result.Options.Redaction, c.mode);
    EXPECT_EQ(result.Options.FillColour.r, c.red);
}

using M = RedactMode;
INSTANTIATE_TEST_SUITE_P(
    Cases, HideOrReadOptions,
    ::testing::Values(HideOrReadCase{{"redact", "--rect", "-4,5,10,20", "a.bmp", "b.png"}, {-4, 5, 6, 25}, M::Pixelate, 0, ""},
                      HideOrReadCase{{"redact", "--rect=1,2,3,4", "--mode", "fill", "--colour", "Ff8000", "a.bmp", "b.bmp"},
                                     {1, 2, 4, 6}, M::Fill, 255, ""},
                      HideOrReadCase{{"redact", "--rect", "0,0,9,9", "--mode", "blur", "--out-dir", "o", "a.bmp"},
                                     {0, 0, 9, 9}, M::Blur, 0, ""},
                      HideOrReadCase{{"redact", "a.bmp", "b.bmp"}, {}, M::Pixelate, 0, "needs --rect"},
                      HideOrReadCase{{"redact", "--rect", "1,2,0,4", "a.bmp", "b.bmp"}, {}, M::Pixelate, 0, "positive"},
                      HideOrReadCase{{"redact", "--rect", "1,2,3", "a.bmp", "b.bmp"}, {}, M::Pixelate, 0, "X,Y,W,H"},
                      HideOrReadCase{{"redact", "--rect", "1,2,3,4,5", "a.bmp", "b.bmp"}, {}, M::Pixelate, 0, "X,Y,W,H"},
                      HideOrReadCase{{"redact", "--rect", "2147483647,0,1,1", "a.bmp", "b.bmp"}, {}, M::Pixelate, 0, "X,Y,W,H"},
                      HideOrReadCase{{"redact", "--rect", "0,0,1,1", "--mode", "smear", "a.bmp", "b.bmp"}, {}, M::Pixelate, 0,
                                     "--mode"},
                      HideOrReadCase{{"redact", "--rect", "0,0,1,1", "--colour", "ff0000", "a.bmp", "b.bmp"}, {}, M::Pixelate, 0,
                                     "--mode fill"},
                      HideOrReadCase{{"redact", "--rect", "0,0,1,1", "--mode", "fill", "--colour", "red", "a.bmp", "b.bmp"}, {},
                                     M::Fill, 0, "RRGGBB"},
                      HideOrReadCase{{"ocr", "--lang", "deu", "a.png"}, {}, M::Pixelate, 0, ""},
                      HideOrReadCase{{"ocr", "a.png", "b.png"}, {}, M::Pixelate, 0, "one IN"},
                      HideOrReadCase{{"ocr", "--out-dir", "o", "a.png"}, {}, M::Pixelate, 0, "unknown option --out-dir"}));
