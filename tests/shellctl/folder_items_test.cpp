#include "shellctl/folder_items.h"
#include "tests/support/qt_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {
namespace {

const QStringList kPictureFilters{"*.jpg", "*.bmp", ""};
constexpr TShFolderTypes kListTypes = ftFolders | ftNonFolders | ftIncludeSystem;

void Touch(const QString &path, int bytes = 0) { ASSERT_TRUE(testing::WriteQtFile(path, QByteArray(bytes, 'x'))); }

bool MatchFilter(const QString &name, const QStringList &filters, bool isFolder = false, int options = 0)
{
    return TShFilter(filters, options).MatchFilter(name, isFolder);
}

std::vector<QString> Names(const ItemList &items)
{
    std::vector<QString> names;
    for (const auto &item : items)
        names.push_back(item->Name);
    return names;
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
    const QStringList filters{"*.jpg", "-thumb*.jpg"};
    EXPECT_TRUE(MatchFilter("holiday.jpg", filters));
    EXPECT_FALSE(MatchFilter("THUMB_holiday.jpg", filters));
    EXPECT_TRUE(MatchFilter("readme", {"-*.txt"}));
    EXPECT_FALSE(MatchFilter("readme.txt", {"-*.txt"}));
}

struct FilterCase {
    QStringList filters;
    const char *name;
    bool folder;
    int options;
    bool listed;
};

TEST(MatchFilter, InclusionsExclusionsAndFolders)
{
    const FilterCase cases[] = {
        {{"*.jpg", "*.bmp", "-*.bmp"}, "a.bmp", false, 0, false},
        {{"*.jpg", "*.bmp", "-*.bmp"}, "a.jpg", false, 0, true},
        {{"-*.bmp"}, "a.png", false, 0, true},   // exclusions only: everything else is listed
        {{"-*.bmp"}, "a.bmp", false, 0, false},
        {{"-"}, "a.bmp", false, 0, true},        // an empty exclusion excludes nothing
        {{"*.jpg"}, "Holiday", true, 0, true},   // folders pass...
        {{"*.jpg"}, "Holiday", true, foFilterFolders, false}, // ...unless folders are filtered
        {{"*.jpg", "*"}, "Holiday", true, foFilterFolders, true},
        {{"*.bmp", "*.jpg"}, "x.JPG", false, 0, true},        // any inclusion will do
        {{"*.jpg"}, "what?.jpg", false, 0, true},              // Linux names may hold wildcards
        {{"?.jpg"}, "*.jpg", false, 0, true},
        {{"-a*"}, "a*", false, 0, false},
    };
    for (const FilterCase &c : cases)
        EXPECT_EQ(MatchFilter(c.name, c.filters, c.folder, c.options), c.listed)
            << c.filters.join('|').toStdString() << " on " << c.name;
}

struct SizeCase {
    int64_t bytes;
    TShSizeStyle style;
    const char *text;
    int64_t value;
};

TEST(ItemDetails, SizeTexts)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const SizeCase cases[] = {
        {0, ssAbbreviated, "1KB", 1},
        {10, ssAbbreviated, "1KB", 1},
        {1536, ssAbbreviated, "2KB", 2},  // 1.5 to the even 2
        {2560, ssAbbreviated, "2KB", 2},  // 2.5 to the even 2
        {2561, ssAbbreviated, "3KB", 3},
        {5000, ssAbbreviated, "5KB", 5},
        {1024 * 1234567LL, ssAbbreviated, "1,234,567KB", 1234567},
        {1234567, ssFull, "1,234,567", 1234567},
        {999, ssFull, "999", 999},
    };
    for (const SizeCase &c : cases) {
        EXPECT_EQ(SizeText(c.bytes, c.style, english).toStdString(), c.text) << c.bytes;
        EXPECT_EQ(SizeValue(c.bytes, c.style), c.value) << c.bytes;
    }
    EXPECT_EQ(SizeText(1234567, ssFull, QLocale(QLocale::German, QLocale::Germany)), "1.234.567");
}

TEST(ItemDetails, TypeNamesFallBackToTheExtension)
{
    EXPECT_EQ(TypeText("x.abcxyz", false), "abcxyz File");
    EXPECT_EQ(TypeText("noextension", false), "File");
    EXPECT_FALSE(TypeText("photo.jpg", false).contains("File")) << TypeText("photo.jpg", false).toStdString();
    EXPECT_NE(TypeText("Holiday", true), TypeText("Holiday", false));
}

TEST(ItemDetails, AttributeLettersInTheirOrder)
{
    EXPECT_EQ(AttributeText(false, false, false, false), "");
    EXPECT_EQ(AttributeText(true, true, true, true), "RHSC");
    EXPECT_EQ(AttributeText(false, true, false, true), "HC");
}

TEST(ItemDetails, ModifiedUsesTheLocaleAndIsEmptyWithoutATime)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(ModifiedText(0, english), "");
    const QDateTime when(QDate(2024, 3, 9), QTime(14, 5));
    EXPECT_EQ(ModifiedText(when.toSecsSinceEpoch(), english), english.toString(when, QLocale::ShortFormat));
}

TEST(ItemDetails, ComputedForAFileOfTheFolder)
{
    QTemporaryDir dir;
    Touch(dir.filePath("picture.jpg"), 5000);
    TShItemData item;
    item.Name = "picture.jpg";
    item.NativeName = "picture.jpg";
    ComputeDetails(dir.path(), item, ssAbbreviated, QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_EQ(item.Details.size(), 4);
    EXPECT_EQ(item.Details[0], "5KB");
    EXPECT_FALSE(item.Details[2].isEmpty());
    EXPECT_EQ(item.PendingFlags & kDetailsPending, 0);

    TShItemData gone;
    gone.Name = "gone.jpg";
    gone.NativeName = "gone.jpg";
    ComputeDetails(dir.path(), gone, ssAbbreviated, QLocale());
    EXPECT_EQ(gone.Size, 0);
    EXPECT_EQ(gone.Details[0], "");
    EXPECT_EQ(gone.Details[2], "");
}

TEST(ReadFolderItems, ListsFoldersAndThePicturesTheMasksAccept)
{
    QTemporaryDir dir;
    for (const char *name : {"a.jpg", "B.BMP", "c.png", "d.jpeg", "x.y.jpg", ".hidden.jpg"})
        Touch(dir.filePath(name));
    QDir(dir.path()).mkdir("sub");
    uint64_t nextId = 1;
    ItemList items = ReadFolderItems(dir.path(), kListTypes, TShFilter(kPictureFilters), ssAbbreviated, nextId);
    SortItems(items, SortKey{});
    EXPECT_EQ(Names(items), std::vector<QString>({"sub", "a.jpg", "B.BMP"}));
    EXPECT_EQ(nextId, 4u);
    EXPECT_EQ(items[0]->Kind, ItemKind::Folder);
    EXPECT_EQ(items[1]->Kind, ItemKind::File);
}

TEST(ReadFolderItems, FolderTypesDecideOnKindsDotNamesAndSystemEntries)
{
    QTemporaryDir dir;
    Touch(dir.filePath("a.jpg"));
    Touch(dir.filePath(".b.jpg"));
    QDir(dir.path()).mkdir("sub");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.jpg")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("sub", QFile::encodeName(dir.filePath("link")).constData()), 0);
    const TShFilter none({});
    struct Case {
        TShFolderTypes types;
        std::vector<QString> names;
    } cases[] = {
        {ftFolders | ftNonFolders | ftIncludeSystem, {"link", "sub", "a.jpg", "pipe.jpg"}},
        {ftFolders | ftNonFolders, {"link", "sub", "a.jpg"}},
        {ftFolders, {"link", "sub"}},
        {ftNonFolders | ftIncludeHidden, {".b.jpg", "a.jpg"}},
    };
    for (const Case &c : cases) {
        uint64_t nextId = 1;
        ItemList items = ReadFolderItems(dir.path(), c.types, none, ssAbbreviated, nextId);
        SortItems(items, SortKey{});
        EXPECT_EQ(Names(items), c.names) << c.types;
    }
}

TEST(ReadFolderItems, SizesAreReadAfterListingInBudgetedSlicesAndLinksAtOnce)
{
    QTemporaryDir dir;
    for (int i = 0; i < 40; ++i)
        Touch(dir.filePath(QString("p%1.jpg").arg(i)), 2048);
    ASSERT_EQ(::symlink("p0.jpg", QFile::encodeName(dir.filePath("link.jpg")).constData()), 0);
    // A Latin-1 name, which no QString holds exactly.
    const std::string latin1 = QFile::encodeName(dir.path()).toStdString() + "/caf\xe9.jpg";
    std::ofstream(latin1) << std::string(2048, 'x');
    uint64_t nextId = 1;
    ItemList items = ReadFolderItems(dir.path(), kListTypes, TShFilter({}), ssAbbreviated, nextId);
    ASSERT_EQ(items.size(), 42u);
    int pending = 0;
    for (const auto &item : items) {
        const bool isLink = item->Name == "link.jpg";
        EXPECT_EQ(item->IsLink, isLink);
        EXPECT_EQ((item->PendingFlags & kStatusPending) != 0, !isLink) << item->Name.toStdString();
        EXPECT_EQ(item->Size, isLink ? 2 : 0) << item->Name.toStdString();
        pending += !isLink;
    }
    // Slices that take up where the last one stopped leave none behind.
    ItemList resumed = ReadFolderItems(dir.path(), kListTypes, TShFilter({}), ssAbbreviated, nextId);
    size_t next = 0;
    int slices = 1;
    while (!ReadPendingStatus(dir.path(), resumed, ssAbbreviated, std::chrono::seconds(0), &next))
        ++slices;
    EXPECT_EQ(slices, 2);
    EXPECT_EQ(next, resumed.size());
    for (const auto &item : resumed)
        EXPECT_EQ(item->PendingFlags & kStatusPending, 0) << item->Name.toStdString();

    EXPECT_FALSE(ReadPendingStatus(dir.path(), items, ssAbbreviated, std::chrono::seconds(0)));
    EXPECT_TRUE(ReadPendingStatus(dir.path(), items, ssAbbreviated));
    for (const auto &item : items) {
        EXPECT_EQ(item->PendingFlags & kStatusPending, 0);
        EXPECT_EQ(item->Size, 2);
        EXPECT_GT(item->MTime, 0);
    }
    EXPECT_EQ(pending, 41);
    EXPECT_EQ(std::count_if(items.begin(), items.end(),
                            [&](const auto &item) { return NativeChildPath(dir.path(), *item) == latin1; }),
              1);
}

TEST(ReadFolderItems, MissingFolderListsNothing)
{
    uint64_t nextId = 1;
    EXPECT_TRUE(ReadFolderItems("/no/such/folder/anywhere", kListTypes, TShFilter({}), ssAbbreviated, nextId).empty());
}

std::unique_ptr<TShItemData> Item(const char *name, int kind, int64_t size, int64_t mtime, const char *type = "")
{
    auto item = std::make_unique<TShItemData>();
    item->Name = name;
    item->Kind = static_cast<ItemKind>(kind);
    item->Size = size;
    item->MTime = mtime;
    item->Details = {QString(), QString::fromLatin1(type), QString(), QString()};
    return item;
}

ItemList SampleItems()
{
    ItemList items;
    items.push_back(Item("b.jpg", 1, 30, 100, "JPEG"));
    items.push_back(Item("Zoo", 0, 0, 50));
    items.push_back(Item("a.bmp", 1, 30, 300, "BMP"));
    items.push_back(Item("C.jpg", 1, 10, 200, "JPEG"));
    items.push_back(Item("apple", 0, 0, 400));
    return items;
}

struct SortCase {
    int column;
    bool byExtension;
    TShSortDirection direction;
    std::vector<QString> order;
};

TEST(SortItems, EveryColumnAndDirection)
{
    const SortCase cases[] = {
        {kColumnName, false, sdAsc, {"apple", "Zoo", "a.bmp", "b.jpg", "C.jpg"}},
        {kColumnName, false, sdDesc, {"Zoo", "apple", "C.jpg", "b.jpg", "a.bmp"}},
        // Ties on size fall back to the name; folders always first by kind.
        {kColumnSize, false, sdAsc, {"apple", "Zoo", "C.jpg", "a.bmp", "b.jpg"}},
        {kColumnSize, false, sdDesc, {"Zoo", "apple", "b.jpg", "a.bmp", "C.jpg"}},
        // The newest first in ascending order.
        {kColumnModified, false, sdAsc, {"apple", "Zoo", "a.bmp", "C.jpg", "b.jpg"}},
        {kColumnModified, false, sdDesc, {"Zoo", "apple", "b.jpg", "C.jpg", "a.bmp"}},
        {kColumnType, false, sdAsc, {"apple", "Zoo", "a.bmp", "b.jpg", "C.jpg"}},
        {kColumnType, true, sdDesc, {"Zoo", "apple", "C.jpg", "b.jpg", "a.bmp"}},
    };
    for (const SortCase &c : cases) {
        ItemList items = SampleItems();
        SortItems(items, SortKey{OrderForColumn(c.column, c.byExtension), c.column, c.direction});
        EXPECT_EQ(Names(items), c.order) << "column " << c.column << " direction " << c.direction;
    }
}

TEST(SortItems, ColumnsChooseTheirComparison)
{
    EXPECT_EQ(OrderForColumn(kColumnName, false), SortOrder::ByName);
    EXPECT_EQ(OrderForColumn(kColumnSize, false), SortOrder::BySize);
    EXPECT_EQ(OrderForColumn(kColumnModified, true), SortOrder::ByDate);
    EXPECT_EQ(OrderForColumn(kColumnType, true), SortOrder::ByType);
    EXPECT_EQ(OrderForColumn(kColumnType, false), SortOrder::ByDetail);
    EXPECT_EQ(OrderForColumn(kColumnAttributes, true), SortOrder::ByDetail);
}

TEST(SortItems, LargeListsEndInOrder)
{
    ItemList items;
    for (int i = 0; i < 2000; ++i)
        items.push_back(Item(QString::number((i * 7919) % 2000).toLatin1().constData(), i % 3 == 0 ? 0 : 1, i % 17, i));
    SortItems(items, SortKey{SortOrder::BySize, kColumnSize, sdAsc});
    for (size_t i = 1; i < items.size(); ++i)
        EXPECT_LE(CompareItems(*items[i - 1], *items[i], SortKey{SortOrder::BySize, kColumnSize, sdAsc}), 0);
}

TEST(SortItems, NamesReadFromAFolderSortAsTheirComparisonSays)
{
    QTemporaryDir dir;
    const char *names[] = {"IMG_0010.JPG", "IMG_0009.jpg", "img_0009.JPG", "IMG_0100.jpg", "IMG_01.jpg",
                           "IMG_0010.jpg.bak", "IMG_", "Äpfel.jpg", "äpfel2.jpg", "Straße.jpg", "STRASSE.jpg",
                           "IMG_😀.jpg", "IMG_\uff10.jpg", "zebra", "Zebra"};
    for (const char *name : names)
        Touch(dir.filePath(QString::fromUtf8(name)));
    QDir(dir.path()).mkdir("IMG_folder");
    for (const TShSortDirection direction : {sdAsc, sdDesc}) {
        uint64_t nextId = 1;
        ItemList items = ReadFolderItems(dir.path(), kListTypes, TShFilter({}), ssAbbreviated, nextId);
        const SortKey key{SortOrder::ByName, kColumnName, direction};
        SortItems(items, key);
        ASSERT_EQ(items.size(), std::size(names) + 1);
        EXPECT_EQ(items[0]->Name, "IMG_folder");
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i]->SortName, items[i]->Name.toCaseFolded()) << items[i]->Name.toStdString();
            if (i > 0)
                EXPECT_LT(CompareItems(*items[i - 1], *items[i], key), 0) << items[i - 1]->Name.toStdString() << " / " << items[i]->Name.toStdString();
        }
    }
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
