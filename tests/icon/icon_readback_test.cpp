// Icons written by us, read back by two independent ICO readers: Qt's image plugin and ImageMagick.
#include "icon/icon_writer.h"
#include "icon_test_support.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <functional>
#include <filesystem>
#include <memory>

using namespace vistrel;
using namespace vistrel::testing;

namespace {

constexpr const char *kMagickConvert = "/usr/bin/convert";
constexpr const char *kMagickIdentify = "/usr/bin/identify";

struct PipeCloser {
    void operator()(std::FILE *pipe) const { ::pclose(pipe); }
};

std::vector<uint8_t> commandOutput(const std::string &command)
{
    std::unique_ptr<std::FILE, PipeCloser> pipe(::popen(command.c_str(), "r"));
    std::vector<uint8_t> output;
    if (!pipe)
        return output;
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
        output.insert(output.end(), buffer, buffer + n);
    return output;
}

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba &o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

std::ostream &operator<<(std::ostream &out, const Rgba &c)
{
    return out << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}

// What a reader must show: the picture's colour where the mask is opaque, nothing elsewhere.
Rgba expectedPixel(const TIcon &icon, int x, int y)
{
    if (isTransparent(icon.Mask, x, y))
        return Rgba{0, 0, 0, 0};
    const PaletteEntry c = icon.Colour.pixel(x, y);
    return Rgba{c.r, c.g, c.b, 255};
}

// Fully transparent pixels compare by alpha alone; readers differ in the colour they report.
Rgba normalised(Rgba c)
{
    return c.a == 0 ? Rgba{0, 0, 0, 0} : c;
}

void expectPixelsMatch(const TIcon &icon, const std::function<Rgba(int, int)> &readPixel, const char *reader)
{
    int mismatches = 0;
    for (int y = 0; y < icon.Colour.height(); ++y)
        for (int x = 0; x < icon.Colour.width(); ++x)
            if (!(normalised(readPixel(x, y)) == expectedPixel(icon, x, y)) && ++mismatches <= 5)
                ADD_FAILURE() << reader << " pixel " << x << "," << y << ": read " << readPixel(x, y)
                              << ", expected " << expectedPixel(icon, x, y);
    EXPECT_EQ(mismatches, 0) << reader;
}

// Each depth gets colours it can hold exactly, so every reader must return them unchanged.
std::vector<PaletteEntry> coloursForDepth(uint8_t depthCode)
{
    switch (depthCode) {
    case 0: return {rgb(0, 0, 0), rgb(255, 255, 255)};
    case 1: return TBitmap::standardPalette(PixelFormat::pf4bit);
    default: return {rgb(192, 85, 149), rgb(1, 2, 3), rgb(250, 128, 7), rgb(0, 200, 255), rgb(77, 77, 77)};
    }
}

// Transparent pixels are black in the colour image, as the icon builder makes them.
TIcon testIcon(int width, int height, IconDepth depthCode)
{
    TIcon icon{patternPicture(width, height, coloursForDepth(static_cast<uint8_t>(depthCode))), borderMask(width, height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (isTransparent(icon.Mask, x, y))
                icon.Colour.setPixel(x, y, rgb(0, 0, 0));
    return icon;
}

class IconReadBack : public ::testing::TestWithParam<uint8_t> {
protected:
    TempFolder dir_;
};

} // namespace

TEST_P(IconReadBack, QtReaderSeesTheSamePixelsAndTransparency)
{
    const uint8_t code = GetParam();
    const TIcon icon = testIcon(20, 12, IconDepth(code));
    const std::string path = dir_.file("qt.ico");
    ASSERT_EQ(WriteIconFile(path, icon, IconDepth(code)), kIconWritten);

    QImageReader reader(QString::fromStdString(path), "ico");
    const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
    ASSERT_EQ(image.width(), 20);
    ASSERT_EQ(image.height(), 12);
    // Qt's reader ignores the mask of 24-bit icons and shows them opaque; there the transparent
    // pixels must at least be black, so that the mask alone makes them disappear elsewhere.
    const bool maskIgnored = code == 3;
    expectPixelsMatch(icon, [&](int x, int y) {
        const QRgb p = image.pixel(x, y);
        const bool takeAsTransparent = maskIgnored && isTransparent(icon.Mask, x, y) && (p & 0xFFFFFF) == 0;
        return Rgba{qRed(p), qGreen(p), qBlue(p), takeAsTransparent ? 0 : qAlpha(p)};
    }, "Qt");
}

TEST_P(IconReadBack, ImageMagickSeesTheSamePixelsAndTransparency)
{
    if (!std::filesystem::exists(kMagickConvert))
        GTEST_SKIP() << "ImageMagick is not installed";
    const uint8_t code = GetParam();
    const TIcon icon = testIcon(20, 12, IconDepth(code));
    const std::string path = dir_.file("magick.ico");
    ASSERT_EQ(WriteIconFile(path, icon, IconDepth(code)), kIconWritten);

    const std::vector<uint8_t> identified =
        commandOutput(std::string(kMagickIdentify) + " -format '%w %h' " + path + " 2>&1");
    EXPECT_EQ(std::string(identified.begin(), identified.end()), "20 12");
    const std::vector<uint8_t> rgba =
        commandOutput(std::string(kMagickConvert) + " " + path + "[0] -depth 8 rgba:- 2>/dev/null");
    ASSERT_EQ(rgba.size(), 20u * 12 * 4);
    expectPixelsMatch(icon, [&](int x, int y) {
        const uint8_t *p = &rgba[(static_cast<size_t>(y) * 20 + x) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    }, "ImageMagick");
}

std::string depthName(const ::testing::TestParamInfo<uint8_t> &info)
{
    static const char *const names[] = {"OneBit", "FourBits", "EightBits", "TwentyFourBits", "ThirtyTwoBits"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, IconReadBack, ::testing::Values(0, 1, 2, 3, 4), depthName);

TEST(IconReadBackSize, BothReadersTakeTheZeroByteAs256)
{
    TempFolder dir;
    const std::string path = dir.file("big.ico");
    ASSERT_EQ(WriteIconFile(path, testIcon(256, 256, IconDepth::Bits32), IconDepth::Bits32), kIconWritten);
    const QImage image = QImageReader(QString::fromStdString(path), "ico").read();
    EXPECT_EQ(image.width(), 256);
    EXPECT_EQ(image.height(), 256);
    if (!std::filesystem::exists(kMagickIdentify))
        return;
    const std::vector<uint8_t> identified =
        commandOutput(std::string(kMagickIdentify) + " -format '%w %h' " + path + " 2>&1");
    EXPECT_EQ(std::string(identified.begin(), identified.end()), "256 256");
}

// Several sizes in one file, as vistrel-cli icon --sizes writes them: every reader lists every
// size and shows each image's pixels, the PNG-compressed 256 one included.
class IconSetReadBack : public ::testing::TestWithParam<uint8_t> {
protected:
    static std::vector<TIcon> icons(uint8_t code)
    {
        std::vector<TIcon> set;
        for (int side : {16, 32, 48, 256})
            set.push_back(testIcon(side, side, IconDepth(code)));
        return set;
    }
    TempFolder dir_;
};

TEST_P(IconSetReadBack, QtReadsEverySize)
{
    const uint8_t code = GetParam();
    const std::vector<TIcon> set = icons(code);
    const std::string path = dir_.file("set.ico");
    WriteIconSet(path, set, IconDepth(code));
    QImageReader reader(QString::fromStdString(path), "ico");
    ASSERT_EQ(reader.imageCount(), 4);
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(reader.jumpToImage(i));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(set[i].Colour.width(), set[i].Colour.height())) << i;
        if (code == 4 || set[i].Colour.width() == 256) // both keep the alpha that Qt reports
            expectPixelsMatch(set[i], [&](int x, int y) {
                const QRgb p = image.pixel(x, y);
                return Rgba{qRed(p), qGreen(p), qBlue(p), qAlpha(p)};
            }, "Qt");
    }
}

TEST_P(IconSetReadBack, ImageMagickListsEverySizeAndThePngEntry)
{
    if (!std::filesystem::exists(kMagickIdentify))
        GTEST_SKIP() << "ImageMagick is not installed";
    const uint8_t code = GetParam();
    const std::vector<TIcon> set = icons(code);
    const std::string path = dir_.file("set.ico");
    WriteIconSet(path, set, IconDepth(code));
    const std::vector<uint8_t> identified =
        commandOutput(std::string(kMagickIdentify) + " -format '%m %w %h\\n' " + path + " 2>&1");
    EXPECT_EQ(std::string(identified.begin(), identified.end()), "ICO 16 16\nICO 32 32\nICO 48 48\nPNG 256 256\n");
    const std::vector<uint8_t> rgba =
        commandOutput(std::string(kMagickConvert) + " " + path + "[3] -depth 8 rgba:- 2>/dev/null");
    ASSERT_EQ(rgba.size(), 256u * 256 * 4);
    expectPixelsMatch(set[3], [&](int x, int y) {
        const uint8_t *p = &rgba[(static_cast<size_t>(y) * 256 + x) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    }, "ImageMagick");
}

INSTANTIATE_TEST_SUITE_P(Depths, IconSetReadBack, ::testing::Values(2, 4), depthName);
