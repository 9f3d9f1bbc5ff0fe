#include "platform/file_names.h"

#include <gtest/gtest.h>

namespace vistrel {
namespace {

TEST(FileNames, ExtensionIsTakenFromTheFileNameOnly)
{
    EXPECT_EQ(ExtractFileExt("/a/b/photo.Jpg"), ".Jpg");
    EXPECT_EQ(ExtractFileExt("/a/b.d/photo"), "");
    EXPECT_EQ(ExtractFileExt("/a/b/archive.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("photo."), ".");
    EXPECT_EQ(ExtractFileName("/a/b/photo.jpg"), "photo.jpg");
    EXPECT_EQ(ExtractFileName("photo.jpg"), "photo.jpg");
}

} // namespace
} // namespace vistrel
