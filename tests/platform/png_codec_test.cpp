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

std::string Chunk(const std::string &type, const std::string &data, uint32_t declaredLength)
{
    std::string chunk;
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk += static_cast<char>(declaredLength >> shift);
    const std::string body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(body.data()), static_cast<uInt>(body.size()));
    chunk += body;
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk += static_cast<char>(crc >> shift);
    return chunk;
}

std::string Chunk(const std::string &type, const std::string &data)
{
    return Chunk(type, data, static_cast<uint32_t>(data.size()));
}

std::string Deflated(const std::string &data)
{
    uLongf size = compressBound(data.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(data.data()), data.size(), 9);
    out.resize(size);
    return out;
}

// A 1 x 1 picture, with `middle` between its header and its pixels.
std::string TinyPng(const std::string &middle)
{
    const std::string header("\0\0\0\1\0\0\0\1\x08\x02\0\0\0", 13);
    return std::string("\x89PNG\r\n\x1a\n") + Chunk("IHDR", header) + middle
           + Chunk("IDAT", Deflated(std::string(4, '\0'))) + Chunk("IEND", "");
}

// Files whose few bytes would make a careless reader hold hundreds of megabytes (a text chunk
// that only declares its length is allocated and cleared in full).
std::vector<std::string> MemoryBombs()
{
    std::string manyTexts;
    const std::string zeros = Deflated(std::string(7900000, '\0'));
    for (int i = 0; i < 120; ++i)
        manyTexts += Chunk("zTXt", "Comment" + std::to_string(i) + std::string(2, '\0') + zeros);
    const std::string header = TinyPng("").substr(0, 33);
    return {header + Chunk("tEXt", "a", 600u << 20).substr(0, 12), TinyPng(manyTexts)};
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VISTREL_ASAN 1
#endif
#endif

// Peak memory is measured in a child under a limit, so that a regression cannot take the
// machine's memory (AddressSanitizer reserves too much address space for such a limit).
#if !defined(__SANITIZE_ADDRESS__) && !defined(VISTREL_ASAN)
TEST(PngCodec, HostileChunksCostAFewMegabytesAsFileAndAsCacheEntry)
{
    testing::TempFolder folder;
    const std::vector<std::string> bombs = MemoryBombs();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{1u << 30, 1u << 30};
        ::setrlimit(RLIMIT_AS, &limit);
        for (const std::string &bomb : bombs) {
            const std::string path = folder.file("bomb.png");
            testing::WriteBytes(path, bomb);
            try {
                ReadPngFile(path);
            } catch (const Error &) {
            }
            try {
                ReadPngMemory(reinterpret_cast<const uint8_t *>(bomb.data()), bomb.size(), 1024);
            } catch (const Error &) {
            }
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    rusage usage {};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "KB at the peak";
}
#endif

TEST(PngCodec, OnlyThumbnailKeysAreKeptAndCompressedOnesExpanded)
{
    const std::string thumbnailKey = Chunk("zTXt", std::string("Thumb::URI\0\0", 12) + Deflated("file:///a.jpg"));
    const std::string international = Chunk("iTXt", std::string("Thumb::MTime\0\0\0\0\0", 17) + "42");
    const std::string other = Chunk("tEXt", std::string("Comment\0hello", 13));
    const std::string png = TinyPng(thumbnailKey + international + other);
    const PngPicture picture = ReadPngMemory(reinterpret_cast<const uint8_t *>(png.data()), png.size(), 16);
    EXPECT_EQ(picture.Text, (std::map<std::string, std::string>{{"Thumb::MTime", "42"}, {"Thumb::URI", "file:///a.jpg"}}));
}

} // namespace
} // namespace vistrel
