#include "platform/error.h"
#include "platform/png_codec.h"

#include <QBuffer>
#include <QImage>

#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace vistrel {
namespace {

TBitmap Pattern(int width, int height)
{
    TBitmap bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.setPixel(x, y, {static_cast<uint8_t>(x * 9), static_cast<uint8_t>(y * 13), static_cast<uint8_t>(x + y)});
    return bitmap;
}

TEST(PngCodec, RoundTripKeepsPixelsAndTextAndOthersReadIt)
{
    const TBitmap picture = Pattern(17, 5);
    const std::vector<uint8_t> bytes = WritePngMemory(picture, {{"Thumb::URI", "file:///a%20b.jpg"}, {"Thumb::MTime", "42"}});
    const PngPicture back = ReadPngMemory(bytes.data(), bytes.size(), 64);
    EXPECT_EQ(back.Bitmap, picture);
    EXPECT_EQ(back.Text.at("Thumb::URI"), "file:///a%20b.jpg");
    EXPECT_EQ(back.Text.at("Thumb::MTime"), "42");

    QImage other;
    ASSERT_TRUE(other.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "PNG"));
    EXPECT_EQ(other.pixel(3, 2), qRgb(3 + 2, 2 * 13, 3 * 9));
    EXPECT_EQ(other.text("Thumb::MTime"), "42");
}

std::vector<uint8_t> PngByQt(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

TEST(PngCodec, GreyAlphaAndSixteenBitBecomeBgr)
{
    QImage grey(4, 3, QImage::Format_Grayscale16);
    grey.fill(QColor(128, 128, 128));
    QImage alpha(4, 3, QImage::Format_ARGB32);
    alpha.fill(QColor(10, 20, 30, 40));
    for (const QImage &image : {grey, alpha}) {
        const std::vector<uint8_t> bytes = PngByQt(image);
        const PngPicture back = ReadPngMemory(bytes.data(), bytes.size(), 64);
        ASSERT_EQ(back.Bitmap.width(), 4);
        const QColor expected = image.pixelColor(1, 1);
        EXPECT_EQ(back.Bitmap.pixel(1, 1), (PaletteEntry{static_cast<uint8_t>(expected.blue()),
                                                         static_cast<uint8_t>(expected.green()),
                                                         static_cast<uint8_t>(expected.red())}));
    }
}

TEST(PngCodec, OversizedTruncatedAndForeignDataAreErrors)
{
    const std::vector<uint8_t> bytes = WritePngMemory(Pattern(40, 30), {});
    EXPECT_THROW(ReadPngMemory(bytes.data(), bytes.size(), 39), Error);
    EXPECT_THROW(ReadPngMemory(bytes.data(), bytes.size() / 2, 64), Error);
    EXPECT_THROW(ReadPngMemory(bytes.data(), 8, 64), Error);
    const uint8_t text[] = "not a picture at all";
    EXPECT_THROW(ReadPngMemory(text, sizeof text, 64), Error);
    EXPECT_THROW(WritePngMemory(TBitmap(), {}), Error);
}

TEST(PngCodec, FilesThatAreNotRegularAreRefusedWithoutWaiting)
{
    testing::TempFolder folder;
    const std::string pipe = folder.file("x.png");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string &path : {pipe, folder.file("missing.png"), folder.path()})
        EXPECT_THROW(ReadPngFile(path), Error) << path;
}

} // namespace
} // namespace vistrel
