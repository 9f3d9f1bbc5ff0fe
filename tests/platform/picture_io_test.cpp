#include "platform/picture_io.h"

#include "codec_test_support.h"
#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vistrel {
namespace {

using testing::TempFolder;
using testing::ReadByteVector;
using testing::SmoothPicture;
using testing::WriteByteVector;

constexpr PictureFormat J = PictureFormat::Jpeg;
constexpr PictureFormat B = PictureFormat::Bmp;
constexpr PictureFormat N = PictureFormat::None;

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
        {"/p/photo.Jpg", J, N, N, J},
        {"/p/photo.JPEG", J, N, N, J},
        {"/p/PHOTO.JPG", J, N, N, J},
        {"/p/shot.bMp", B, N, N, B},
        {"/p/x.ico", N, N, N, N},
        {"/p/b.txt", N, N, N, N},
        {"/p/picture.png", N, N, N, N},
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
        {"noise.txt", "this is no picture", "not a JPEG or BMP file"},
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
    EXPECT_EQ(ReadByteVector(folder.file("a.out")), WriteJpegMemory(picture));
    EXPECT_EQ(ReadByteVector(folder.file("b.out")), WriteBmpMemory(picture));
    EXPECT_THROW(WritePictureFile(picture, folder.file("c.out"), PictureFormat::None), Error);
}

} // namespace
} // namespace vistrel
