#include "capture/shot_naming.h"

#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "tests/support/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

using namespace vistrel;
using vistrel::testing::NumberedPicture;
namespace fs = std::filesystem;

namespace {

class ShotFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ("vistrel_shots_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        shots_ = (root_ / "Shots").string();
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string folder() const { return (root_ / "Shots").string() + "/"; }
    static void writeText(const std::string &path, const std::string &text) { std::ofstream(path) << text; }
    static std::string readText(const std::string &path)
    {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path root_;
    std::string shots_;
};

} // namespace

TEST(ShotFileName, IsSlotThenSequenceNumber)
{
    EXPECT_EQ(ShotFileName(3, 0), "SShot3_0.jpg");
    EXPECT_EQ(ShotFileName(12, 41), "SShot12_41.jpg");
}

TEST_F(ShotFolder, NumbersCountUpAndFillGapsFirst)
{
    fs::create_directories(shots_);
    EXPECT_EQ(ReserveShotFile(folder(), 3), folder() + "SShot3_0.jpg");
    EXPECT_EQ(ReserveShotFile(folder(), 3), folder() + "SShot3_1.jpg");
    EXPECT_EQ(ReserveShotFile(folder(), 3), folder() + "SShot3_2.jpg");
    EXPECT_EQ(ReserveShotFile(folder(), 4), folder() + "SShot4_0.jpg");
    fs::remove(folder() + "SShot3_0.jpg");
    EXPECT_EQ(ReserveShotFile(folder(), 3), folder() + "SShot3_0.jpg");
    EXPECT_EQ(ReserveShotFile(folder(), 3), folder() + "SShot3_3.jpg");
}

TEST_F(ShotFolder, ExistingFilesAreNeverOverwritten)
{
    fs::create_directories(shots_);
    writeText(folder() + "SShot1_0.jpg", "first");
    writeText(folder() + "SShot1_2.jpg", "third");
    EXPECT_EQ(WriteShot(NumberedPicture(40, 30, 128), shots_, 1), folder() + "SShot1_1.jpg");
    EXPECT_EQ(WriteShot(NumberedPicture(40, 30, 128), shots_, 1), folder() + "SShot1_3.jpg");
    EXPECT_EQ(readText(folder() + "SShot1_0.jpg"), "first");
    EXPECT_EQ(readText(folder() + "SShot1_2.jpg"), "third");
}

TEST_F(ShotFolder, NumbersCountJpegAndPngShotsAlike)
{
    fs::create_directories(shots_);
    writeText(folder() + "SShot1_0.jpg", "older");
    writeText(folder() + "SShot1_1.png", "older");
    EXPECT_EQ(ReserveShotFile(folder(), 1, PictureFormat::Png), folder() + "SShot1_2.png");
    EXPECT_EQ(ReserveShotFile(folder(), 1, PictureFormat::Jpeg), folder() + "SShot1_3.jpg");
    EXPECT_EQ(ReserveShotFile(folder(), 2, PictureFormat::Png), folder() + "SShot2_0.png");
}

TEST_F(ShotFolder, ConcurrentCapturesNeverShareAName)
{
    // Two writers racing in one folder stand for two running programs: each name is taken once.
    fs::create_directories(shots_);
    constexpr int kEach = 40;
    std::vector<std::string> first, second;
    std::thread other([&] {
        for (int i = 0; i < kEach; ++i)
            second.push_back(ReserveShotFile(folder(), 7));
    });
    for (int i = 0; i < kEach; ++i)
        first.push_back(ReserveShotFile(folder(), 7));
    other.join();
    std::set<std::string> all(first.begin(), first.end());
    all.insert(second.begin(), second.end());
    EXPECT_EQ(all.size(), 2u * kEach);
    EXPECT_TRUE(all.count(folder() + "SShot7_79.jpg"));
}

TEST_F(ShotFolder, WriteShotCreatesTheFolderAndAReadableJpeg)
{
    const std::string path = WriteShot(NumberedPicture(198, 148, 128), shots_, 2);
    EXPECT_EQ(path, folder() + "SShot2_0.jpg");
    const TBitmap back = ReadJpegFile(path);
    EXPECT_EQ(back.width(), 198);
    EXPECT_EQ(back.height(), 148);
    EXPECT_NEAR(back.pixel(150, 100).b, 150, 6);
    EXPECT_NEAR(back.pixel(150, 100).g, 100, 6);
}

TEST_F(ShotFolder, FailedWriteLeavesNoFileBehind)
{
    fs::create_directories(shots_);
    EXPECT_THROW(WriteShot(TBitmap(), shots_, 5), Error); // the encoder refuses an empty picture
    EXPECT_TRUE(fs::is_empty(shots_));
}

TEST_F(ShotFolder, UnusableFolderGivesAClearError)
{
    writeText(shots_, "a file where the folder should be");
    try {
        WriteShot(NumberedPicture(8, 8, 128), shots_, 1);
        FAIL() << "no error";
    } catch (const Error &error) {
        EXPECT_NE(std::string(error.what()).find("SShot1_0.jpg"), std::string::npos) << error.what();
    }
    EXPECT_EQ(readText(shots_), "a file where the folder should be");
}
