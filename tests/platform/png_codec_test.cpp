#include "platform/error.h"
#include "platform/png_codec.h"

#include <QBuffer>
#include <QImage>

#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

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

std::string BigEndian(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

// A chunk; a declaredLength other than 0 lies about the data's length.
std::string Chunk(const std::string &type, const std::string &data, uint32_t declaredLength = 0)
{
    const std::string body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(body.data()), static_cast<uInt>(body.size()));
    return BigEndian(declaredLength ? declaredLength : static_cast<uint32_t>(data.size())) + body
           + BigEndian(static_cast<uint32_t>(crc));
}

std::string Deflated(const std::string &data)
{
    return qCompress(QByteArray::fromStdString(data), 9).mid(4).toStdString(); // without Qt's length
}

// A 1 x 1 picture with `middle` between its header and its pixels.
std::string TinyPng(const std::string &middle)
{
    return std::string("\x89PNG\r\n\x1a\n") + Chunk("IHDR", std::string("\0\0\0\1\0\0\0\1\x08\x02\0\0\0", 13))
           + middle + Chunk("IDAT", Deflated(std::string(4, '\0'))) + Chunk("IEND", "");
}

// A few bytes that would make a careless reader hold hundreds of megabytes: a text chunk that
// only declares its length, and compressed text chunks of 8 MB each. Measured in a child under
// a limit, so that a regression cannot take the machine's memory.
TEST(PngCodec, HostileChunksCostAFewMegabytesAsFileAndAsCacheEntry)
{
    if (VISTREL_SANITIZED)
        GTEST_SKIP() << "sanitizers reserve more address space than the limit allows";
    std::string manyTexts;
    const std::string zeros = Deflated(std::string(7900000, '\0'));
    for (int i = 0; i < 120; ++i)
        manyTexts += Chunk("zTXt", "Comment" + std::to_string(i) + std::string(2, '\0') + zeros);
    const std::string bombs[] = {TinyPng("").substr(0, 33) + Chunk("tEXt", "a", 600u << 20).substr(0, 12),
                                 TinyPng(manyTexts)};
    testing::TempFolder folder;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{1u << 30, 1u << 30};
        ::setrlimit(RLIMIT_AS, &limit);
        const auto attempt = [](const auto &read) {
            try {
                read();
            } catch (const Error &) {
            }
        };
        for (const std::string &bomb : bombs) {
            testing::WriteBytes(folder.file("bomb.png"), bomb);
            attempt([&] { ReadPngFile(folder.file("bomb.png")); });
            attempt([&] { ReadPngMemory(reinterpret_cast<const uint8_t *>(bomb.data()), bomb.size(), 1024); });
        }
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "KB at the peak";
}

TEST(PngCodec, OnlyThumbnailKeysAreKeptAndCompressedOnesExpanded)
{
    const std::string png = TinyPng(Chunk("zTXt", std::string("Thumb::URI\0\0", 12) + Deflated("file:///a.jpg"))
                                    + Chunk("iTXt", std::string("Thumb::MTime\0\0\0\0\0", 17) + "42")
                                    + Chunk("tEXt", std::string("Comment\0hello", 13)));
    const PngPicture picture = ReadPngMemory(reinterpret_cast<const uint8_t *>(png.data()), png.size(), 16);
    EXPECT_EQ(picture.Text, (std::map<std::string, std::string>{{"Thumb::MTime", "42"}, {"Thumb::URI", "file:///a.jpg"}}));
}

} // namespace
} // namespace vistrel
