#include "shellctl/folder_items.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vistrel {
namespace {

const QStringList kPictureFilters{"*.jpg", "*.bmp", ""};

void Touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(MatchFilter, PictureMasksIgnoreCase)
{
    EXPECT_TRUE(MatchFilter("photo.jpg", kPictureFilters));
    EXPECT_TRUE(MatchFilter("PHOTO.JPG", kPictureFilters));
    EXPECT_TRUE(MatchFilter("Shot.Bmp", kPictureFilters));
    EXPECT_FALSE(MatchFilter("notes.txt", kPictureFilters));
    EXPECT_FALSE(MatchFilter("photo.jpeg", kPictureFilters));
    EXPECT_FALSE(MatchFilter("jpg", kPictureFilters));
}

TEST(MatchFilter, EmptyLineAloneMatchesNothing)
{
    EXPECT_FALSE(MatchFilter("photo.jpg", {""}));
}

TEST(MatchFilter, NoLinesAcceptEverything)
{
    EXPECT_TRUE(MatchFilter("anything.at.all", {}));
}

TEST(MatchFilter, ExclusionWinsWhereverItStands)
{
    const QStringList filters{"*.jpg", "-thumb*"};
    EXPECT_TRUE(MatchFilter("holiday.jpg", filters));
    EXPECT_FALSE(MatchFilter("THUMB_holiday.jpg", filters));
    EXPECT_TRUE(MatchFilter("readme", {"-*.txt"}));
    EXPECT_FALSE(MatchFilter("readme.txt", {"-*.txt"}));
}

TEST(ReadFolderItems, ListsFoldersAlwaysAndFilteredFilesFoldersFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir("zeta");
    QDir(dir.path()).mkdir("Alpha.jpg.d");
    Touch(dir.filePath("b.JPG"));
    Touch(dir.filePath("a.bmp"));
    Touch(dir.filePath("c.png"));
    Touch(dir.filePath(".hidden.jpg"));

    const std::vector<ShellItem> items = ReadFolderItems(dir.path(), kPictureFilters);
    std::vector<std::pair<QString, bool>> listed;
    for (const ShellItem &item : items)
        listed.emplace_back(item.name, item.isFolder);
    const std::vector<std::pair<QString, bool>> expected{
        {"Alpha.jpg.d", true}, {"zeta", true}, {"a.bmp", false}, {"b.JPG", false}};
    EXPECT_EQ(listed, expected);
}

TEST(ReadFolderItems, MissingFolderListsNothing)
{
    EXPECT_TRUE(ReadFolderItems("/no/such/folder/anywhere", kPictureFilters).empty());
}

TEST(FolderPaths, NormalizedWithoutTrailingSeparatorExceptRoot)
{
    EXPECT_EQ(NormalizedFolderPath("/tmp/"), "/tmp");
    EXPECT_EQ(NormalizedFolderPath("/tmp//x/../"), "/tmp");
    EXPECT_EQ(NormalizedFolderPath("/"), "/");
    EXPECT_EQ(ChildPath("/", "etc"), "/etc");
    EXPECT_EQ(ChildPath("/tmp", "a.jpg"), "/tmp/a.jpg");
}

} // namespace
} // namespace vistrel
