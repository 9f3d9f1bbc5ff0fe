#include "settings/bounds.h"

#include "settings/ini_file.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <limits>

namespace vistrel {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

constexpr int kMax = std::numeric_limits<int>::max();
constexpr int kMin = std::numeric_limits<int>::min();

TEST(BoundsIniPath, KeepsAbsolutePathsAndRootsRelativeOnes)
{
    EXPECT_EQ(BoundsIniPath(""), "");
    EXPECT_EQ(BoundsIniPath("/opt/vistrel/Vistrel.ini"), "/opt/vistrel/Vistrel.ini");
    EXPECT_EQ(BoundsIniPath("//server/share/Vistrel.ini"), "//server/share/Vistrel.ini");
    EXPECT_EQ(BoundsIniPath("tmp/Vistrel.ini"), "/tmp/Vistrel.ini");
}

TEST(FitBounds, BringsBoundsInsideTheDesktopAndLeavesFittingOnesAlone)
{
    const BoundsRect desktop{0, 0, 1280, 1024};
    const struct {
        BoundsRect stored, fitted;
    } cases[] = {
        {{10, 10, 600, 500}, {10, 10, 600, 500}},             // fits: exactly as stored
        {{0, 0, 1280, 1024}, {0, 0, 1280, 1024}},             // the whole desktop still fits
        {{10, 10, kMax, kMax}, {0, 0, 1280, 1024}},           // huge: the desktop's size
        {{-1994, 1046, -1394, 1546}, {0, 524, 600, 1024}},    // wholly off screen, down left
        {{-50, -30, 550, 470}, {0, 0, 600, 500}},             // title bar above the screen
        {{1000, 900, 1600, 1400}, {680, 524, 1280, 1024}},    // hanging off the bottom right
        {{kMin, kMin, kMin + 600, kMin + 500}, {0, 0, 600, 500}},
        {{kMax - 10, kMax - 10, kMax, kMax}, {1270, 1014, 1280, 1024}},
        {{300, 200, 100, 100}, {300, 200, 300, 200}},         // right left of left: no size
    };
    for (const auto &c : cases)
        EXPECT_EQ(FitBounds(c.stored, desktop), c.fitted)
            << c.stored.left << "," << c.stored.top << "," << c.stored.right << "," << c.stored.bottom;
    // A desktop that does not start at 0,0 (a second screen to the left).
    EXPECT_EQ(FitBounds({-3000, 10, -2000, 510}, {-1920, 0, 1280, 1024}), (BoundsRect{-1920, 10, -920, 510}));
}

TEST(BoundsRect, SizeIsNeverNegativeAndNeverOverflows)
{
    EXPECT_EQ((BoundsRect{100, 50, 700, 450}.Width()), 600);
    EXPECT_EQ((BoundsRect{100, 50, 700, 450}.Height()), 400);
    EXPECT_EQ((BoundsRect{700, 450, 100, 50}.Width()), 0);
    EXPECT_EQ((BoundsRect{kMin, kMin, kMax, kMax}.Width()), kMax);
    EXPECT_EQ(BoundsRect::FromPositionAndSize(10, 10, 590, 490), (BoundsRect{10, 10, 600, 500}));
    EXPECT_EQ(BoundsRect::FromPositionAndSize(kMax - 5, -3, 100, 1), (BoundsRect{kMax - 5, -3, kMax, -2}));
}

class BoundsFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string ini = folder.file("Vistrel.ini");
};

TEST_F(BoundsFileTest, AMissingFileLeavesTheBoundsAndIsNotCreated)
{
    BoundsRect bounds{1, 2, 3, 4};
    EXPECT_FALSE(ReadBoundsRect(ini, bounds));
    EXPECT_FALSE(ReadBoundsRect("", bounds));
    EXPECT_EQ(bounds, (BoundsRect{1, 2, 3, 4}));
    EXPECT_FALSE(testing::FileExists(ini));
}

TEST_F(BoundsFileTest, AnEmptyFileGivesTheDefaultRectangle)
{
    WriteBytes(ini, "");
    BoundsRect bounds{1, 2, 3, 4};
    ASSERT_TRUE(ReadBoundsRect(ini, bounds));
    EXPECT_EQ(bounds, (BoundsRect{10, 10, 600, 500}));
}

TEST_F(BoundsFileTest, StoredValuesAreReadEachWithItsOwnDefault)
{
    WriteBytes(ini, "[bounds]\nLEFT=100\nTop=junk\nBottom=0x1c2\n");
    BoundsRect bounds;
    ASSERT_TRUE(ReadBoundsRect(ini, bounds));
    EXPECT_EQ(bounds, (BoundsRect{100, 10, 600, 450}));
}

TEST_F(BoundsFileTest, WritesTheFourKeysInOrderAfterExistingSections)
{
    WriteIniString(ini, "Start with", "StartDir", "/home/me/");
    WriteBoundsRect(ini, BoundsRect{10, 10, 600, 500});
    EXPECT_EQ(ReadBytes(ini), "[Start with]\nStartDir=/home/me/\n[Bounds]\nLeft=10\nTop=10\nRight=600\nBottom=500\n");

    WriteBoundsRect(ini, BoundsRect{-20, 5, 1000, 700});
    BoundsRect bounds;
    ASSERT_TRUE(ReadBoundsRect(ini, bounds));
    EXPECT_EQ(bounds, (BoundsRect{-20, 5, 1000, 700}));
    EXPECT_EQ(ReadBytes(ini), "[Start with]\nStartDir=/home/me/\n[Bounds]\nLeft=-20\nTop=5\nRight=1000\nBottom=700\n");
}

} // namespace
} // namespace vistrel
