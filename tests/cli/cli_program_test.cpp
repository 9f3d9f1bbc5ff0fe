// Runs the built vistrel-cli as a user would and checks its files, messages and exit statuses.
#include "tests/support/files.h"
#include "tests/support/oriented_jpeg.h"
#include "imaging/effects.h"
#include "platform/bmp_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <QImage>
#include <QImageReader>

#include <sys/wait.h>

using namespace vistrel;
using namespace vistrel::testing;

namespace {

struct Outcome {
    int status;
    std::string out, err;
};

std::string quoted(const std::string &arg)
{
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

class CliProgram : public ::testing::Test {
protected:
    Outcome run(const std::vector<std::string> &args)
    {
        std::string command = quoted(VISTREL_CLI);
        for (const std::string &arg : args)
            command += " " + quoted(arg);
        command += " >" + quoted(dir_.file("stdout.txt")) + " 2>" + quoted(dir_.file("stderr.txt")) + " </dev/null";
        const int raw = std::system(command.c_str());
        const std::vector<uint8_t> out = ReadByteVector(dir_.file("stdout.txt"));
        const std::vector<uint8_t> err = ReadByteVector(dir_.file("stderr.txt"));
        return Outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(out.begin(), out.end()),
                   std::string(err.begin(), err.end())};
    }

    // A 24-bit bottom-up BMP whose pixel (x, y) is red 40x, green 30y, blue 100.
    std::string writeBmp(const std::string &name, int width, int height)
    {
        const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
        const uint32_t imageSize = stride * static_cast<uint32_t>(height);
        std::vector<uint8_t> file;
        auto put = [&file](uint32_t value, int bytes) {
            for (int i = 0; i < bytes; ++i)
                file.push_back(static_cast<uint8_t>(value >> (8 * i)));
        };
        put('B' | ('M' << 8), 2);
        put(54 + imageSize, 4);
        put(0, 4);
        put(54, 4);
        put(40, 4);
        put(static_cast<uint32_t>(width), 4);
        put(static_cast<uint32_t>(height), 4);
        put(1, 2);
        put(24, 2);
        put(0, 4);
        put(imageSize, 4);
        put(0, 16);
        for (int y = height - 1; y >= 0; --y) {
            for (int x = 0; x < width; ++x)
                file.insert(file.end(), {100, static_cast<uint8_t>(30 * y), static_cast<uint8_t>(40 * x)});
            file.resize(file.size() + (stride - static_cast<uint32_t>(width) * 3), 0);
        }
        const std::string path = dir_.file(name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(file.data()),
                                                    static_cast<std::streamsize>(file.size()));
        return path;
    }

    static QImage load(const std::string &path, const char *format = nullptr)
    {
        return QImageReader(QString::fromStdString(path), format).read().convertToFormat(QImage::Format_ARGB32);
    }

    TempFolder dir_;
};

// The stored picture turned upright as the EXIF orientation says, with the Tools menu's turns.
TBitmap TurnedByHand(TBitmap stored, int orientation)
{
    TBitmap turned;
    switch (orientation) {
    case 2: FlipRight(stored); return stored;
    case 3: FlipRight(stored); FlipDown(stored); return stored;
    case 4: FlipDown(stored); return stored;
    case 5: Rotate90Right(stored, turned); FlipRight(turned); return turned;
    case 6: Rotate90Right(stored, turned); return turned;
    case 7: Rotate90Left(stored, turned); FlipRight(turned); return turned;
    case 8: Rotate90Left(stored, turned); return turned;
    }
    return stored;
}

// Ramps across and down and a block off the centre: every turn and mirror of it differs.
TBitmap LopsidedPicture(int width, int height)
{
    TBitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y, {uint8_t(x * 255 / width), uint8_t(y * 255 / height),
                              uint8_t((x < width / 3) != (y < height / 4) ? 200 : 40)});
    return b;
}

double MeanDifference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace

TEST_F(CliProgram, HelpDocumentsEveryCommandAndSucceeds)
{
    for (const char *ask : {"--help", "-h", "help"}) {
        const Outcome r = run({ask});
        EXPECT_EQ(r.status, 0) << ask;
        for (const char *word : {"effect", "enhance", "resize", "icon", "--out-dir", "--keep-aspect", "Examples"})
            EXPECT_NE(r.out.find(word), std::string::npos) << word;
    }
}

TEST_F(CliProgram, EffectInvertsEveryPixel)
{
    const std::string in = writeBmp("in.bmp", 5, 4);
    const Outcome r = run({"effect", "invert", in, dir_.file("out.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage out = load(dir_.file("out.bmp"));
    ASSERT_EQ(out.size(), QSize(5, 4));
    EXPECT_EQ(out.pixel(3, 2), qRgb(255 - 120, 255 - 60, 255 - 100));
}

TEST_F(CliProgram, RotationTurnsThePicture)
{
    const std::string in = writeBmp("in.bmp", 5, 4);
    ASSERT_EQ(run({"effect", "rotate-right", in, dir_.file("out.bmp")}).status, 0);
    EXPECT_EQ(load(dir_.file("out.bmp")).size(), QSize(4, 5));
}

TEST_F(CliProgram, NegativeSolorizeValueInvertsEveryPixel)
{
    const std::string in = writeBmp("in.bmp", 6, 3);
    const Outcome r = run({"enhance", "solorize", "-1", in, dir_.file("out.bmp")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage out = load(dir_.file("out.bmp"));
    const QImage original = load(in);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(out.pixel(x, y), qRgb(255 - qRed(original.pixel(x, y)), 255 - qGreen(original.pixel(x, y)),
                                            255 - qBlue(original.pixel(x, y))));
}

TEST_F(CliProgram, RippleRandomRepeatsForOneSeedOnly)
{
    const std::string in = writeBmp("in.bmp", 8, 8);
    const auto ripple = [&](const std::string &out, const std::string &seed) {
        const Outcome r = run({"enhance", "ripple-random", "6", "--seed", seed, in, dir_.file(out)});
        EXPECT_EQ(r.status, 0) << r.err;
        return ReadByteVector(dir_.file(out));
    };
    const std::vector<uint8_t> first = ripple("a.bmp", "7");
    EXPECT_EQ(ripple("b.bmp", "7"), first);
    EXPECT_NE(ripple("c.bmp", "8"), first);
}

TEST_F(CliProgram, PngScreenshotsAreReadInEveryLetterCaseAndOutputsTakeTheirNamesType)
{
    const QImage original = load(writeBmp("in.bmp", 5, 4));
    const struct {
        const char *in, *out, *signature;
    } cases[] = {{"shot.png", "out.bmp", "BM"}, {"Screenshot.PNG", "out.png", "\x89PNG"}};
    for (const auto &c : cases) {
        const std::string in = dir_.file(c.in), out = dir_.file(c.out);
        ASSERT_TRUE(original.save(QString::fromStdString(in), "PNG"));
        const Outcome r = run({"effect", "invert", in, out});
        ASSERT_EQ(r.status, 0) << c.in << ": " << r.err;
        EXPECT_EQ(ReadBytes(out).substr(0, std::strlen(c.signature)), c.signature) << c.out;
        EXPECT_EQ(load(out).pixel(3, 2), qRgb(255 - 120, 255 - 60, 255 - 100)) << c.out;
    }
    std::filesystem::create_directory(dir_.file("out"));
    ASSERT_EQ(run({"effect", "invert", "--out-dir", dir_.file("out"), dir_.file("Screenshot.PNG")}).status, 0);
    EXPECT_EQ(ReadBytes(dir_.file("out/Screenshot.PNG")).substr(0, 4), "\x89PNG");
}

TEST_F(CliProgram, ResizeWritesTheRequestedSizeAsJpeg)
{
    const std::string in = writeBmp("in.bmp", 8, 6);
    const Outcome r = run({"resize", "box", "16", "12", in, dir_.file("big.jpg")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage out = load(dir_.file("big.jpg"), "jpeg");
    EXPECT_EQ(out.size(), QSize(16, 12));
}

TEST_F(CliProgram, UpperCaseExtensionsChooseTheFormat)
{
    const std::string in = writeBmp("IN.BMP", 8, 6);
    ASSERT_EQ(run({"resize", "mitchell", "4", "3", in, dir_.file("OUT.JPG")}).status, 0);
    EXPECT_EQ(load(dir_.file("OUT.JPG"), "jpeg").size(), QSize(4, 3));
    ASSERT_EQ(run({"effect", "greyscale", dir_.file("OUT.JPG"), dir_.file("GREY.BMP")}).status, 0);
    EXPECT_EQ(load(dir_.file("GREY.BMP"), "bmp").size(), QSize(4, 3));
}

TEST_F(CliProgram, IconIsASquareWithTransparentPadding)
{
    const std::string in = writeBmp("wide.bmp", 40, 20);
    const Outcome r = run({"icon", in, dir_.file("wide.ico"), "--depth", "32"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage icon = load(dir_.file("wide.ico"), "ico");
    ASSERT_EQ(icon.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(icon.pixel(5, 5)), 255);
    EXPECT_EQ(qAlpha(icon.pixel(5, 20)), 0);
}

// A side that would round to nothing keeps one pixel.
TEST_F(CliProgram, IconOfAThinPictureKeepsItsShortSide)
{
    const std::vector<std::vector<std::string>> runs = {
        {"icon", writeBmp("line.bmp", 1000, 10), dir_.file("line.ico"), "--size", "32"},
        {"icon", writeBmp("post.bmp", 10, 1000), dir_.file("post.ico"), "--size", "32"},
        {"icon", writeBmp("photo.bmp", 300, 200), dir_.file("photo.ico"), "--sizes", "1"},
    };
    for (const std::vector<std::string> &args : runs) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0) << args[1] << ": " << r.err;
        EXPECT_FALSE(load(args[2], "ico").isNull()) << args[2];
    }
}

TEST_F(CliProgram, IconAtEveryDepthAndCustomSize)
{
    const std::string in = writeBmp("in.bmp", 10, 10);
    for (const char *depth : {"1", "4", "8", "24", "32"}) {
        const std::string out = dir_.file(std::string("d") + depth + ".ico");
        ASSERT_EQ(run({"icon", in, out, "--depth", depth, "--size", "48", "--filter", "2"}).status, 0) << depth;
        EXPECT_EQ(load(out, "ico").size(), QSize(48, 48)) << depth;
    }
}

TEST_F(CliProgram, IconLargerThan256IsRefused)
{
    const std::string in = writeBmp("in.bmp", 10, 10);
    const Outcome r = run({"icon", in, dir_.file("big.ico"), "--size", "300"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("vistrel-cli: "), std::string::npos);
    EXPECT_NE(r.err.find("256"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("big.ico")));
    EXPECT_EQ(run({"icon", in, dir_.file("max.ico"), "--size", "256"}).status, 0);
}

TEST_F(CliProgram, OutDirTakesSeveralInputs)
{
    const std::string a = writeBmp("a.bmp", 4, 4);
    const std::string b = writeBmp("b.BMP", 4, 4);
    std::filesystem::create_directory(dir_.file("out"));
    const Outcome r = run({"effect", "mirror-vertical", "--out-dir", dir_.file("out"), a, b});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir_.file("out/a.bmp")));
    EXPECT_TRUE(std::filesystem::exists(dir_.file("out/b.BMP")));
    EXPECT_EQ(r.err, ""); // no progress lines without a terminal
    ASSERT_EQ(run({"icon", a, b, "--out-dir", dir_.file("out"), "--size", "16"}).status, 0);
    EXPECT_EQ(load(dir_.file("out/b.ico"), "ico").size(), QSize(16, 16));
}

TEST_F(CliProgram, OneBadInputFailsTheBatchButNotTheOthers)
{
    const std::string good = writeBmp("good.bmp", 4, 4);
    std::filesystem::create_directory(dir_.file("out"));
    const Outcome r = run({"effect", "invert", "--out-dir", dir_.file("out"), dir_.file("missing.bmp"), good});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("vistrel-cli: "), std::string::npos);
    EXPECT_NE(r.err.find("missing.bmp"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir_.file("out/good.bmp")));
}

TEST_F(CliProgram, BatchNeverReplacesItsInputs)
{
    const std::string in = writeBmp("in.bmp", 4, 4);
    const std::vector<uint8_t> before = ReadByteVector(in);
    const Outcome r = run({"effect", "invert", "--out-dir", dir_.file(""), in});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadByteVector(in), before);
}

TEST_F(CliProgram, MissingOutputFolderIsAFailure)
{
    const std::string in = writeBmp("in.bmp", 4, 4);
    const Outcome r = run({"effect", "invert", "--out-dir", dir_.file("nowhere"), in});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("nowhere"), std::string::npos);
}

TEST_F(CliProgram, UsageErrorsExitWithTwoAndAHint)
{
    const std::string in = writeBmp("in.bmp", 4, 4);
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"sharpen", in, dir_.file("o.bmp")},
        {"effect", "blur", in, dir_.file("o.bmp")},
        {"enhance", "posterize", "lots", in, dir_.file("o.bmp")},
        {"resize", "box", "10", in, dir_.file("o.bmp")},
        {"effect", "invert", in, dir_.file("o.gif")},
    };
    for (const auto &args : wrong) {
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("--help"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.file("o.bmp")));
}

TEST_F(CliProgram, TruncatedPictureFailsWithAMessage)
{
    const std::string in = writeBmp("cut.bmp", 64, 64);
    std::filesystem::resize_file(in, 100);
    for (const char *command : {"effect", "icon"}) {
        const std::string out = dir_.file(std::string("o.") + (command == std::string("icon") ? "ico" : "bmp"));
        std::vector<std::string> args{command};
        if (command == std::string("effect"))
            args.push_back("emboss");
        args.insert(args.end(), {in, out});
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.err.rfind("vistrel-cli: ", 0), 0u) << r.err;
        EXPECT_GT(r.err.size(), std::string("vistrel-cli: ").size() + in.size() + 3);
    }
}

TEST_F(CliProgram, GarbageWithAPictureNameFailsWithAMessage)
{
    const std::string in = dir_.file("noise.jpg");
    std::ofstream(in) << "this is not a JPEG file at all";
    const Outcome r = run({"resize", "mitchell", "10", "10", in, dir_.file("o.jpg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("vistrel-cli: ", 0), 0u);
}

TEST_F(CliProgram, ThumbnailFillsTheSharedCacheAndPrintsEachPath)
{
    const std::string cache = dir_.file("cache");
    ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    const std::string wide = writeBmp("wide.bmp", 300, 150);
    const std::string small = writeBmp("small.bmp", 5, 4);
    // Read by content, as every other command reads.
    const std::string png = dir_.file("shot.png"), jpeg = dir_.file("photo.bmp");
    ASSERT_TRUE(load(wide).save(QString::fromStdString(png), "PNG"));
    ASSERT_TRUE(load(wide).save(QString::fromStdString(jpeg), "JPG"));
    const Outcome r = run({"thumbnail", wide, small, dir_.file("missing.bmp"), png, jpeg});
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.bmp"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("shot.png"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("photo.bmp"), std::string::npos) << r.err;
    const std::string folder = cache + "/thumbnails/normal/";
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;
    const std::string first = r.out.substr(0, r.out.find('\n'));
    EXPECT_EQ(first.rfind(folder, 0), 0u) << first;
    const QImage thumb(QString::fromStdString(first));
    EXPECT_EQ(thumb.size(), QSize(128, 64));
    EXPECT_EQ(thumb.text("Thumb::URI"), "file://" + QString::fromStdString(wide));
    EXPECT_FALSE(thumb.text("Thumb::MTime").isEmpty());
    const std::string second = r.out.substr(first.size() + 1, r.out.find('\n', first.size() + 1) - first.size() - 1);
    EXPECT_EQ(QImage(QString::fromStdString(second)).size(), QSize(5, 4)); // never enlarged
}

TEST_F(CliProgram, VersionAndTheHelpOfOneCommand)
{
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("vistrel-cli ") + VISTREL_VERSION + "\n");
    const Outcome help = run({"icon", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--sizes"), std::string::npos);
    EXPECT_EQ(help.out.find("enhance FUNC"), std::string::npos);
}

TEST_F(CliProgram, IconSizesWriteOneFileWithEverySize)
{
    const std::string picture = writeBmp("logo.bmp", 6, 5);
    const std::string set = dir_.file("set.ico");
    const Outcome r = run({"--jobs", "2", "icon", picture, set, "--sizes", "48,16,256,32", "--depth", "32"});
    ASSERT_EQ(r.status, 0) << r.err;
    QImageReader reader(QString::fromStdString(set), "ico");
    ASSERT_EQ(reader.imageCount(), 4);
    std::vector<int> sides;
    for (int i = 0; i < 4; ++i) {
        reader.jumpToImage(i);
        sides.push_back(reader.read().width());
    }
    EXPECT_EQ(sides, (std::vector<int>{16, 32, 48, 256}));

    // One size stays the converter's single-image file, whichever way it is asked for.
    ASSERT_EQ(run({"icon", picture, dir_.file("one.ico"), "--size", "48", "--depth", "32"}).status, 0);
    ASSERT_EQ(run({"icon", picture, dir_.file("set1.ico"), "--sizes", "48", "--depth", "32"}).status, 0);
    EXPECT_EQ(ReadByteVector(dir_.file("one.ico")), ReadByteVector(dir_.file("set1.ico")));
}

// Whatever reads a JPEG stands it upright by its EXIF orientation, also when it shrinks the JPEG
// on load or works strip by strip: its output from a tagged JPEG is its output from a BMP of the
// same pixels turned by hand, byte for byte (then the output carries no tag either), or within
// a few levels where the JPEG is shrunk on load.
TEST_F(CliProgram, TaggedJpegsComeOutUprightFromEveryCommand)
{
    const struct {
        std::vector<std::string> args; // IN and OUT stand for the files
        bool exact;
    } cases[] = {
        {{"resize", "mitchell", "20", "12", "IN", "OUT.bmp"}, false},
        {{"resize", "lanczos3", "20", "12", "IN", "OUT.bmp", "--exact"}, true},
        {{"icon", "IN", "OUT.ico", "--depth", "24"}, false},
        {{"effect", "invert", "IN", "OUT.jpg"}, true},
    };
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const bool swapped = orientation >= 5;
        const std::string tagged = dir_.file("tagged.jpg"), upright = dir_.file("upright.bmp");
        WriteByteVector(tagged, WithOrientation(WriteJpegMemory(LopsidedPicture(swapped ? 96 : 160, swapped ? 160 : 96)),
                                                orientation));
        WriteBmpFile(TurnedByHand(ReadJpegFile(tagged), orientation), upright);
        for (const auto &c : cases) {
            std::string outputs[2];
            for (int from = 0; from < 2; ++from) {
                std::vector<std::string> args = c.args;
                for (std::string &arg : args) {
                    if (arg == "IN")
                        arg = from ? upright : tagged;
                    else if (arg.rfind("OUT", 0) == 0)
                        arg = outputs[from] = dir_.file((from ? "from-bmp" : "from-jpeg") + arg.substr(3));
                }
                const Outcome r = run(args);
                ASSERT_EQ(r.status, 0) << args[0] << " " << orientation << ": " << r.err;
            }
            const std::string name = c.args[0] + " " + c.args.back() + ", orientation " + std::to_string(orientation);
            if (c.exact) {
                EXPECT_TRUE(ReadByteVector(outputs[0]) == ReadByteVector(outputs[1])) << name;
                continue;
            }
            const QImage fromJpeg = load(outputs[0]), fromBmp = load(outputs[1]);
            ASSERT_EQ(fromJpeg.size(), fromBmp.size()) << name;
            EXPECT_LT(MeanDifference(fromJpeg, fromBmp), 4.0) << name;
        }
    }
}
