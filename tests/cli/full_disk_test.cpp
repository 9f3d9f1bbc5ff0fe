// Writes over existing files on a file system with no space left: every write must fail with the
// system's reason and leave the old file as it was. Needs root to mount the small file system.
#include "capture/shot_naming.h"
#include "cli/cli_run.h"
#include "icon/icon_writer.h"
#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"
#include "platform/picture_io.h"
#include "settings/ini_file.h"
#include "tests/support/errors.h"
#include "tests/support/files.h"
#include "tests/support/full_disk.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>

namespace vistrel {
namespace {

const std::string kNoSpace = std::strerror(ENOSPC);

TBitmap ramp(int width, int height)
{
    TBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, PaletteEntry{uint8_t(x), uint8_t(y), uint8_t(x ^ y), 0});
    return picture;
}

TIcon squareIcon(int side)
{
    return TIcon{ramp(side, side), TBitmap(side, side, PixelFormat::pf1bit)};
}

// A small tmpfs of its own for each test, unmounted again at the end.
class FullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!disk_.ready())
            GTEST_SKIP() << "mounting a small file system needs root";
    }

    std::string file(const std::string &name) const { return disk_.file(name); }
    void fill() const { disk_.fill(); }
    // The names on the file system, less the filler.
    std::set<std::string> entries() const
    {
        std::set<std::string> names = testing::Entries(disk_.file(""));
        names.erase(testing::FullDisk::kFillerName);
        return names;
    }

private:
    testing::FullDisk disk_{"2m"};
};

TEST_F(FullDisk, WritesOverExistingFilesFailWithTheReasonAndKeepTheOldFiles)
{
    struct Case {
        std::string name;
        std::function<void(const std::string &)> writeOld, writeNew;
    };
    const Case cases[] = {
        {"photo.jpg", [](const std::string &p) { WriteJpegFile(ramp(8, 8), p); },
         [](const std::string &p) { WritePictureFile(ramp(300, 200), p, PictureFormat::Jpeg); }},
        {"photo.bmp", [](const std::string &p) { WriteBmpFile(ramp(8, 8), p); },
         [](const std::string &p) { WritePictureFile(ramp(300, 200), p, PictureFormat::Bmp); }},
        {"shot.png", [](const std::string &p) { WritePngFile(ramp(8, 8), p); },
         [](const std::string &p) { WritePictureFile(ramp(300, 200), p, PictureFormat::Png); }},
        {"logo.ico", [](const std::string &p) { WriteIcon(p, squareIcon(16), IconDepth::Bits32); },
         [](const std::string &p) { WriteIcon(p, squareIcon(64), IconDepth::Bits32); }},
        {"Vistrel.ini", [](const std::string &p) { WriteIniString(p, "Start with", "StartDir", "/home/"); },
         [](const std::string &p) { WriteIniString(p, "Start with", "StartDir", "/home/me/pictures/"); }},
    };
    for (const Case &c : cases)
        c.writeOld(file(c.name));
    std::vector<std::string> old;
    for (const Case &c : cases)
        old.push_back(testing::ReadBytes(file(c.name)));
    const std::set<std::string> before = entries();
    fill();

    for (size_t i = 0; i < std::size(cases); ++i) {
        const std::string path = file(cases[i].name);
        EXPECT_EQ(testing::ErrorOf([&] { cases[i].writeNew(path); }), "Unable to write to " + path + ": " + kNoSpace);
        EXPECT_EQ(testing::ReadBytes(path), old[i]) << cases[i].name;
    }
    EXPECT_EQ(WriteIconFile(file("logo.ico"), squareIcon(64), IconDepth::Bits32), kIconWriteFailed);
    EXPECT_EQ(testing::ReadBytes(file("logo.ico")), old[3]);
    EXPECT_EQ(entries(), before);
}

TEST_F(FullDisk, AShotThatCannotBeWrittenGivesItsReservedNameBack)
{
    const std::string shots = file("Shots");
    WriteShot(ramp(4, 4), shots, 1);
    fill();
    EXPECT_EQ(testing::ErrorOf([&] { WriteShot(ramp(300, 200), shots, 1); }),
              "Unable to write to " + shots + "/SShot1_1.jpg: " + kNoSpace);
    std::set<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(shots))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, std::set<std::string>{"SShot1_0.jpg"});
}

TEST_F(FullDisk, CommandLineOutputOverItsInputKeepsTheInput)
{
    const std::string in = file("in.bmp");
    WriteBmpFile(ramp(40, 30), in);
    const std::string old = testing::ReadBytes(in);
    fill();

    std::ostringstream out, err;
    EXPECT_EQ(RunCli({"resize", "lanczos3", "200", "150", in, in}, out, err, false), kExitFailure);
    EXPECT_EQ(err.str(), "vistrel-cli: Unable to write to " + in + ": " + kNoSpace + "\n");
    EXPECT_EQ(testing::ReadBytes(in), old);
    EXPECT_EQ(entries(), std::set<std::string>{"in.bmp"});
}

} // namespace
} // namespace vistrel
