#include "platform/safe_file.h"

#include "codec_test_support.h"
#include "platform/error.h"
#include "tests/support/errors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <csignal>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vistrel {
namespace {

using testing::FileSizeLimit;
using testing::TempFolder;
using testing::ReadByteVector;
using testing::WriteByteVector;

const std::vector<uint8_t> kOld{'o', 'l', 'd'};
const std::vector<uint8_t> kNew(5000, 'n');

void writeWhole(const std::string &path, const std::vector<uint8_t> &bytes)
{
    SafeFile file(path);
    file.write(bytes.data(), bytes.size());
    file.commit();
}

// Owner and permissions stay, but not the set-ID bits: the new content was not vetted as a
// program running with someone else's rights. Only root may give a file away.
TEST(SafeFile, ReplacesTheFileWholeKeepingItsOwnerPermissionsAndLinks)
{
    TempFolder folder;
    const std::string real = folder.file("real.bin");
    const std::string link = folder.file("link.bin");
    WriteByteVector(real, kOld);
    ::chmod(real.c_str(), 06750);
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    ASSERT_EQ(::chown(real.c_str(), owner, static_cast<gid_t>(-1)), 0);
    std::filesystem::create_symlink(real, link);

    writeWhole(link, kNew);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadByteVector(real), kNew);
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0750u);
    EXPECT_EQ(info.st_uid, owner);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"real.bin", "link.bin"}));
}

// A writer killed at any moment leaves the old file and nothing else.
TEST(SafeFile, KilledWriterLeavesNoTemporaryFile)
{
    for (const size_t killAfter : {size_t{0}, size_t{1} << 20, size_t{8} << 20}) {
        TempFolder folder;
        const std::string path = folder.file("big.bmp");
        WriteByteVector(path, kOld);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SafeFile file(path);
            const std::vector<uint8_t> block(1 << 16, 'x');
            for (size_t written = 0; written < killAfter; written += block.size())
                file.write(block.data(), block.size());
            if (::write(ready[1], "!", 1) == 1)
                ::pause();
            ::_exit(1);
        }
        char signal = 0;
        ASSERT_EQ(::read(ready[0], &signal, 1), 1);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(ready[0]);
        ::close(ready[1]);
        EXPECT_EQ(ReadByteVector(path), kOld) << killAfter;
        EXPECT_EQ(folder.entries(), std::set<std::string>{"big.bmp"}) << killAfter;
    }
}

TEST(SafeFile, FailuresKeepTheOldFileAndLeaveNoTemporaryFile)
{
    struct Case {
        const char *name;
        std::function<void(const std::string &)> attempt;
        std::string reason; // empty: no error expected, the write is abandoned
    };
    const Case cases[] = {
        {"abandoned before commit",
         [](const std::string &path) {
             SafeFile file(path);
             file.write(kNew.data(), kNew.size());
         },
         ""},
        {"file size limit",
         [](const std::string &path) {
             FileSizeLimit limit(1000);
             writeWhole(path, kNew);
         },
         "File too large"},
    };
    for (const Case &c : cases) {
        TempFolder folder;
        const std::string path = folder.file("target.bin");
        WriteByteVector(path, kOld);
        const std::string error = testing::ErrorOf([&] { c.attempt(path); });
        EXPECT_EQ(error, c.reason.empty() ? "no error" : "Unable to write to " + path + ": " + c.reason) << c.name;
        EXPECT_EQ(ReadByteVector(path), kOld) << c.name;
        EXPECT_EQ(folder.entries(), std::set<std::string>{"target.bin"}) << c.name;
    }
}

TEST(SafeFile, ErrorsNameThePathAndTheSystemsReason)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.file("folder"));
    ASSERT_EQ(::mkfifo(folder.file("pipe").c_str(), 0600), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {folder.file("missing/x.bin"), "No such file or directory"},
        {folder.file("folder"), "Is a directory"},
        {"/dev/full", "No space left on device"},
        // Nobody reads the pipe: refused at once instead of waiting for ever.
        {folder.file("pipe"), "No such device or address"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(testing::ErrorOf([&] { writeWhole(c.path, kNew); }), "Unable to write to " + c.path + ": " + c.reason);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{"folder", "pipe"}));
    EXPECT_EQ(testing::ErrorOf([&] { writeWhole("/dev/null", kNew); }), "no error");
}

TEST(SafeFile, AReadOnlyFileIsNotReplaced)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    TempFolder folder;
    const std::string path = folder.file("kept.bin");
    WriteByteVector(path, kOld);
    ::chmod(path.c_str(), 0444);
    EXPECT_EQ(testing::ErrorOf([&] { writeWhole(path, kNew); }), "Unable to write to " + path + ": Permission denied");
    EXPECT_EQ(ReadByteVector(path), kOld);
}

TEST(SafeFile, NamesAsLongAsTheSystemAllowsCanBeWritten)
{
    TempFolder folder;
    const std::string path = folder.file(std::string(255, 'x'));
    writeWhole(path, kNew);
    EXPECT_EQ(ReadByteVector(path), kNew);
    EXPECT_EQ(folder.entries().size(), 1u);
}

TEST(SafeFileTemporaries, OnlyOurOwnNamesAreRecognised)
{
    const std::pair<const char *, bool> cases[] = {
        {".Vistrel.ini.vistrel-a1B2c3", true},
        {".SShot1_0.jpg.vistrel-ZZZZZZ", true},
        {".a.vistrel-abcdef", true},
        {"..vistrel-abcdef", false}, // no name before the mark
        {"Vistrel.ini.vistrel-a1B2c3", false}, // not hidden
        {".Vistrel.ini.a1B2c3", false},
        {".Vistrel.ini.vistrel-a1B2c", false},
        {".Vistrel.ini.vistrel-a1B2c34", false},
        {".Vistrel.ini.vistrel-a1B2c-", false},
        {".vistrel-abcdef", false},
        {"photo.jpg", false},
    };
    for (const auto &[name, ours] : cases)
        EXPECT_EQ(IsSafeFileTemporary(name), ours) << name;
}

TEST(SafeFileTemporaries, StaleCleanupRemovesOnlyOldFilesOfOurs)
{
    TempFolder folder;
    struct Entry {
        const char *name;
        bool old;
        bool removed;
    };
    const Entry entries[] = {
        {".Vistrel.ini.vistrel-Abc123", true, true},
        {".SShot2_7.jpg.vistrel-xyz789", true, true},
        {".Vistrel.ini.vistrel-young1", false, false}, // may be a write in progress
        {".Vistrel.ini.XXXXXX", true, false},
        {"notes.vistrel-abcdef", true, false},
        {"Vistrel.ini", true, false},
    };
    const timeval twoMinutesAgo[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
    for (const Entry &e : entries) {
        WriteByteVector(folder.file(e.name), kOld);
        if (e.old)
            ::utimes(folder.file(e.name).c_str(), twoMinutesAgo);
    }
    std::filesystem::create_directory(folder.file(".dir.vistrel-abcdef"));
    ::utimes(folder.file(".dir.vistrel-abcdef").c_str(), twoMinutesAgo);

    RemoveStaleTemporaryFiles(folder.file(""));
    for (const Entry &e : entries)
        EXPECT_NE(std::filesystem::exists(folder.file(e.name)), e.removed) << e.name;
    EXPECT_TRUE(std::filesystem::is_directory(folder.file(".dir.vistrel-abcdef")));
    RemoveStaleTemporaryFiles(folder.file("no-such-folder"));
}

} // namespace
} // namespace vistrel
