#include "platform/picture_io.h"

#include "codec_test_support.h"
#include "tests/support/oriented_jpeg.h"
#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>

namespace vistrel {
namespace {

using testing::TempFolder;
using testing::ReadByteVector;
using testing::SmoothPicture;
using testing::WriteByteVector;
using testing::QuarteredJpegWithOrientation;

constexpr PictureFormat J = PictureFormat::Jpeg;
constexpr PictureFormat B = PictureFormat::Bmp;
constexpr PictureFormat P = PictureFormat::Png;
constexpr PictureFormat N = PictureFormat::None;

// A PNG of `picture` (24 bits) or of it with an alpha ramp (32 bits), written by libpng itself.
std::string WritePng(const std::string &path, const TBitmap &picture, bool alpha)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width());
    image.height = static_cast<png_uint_32>(picture.height());
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    const int channels = alpha ? 4 : 3;
    std::vector<uint8_t> pixels;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const PaletteEntry p = picture.pixel(x, y);
            pixels.insert(pixels.end(), {p.b, p.g, p.r});
            if (alpha)
                pixels.push_back(static_cast<uint8_t>(x * 20));
        }
    EXPECT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), picture.width() * channels, nullptr))
        << image.message;
    png_image_free(&image);
    return path;
}

// The file's IHDR chunk claims another size (its checksum made to match, so only the size is wrong).
void ClaimSize(const std::string &path, uint32_t width, uint32_t height)
{
    std::vector<uint8_t> bytes = ReadByteVector(path);
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        bytes[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    const uLong crc = crc32(0, bytes.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        bytes[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    WriteByteVector(path, bytes);
}

TEST(PictureNamingRules, EachRoadKeepsItsOwnLetterCase)
{
    struct Case {
        const char *path;
        PictureFormat opening, dropping, exact, commandLine;
    };
    const Case cases[] = {
        {"/p/a.jpg", J, J, J, J},
        {"/p/d.jpeg", J, J, J, J},
        {"/p/c.bmp", B, B, B, B},
        {"/p/photo.Jpg", J, J, N, J},
        {"/p/photo.JPEG", J, J, N, J},
        {"/p/PHOTO.JPG", J, J, N, J},
        {"/p/shot.bMp", B, B, N, B},
        {"/p/x.ico", N, N, N, N},
        {"/p/b.txt", N, N, N, N},
        {"/p/picture.png", P, P, N, P},
        {"/p/Screenshot.PNG", P, P, N, P},
        {"/p.jpg/noext", N, N, N, N},
        {"/some.dir/picture", N, N, N, N},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(PictureFormatFor(c.path, PictureNaming::Opening), c.opening) << c.path;
        EXPECT_EQ(PictureFormatFor(c.path, PictureNaming::Dropping), c.dropping) << c.path;
        EXPECT_EQ(PictureFormatFor(c.path, PictureNaming::ExactExtension), c.exact) << c.path;
        EXPECT_EQ(PictureFormatFor(c.path, PictureNaming::CommandLine), c.commandLine) << c.path;
    }
}

TEST(PictureReading, OtherExtensionsLoadAnEmptyPictureWithoutTouchingTheFile)
{
    EXPECT_TRUE(ReadPictureFile("/nonexistent/x.ico", PictureNaming::Opening).empty());
    EXPECT_TRUE(ReadPictureFile("/nonexistent/picture.JPG", PictureNaming::ExactExtension).empty());
    EXPECT_THROW(ReadPictureFile("/nonexistent/picture.jpg", PictureNaming::ExactExtension), Error);
}

TEST(PictureReading, JpegsAreTurnedUprightByTheirExifOrientation)
{
    const char R = 'r', G = 'g', B = 'b', W = 'w';
    const struct {
        int orientation;
        char topLeft, topRight;
    } cases[] = {{1, R, G}, {2, G, R}, {3, W, B}, {4, B, W}, {5, R, B}, {6, B, R}, {7, W, G}, {8, G, W}, {0, R, G}, {9, R, G}};
    const auto colourName = [](PaletteEntry p) { return p.r > 128 ? (p.g > 128 ? 'w' : 'r') : p.g > 128 ? 'g' : 'b'; };
    TempFolder folder;
    for (const auto &c : cases) {
        for (bool little : {true, false}) {
            const std::string path = folder.file("photo.jpg");
            WriteByteVector(path, QuarteredJpegWithOrientation(c.orientation, little));
            const TBitmap upright = ReadPictureFile(path, PictureNaming::Opening);
            const bool turned = c.orientation >= 5 && c.orientation <= 8;
            EXPECT_EQ(upright.width(), turned ? 32 : 64) << c.orientation;
            EXPECT_EQ(colourName(upright.pixel(4, 4)), c.topLeft) << c.orientation << little;
            EXPECT_EQ(colourName(upright.pixel(upright.width() - 5, 4)), c.topRight) << c.orientation << little;
        }
    }
}

TEST(PictureReading, UnreadableFileRaisesTheLoaderError)
{
    TempFolder folder;
    const std::string path = folder.file("broken.jpg");
    WriteByteVector(path, {'n', 'o', 't'});
    EXPECT_THROW(ReadPictureFile(path, PictureNaming::Opening), Error);
    EXPECT_THROW(ReadPictureFile(folder.file("missing.bmp"), PictureNaming::Opening), Error);
}

TEST(PictureReading, ContentDecidesWhateverTheName)
{
    TempFolder folder;
    const TBitmap picture = SmoothPicture(12, 7);
    const std::string bmpNamedJpeg = folder.file("really-a-bmp.jpg");
    const std::string jpegNamedBmp = folder.file("really-a-jpeg.bmp");
    WriteBmpFile(picture, bmpNamedJpeg);
    WriteJpegFile(picture, jpegNamedBmp);
    EXPECT_EQ(ReadPictureByContent(bmpNamedJpeg, PictureNaming::CommandLine), picture);
    EXPECT_EQ(ReadPictureByContent(jpegNamedBmp, PictureNaming::CommandLine), ReadJpegFile(jpegNamedBmp));
}

TEST(PictureReading, PngComesIn24BitsOr32WithItsTransparency)
{
    TempFolder folder;
    const TBitmap picture = SmoothPicture(13, 6);
    for (const char *name : {"shot.png", "SHOT.PNG", "shot-named.jpg", "shot-named.bmp"}) {
        const TBitmap read = ReadPictureByContent(WritePng(folder.file(name), picture, false), PictureNaming::CommandLine);
        EXPECT_EQ(read.pixelFormat(), PixelFormat::pf24bit) << name;
        EXPECT_EQ(read, picture) << name;
    }
    const TBitmap clear = ReadPictureByContent(WritePng(folder.file("alpha.png"), picture, true), PictureNaming::Opening);
    ASSERT_EQ(clear.pixelFormat(), PixelFormat::pf32bit);
    for (int y = 0; y < 6; ++y)
        for (int x = 1; x < 13; ++x) { // a wholly transparent pixel has no colour to keep
            EXPECT_EQ(clear.pixel(x, y), picture.pixel(x, y)) << x << "," << y;
            EXPECT_EQ(clear.scanLine(y)[x * 4 + 3], x * 20) << x << "," << y;
        }
}

TEST(PictureReading, DamagedOrHugePngIsAnErrorNotACrash)
{
    TempFolder folder;
    const std::string good = WritePng(folder.file("good.png"), SmoothPicture(40, 30), false);
    const std::vector<uint8_t> bytes = ReadByteVector(good);
    const std::string cut = folder.file("cut.png");
    WriteByteVector(cut, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)));
    const std::string huge = WritePng(folder.file("huge.png"), SmoothPicture(4, 4), false);
    ClaimSize(huge, 100000, 100000);
    const std::string wide = WritePng(folder.file("wide.png"), SmoothPicture(4, 4), false);
    ClaimSize(wide, 0x7FFFFFFF, 1);
    for (const std::string &path : {cut, huge, wide})
        EXPECT_THROW(ReadPictureByContent(path, PictureNaming::CommandLine), Error) << path;
}

TEST(PictureReading, UnknownContentGetsTheErrorOfTheDecoderTheNameSuggests)
{
    TempFolder folder;
    struct Case {
        const char *name;
        const char *content;
        const char *reason;
    };
    const Case cases[] = {
        {"noise.bmp", "this is no picture", "not a BMP file: starts with 0x74 0x68"},
        {"noise.txt", "this is no picture", "not a JPEG, BMP or PNG file"},
        {"missing.bmp", nullptr, "No such file or directory"},
        {"empty.bmp", "", "not a BMP file"},
    };
    for (const Case &c : cases) {
        const std::string path = folder.file(c.name);
        if (c.content)
            WriteByteVector(path, std::vector<uint8_t>(c.content, c.content + std::strlen(c.content)));
        try {
            ReadPictureByContent(path, PictureNaming::CommandLine);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const Error &e) {
            EXPECT_EQ(std::string(e.what()), "Cannot read picture " + path + ": " + c.reason) << c.name;
        }
    }
}

TEST(PictureWriting, EachFormatGoesToItsCodec)
{
    TempFolder folder;
    const TBitmap picture = SmoothPicture(9, 5);
    WritePictureFile(picture, folder.file("a.out"), PictureFormat::Jpeg);
    WritePictureFile(picture, folder.file("b.out"), PictureFormat::Bmp);
    const TBitmap unpadded = SmoothPicture(12, 5); // rows without padding, which a read leaves uncleared
    WritePictureFile(unpadded, folder.file("c.png"), PictureFormat::Png);
    EXPECT_EQ(ReadByteVector(folder.file("a.out")), WriteJpegMemory(picture));
    EXPECT_EQ(ReadByteVector(folder.file("b.out")), WriteBmpMemory(picture));
    EXPECT_TRUE(ReadPngFile(folder.file("c.png")) == unpadded); // lossless
    EXPECT_THROW(WritePictureFile(picture, folder.file("c.out"), PictureFormat::None), Error);
}

} // namespace
} // namespace vistrel
