#include "settings/ini_file.h"

#include "platform/error.h"
#include "tests/support/errors.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vistrel {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// Collects the notices of EnsureIniFile for the duration of a test.
class NoticeRecorder {
public:
    NoticeRecorder()
    {
        SetIniNoticeHandler([this](const std::string &message) { messages.push_back(message); });
    }
    ~NoticeRecorder() { SetIniNoticeHandler(nullptr); }
    std::vector<std::string> messages;
};

class IniFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string ini = folder.file("Vistrel.ini");
};

TEST_F(IniFileTest, ReadingFromAMissingFileCreatesItEmptyAndGivesTheDefault)
{
    EXPECT_EQ(ReadIniString(ini, "Start with", "StartDir", "/home/me/"), "/home/me/");
    EXPECT_TRUE(std::filesystem::is_regular_file(ini));
    EXPECT_EQ(ReadBytes(ini), "");
}

TEST_F(IniFileTest, CreatesAMissingFolderOneLevelDeep)
{
    const std::string nested = folder.file("sub/Vistrel.ini");
    EXPECT_EQ(ReadIniInteger(nested, "Bounds", "Left", 10), 10);
    EXPECT_TRUE(std::filesystem::is_regular_file(nested));

    const std::string deeper = folder.file("a/b/Vistrel.ini");
    EXPECT_EQ(testing::ErrorOf([&] { ReadIniString(deeper, "S", "k", ""); }), "Could not create " + folder.file("a/b/"));
    EXPECT_EQ(testing::ErrorOf([&] { WriteIniString(deeper, "S", "k", "v"); }), "Could not create " + folder.file("a/b/"));
}

TEST_F(IniFileTest, AFileThatCannotBeCreatedIsReportedThenReadsDefaultsAndRefusesWrites)
{
    NoticeRecorder notices;
    const std::string impossible = "/proc/vistrel-settings-test.ini";
    EXPECT_EQ(ReadIniInteger(impossible, "Bounds", "Left", 10), 10);
    ASSERT_EQ(notices.messages, std::vector<std::string>{"Could not create " + impossible});
    EXPECT_EQ(testing::ErrorOf([&] { WriteIniInteger(impossible, "Bounds", "Left", 1); }),
              "Unable to write to " + impossible + ": No such file or directory");
}

TEST_F(IniFileTest, WrittenValuesReadBackAndIntegersAreSignedDecimalText)
{
    WriteIniString(ini, "Start with", "StartDir", "  /home/me/  ");
    WriteIniInteger(ini, "Save Dlg Filter", "value", -2);
    EXPECT_EQ(ReadIniString(ini, "start with", "startdir", ""), "/home/me/");
    EXPECT_EQ(ReadIniInteger(ini, "SAVE DLG FILTER", "Value", 1), -2);
    EXPECT_EQ(ReadBytes(ini), "[Start with]\nStartDir=  /home/me/  \n[Save Dlg Filter]\nvalue=-2\n");
}

TEST_F(IniFileTest, IntegersInHexReadAndNonNumbersGiveTheDefault)
{
    WriteBytes(ini, "[Bounds]\nLeft=0x20\nTop=abc\nRight=\nBottom=12abc\n");
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "Left", 10), 32);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "Top", 10), 10);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "Right", 600), 600);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "Bottom", 500), 500);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "Width", 7), 7);
}

TEST_F(IniFileTest, StringWriteMovesTheKeyLastWhileIntegerWriteKeepsItsPlace)
{
    WriteBytes(ini, "[S]\na=1\nb=2\nc=3\n");
    WriteIniString(ini, "S", "a", "x");
    EXPECT_EQ(ReadBytes(ini), "[S]\nb=2\nc=3\na=x\n");
    WriteIniInteger(ini, "S", "b", 5);
    EXPECT_EQ(ReadBytes(ini), "[S]\nb=5\nc=3\na=x\n");
}

TEST_F(IniFileTest, WritesLeaveNoTemporaryFilesBehind)
{
    for (int i = 0; i < 5; ++i)
        WriteIniInteger(ini, "Bounds", "Left", i);
    EXPECT_EQ(folder.entries(), std::set<std::string>{"Vistrel.ini"});
}

TEST_F(IniFileTest, AWriteThatCannotReplaceTheFileRaisesAndLeavesNothingBehind)
{
    std::filesystem::create_directory(ini);
    EXPECT_EQ(testing::ErrorOf([&] { WriteIniString(ini, "S", "k", "v"); }), "Unable to write to " + ini + ": Is a directory");
    EXPECT_EQ(ReadIniString(ini, "S", "k", "default"), "default");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"Vistrel.ini"});
}

TEST_F(IniFileTest, AReadOnlyFolderRefusesWritesAndKeepsTheOldFile)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    WriteIniInteger(ini, "Bounds", "Left", 1);
    ::chmod(folder.path().c_str(), 0555);
    EXPECT_EQ(testing::ErrorOf([&] { WriteIniInteger(ini, "Bounds", "Left", 2); }),
              "Unable to write to " + ini + ": Permission denied");
    ::chmod(folder.path().c_str(), 0755);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "Left", 0), 1);
}

TEST_F(IniFileTest, ReplacingTheFileKeepsItsPermissionsAndSymbolicLinks)
{
    const std::string real = folder.file("real.ini");
    WriteBytes(real, "[S]\nk=1\n");
    ::chmod(real.c_str(), 0600);
    std::filesystem::create_symlink(real, ini);

    WriteIniInteger(ini, "S", "k", 2);
    EXPECT_TRUE(std::filesystem::is_symlink(ini));
    EXPECT_EQ(ReadBytes(real), "[S]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
}

TEST_F(IniFileTest, LongValuesAreCutToTheBufferOnAWholeCharacter)
{
    const std::string limit(kIniValueBufferSize - 1, 'a');
    WriteIniString(ini, "S", "exact", limit);
    WriteIniString(ini, "S", "long", limit + "bcd");
    // "é" is two bytes; the one that would straddle the cut is dropped whole.
    WriteIniString(ini, "S", "utf8", std::string(kIniValueBufferSize - 2, 'a') + "\xC3\xA9");
    EXPECT_EQ(ReadIniString(ini, "S", "exact", ""), limit);
    EXPECT_EQ(ReadIniString(ini, "S", "long", ""), limit);
    EXPECT_EQ(ReadIniString(ini, "S", "utf8", ""), std::string(kIniValueBufferSize - 2, 'a'));
}

TEST_F(IniFileTest, HostileContentReadsAsDefaultsWhereNoValueCanBeFound)
{
    const std::string binary("\0\xff\xfe[S]\0\nk=\x80\x81\n\0\0\0", 16);
    const std::string longLine = "[S]\nk=1\n" + std::string(500000, 'x') + "\n[T]\nj=2\n";
    const std::string crlfBom = "\xEF\xBB\xBF[S]\r\nk = 3 \r\n";
    WriteBytes(ini, "");
    EXPECT_EQ(ReadIniString(ini, "S", "k", "d"), "d");
    WriteBytes(ini, binary);
    EXPECT_EQ(ReadIniString(ini, "S", "k", "d"), "d");
    EXPECT_EQ(ReadIniInteger(ini, "S", "k", 4), 4);
    WriteBytes(ini, longLine);
    EXPECT_EQ(ReadIniInteger(ini, "T", "j", 0), 2);
    WriteBytes(ini, crlfBom);
    EXPECT_EQ(ReadIniInteger(ini, "S", "k", 0), 3);
}

TEST_F(IniFileTest, AnOversizedFileReadsAsDefaultsAndIsNeverRewritten)
{
    const std::string huge = "[S]\nk=1\n" + std::string(kMaxIniFileSize, ';');
    WriteBytes(ini, huge);
    EXPECT_EQ(ReadIniInteger(ini, "S", "k", 9), 9);
    EXPECT_EQ(testing::ErrorOf([&] { WriteIniInteger(ini, "S", "k", 2); }),
              "Unable to write to " + ini + ": the file is too large for a settings file");
    EXPECT_EQ(ReadBytes(ini), huge);
}

TEST_F(IniFileTest, SpecialFilesReadAsDefaultsWithoutBlocking)
{
    ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
    EXPECT_EQ(ReadIniString(ini, "S", "k", "d"), "d");
    EXPECT_EQ(ReadIniString("/dev/zero", "S", "k", "d"), "d");
    EXPECT_EQ(testing::ErrorOf([&] { WriteIniString(ini, "S", "k", "v"); }), "Unable to write to " + ini + ": not a regular file");
}

TEST_F(IniFileTest, WritingIntoACrLfFileKeepsItsLineEndings)
{
    WriteBytes(ini, "[Start with]\r\nStartDir=/\r\n");
    WriteIniInteger(ini, "Bounds", "Left", 10);
    WriteIniString(ini, "Start with", "StartDir", "/home/");
    EXPECT_EQ(ReadBytes(ini), "[Start with]\r\nStartDir=/home/\r\n[Bounds]\r\nLeft=10\r\n");
}

} // namespace
} // namespace vistrel
