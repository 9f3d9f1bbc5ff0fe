#include "document/picture_files.h"

#include "platform/error.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace vistrel {
namespace {

TEST(PictureFiles, OpeningComparesExtensionsInUpperCase)
{
    EXPECT_EQ(PictureKindForOpening("/p/photo.Jpg"), PictureFileKind::Jpeg);
    EXPECT_EQ(PictureKindForOpening("/p/photo.JPEG"), PictureFileKind::Jpeg);
    EXPECT_EQ(PictureKindForOpening("/p/photo.jpeg"), PictureFileKind::Jpeg);
    EXPECT_EQ(PictureKindForOpening("/p/shot.bMp"), PictureFileKind::Bmp);
    EXPECT_EQ(PictureKindForOpening("/p/x.ico"), PictureFileKind::Other);
    EXPECT_EQ(PictureKindForOpening("/p.jpg/noext"), PictureFileKind::Other);
}

TEST(PictureFiles, DropsAcceptOnlyLowerCaseExtensions)
{
    EXPECT_TRUE(IsDroppablePicture("/p/a.jpg"));
    EXPECT_TRUE(IsDroppablePicture("/p/c.bmp"));
    EXPECT_TRUE(IsDroppablePicture("/p/d.jpeg"));
    EXPECT_FALSE(IsDroppablePicture("/p/PHOTO.JPG"));
    EXPECT_FALSE(IsDroppablePicture("/p/photo.Jpg"));
    EXPECT_FALSE(IsDroppablePicture("/p/b.txt"));
    EXPECT_FALSE(IsDroppablePicture("/p.jpg/readme"));
}

TEST(PictureFiles, OtherExtensionsLoadAnEmptyPicture)
{
    EXPECT_TRUE(LoadPictureFile("/nonexistent/x.ico").empty());
}

TEST(PictureFiles, UnreadableFileRaisesTheLoaderError)
{
    const std::string path = testing::TempDir() + "broken.jpg";
    std::ofstream(path) << "not a picture";
    EXPECT_THROW(LoadPictureFile(path), Error);
    std::remove(path.c_str());
    EXPECT_THROW(LoadPictureFile(testing::TempDir() + "missing.bmp"), Error);
}

} // namespace
} // namespace vistrel
