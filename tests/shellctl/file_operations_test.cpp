#include "shellctl/file_operations.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <stdlib.h>
#include <thread>
#include <tuple>

namespace vistrel {
namespace {

namespace fs = std::filesystem;

class PaneFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vistrel-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern + "/";
        fs::create_directories(root_ + "from");
        fs::create_directories(root_ + "to");
    }
    void TearDown() override
    {
        if (mounted_)
            ::umount2(mounted_->c_str(), MNT_DETACH);
        fs::remove_all(root_);
    }

    std::string Path(const std::string &relative) const { return root_ + relative; }
    void Write(const std::string &relative, const std::string &text) { std::ofstream(Path(relative)) << text; }
    std::string Read(const std::string &relative) const
    {
        std::ifstream file(Path(relative));
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    bool Exists(const std::string &relative) const { return fs::exists(fs::symlink_status(Path(relative))); }

    // A small RAM file system of its own, so that moves cross file systems; root only.
    bool MountSmallFileSystem(const std::string &relative, const char *size)
    {
        fs::create_directories(Path(relative));
        if (::mount("tmpfs", Path(relative).c_str(), "tmpfs", 0, size) != 0)
            return false;
        mounted_ = std::make_unique<std::string>(Path(relative));
        return true;
    }

    std::string root_;
    std::unique_ptr<std::string> mounted_;
};

TEST_F(PaneFiles, MovesWithinOneFileSystemNeverReplaceAFile)
{
    Write("from/one.jpg", "one");
    Write("from/two.jpg", "two, dropped");
    Write("to/two.jpg", "two, already there");
    fs::create_directories(Path("from/folder/inner"));

    const std::vector<MoveResult> results =
        MoveFilesInto({Path("from/one.jpg"), Path("from/two.jpg"), Path("from/folder"), Path("from/gone.jpg")},
                      Path("to"));
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].outcome, MoveOutcome::Moved);
    EXPECT_EQ(results[1].outcome, MoveOutcome::NameTaken);
    EXPECT_EQ(results[2].outcome, MoveOutcome::Moved);
    EXPECT_EQ(results[3].outcome, MoveOutcome::Failed);
    EXPECT_EQ(results[3].reason, "No such file or directory");

    EXPECT_EQ(Read("to/one.jpg"), "one");
    EXPECT_FALSE(Exists("from/one.jpg"));
    EXPECT_EQ(Read("from/two.jpg"), "two, dropped");
    EXPECT_EQ(Read("to/two.jpg"), "two, already there");
    EXPECT_TRUE(fs::is_directory(Path("to/folder/inner")));
}

TEST_F(PaneFiles, MovesThatWouldChangeNothingOrLoseAFolderAreRefused)
{
    Write("to/here.jpg", "here");
    fs::create_directories(Path("from/outer/inner"));
    const struct {
        std::string source;
        std::string folder;
        MoveOutcome outcome;
    } cases[] = {
        {Path("to/here.jpg"), Path("to"), MoveOutcome::Unchanged},
        {Path("to/here.jpg"), Path("to/"), MoveOutcome::Unchanged},
        {Path("from/outer"), Path("from/outer/inner"), MoveOutcome::Failed},
        {Path("from/outer/"), Path("from"), MoveOutcome::Unchanged},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MoveFileInto(c.source, c.folder).outcome, c.outcome) << c.source << " into " << c.folder;
    EXPECT_EQ(Read("to/here.jpg"), "here");
    EXPECT_TRUE(fs::is_directory(Path("from/outer/inner")));
}

TEST_F(PaneFiles, AMoveAcrossFileSystemsCopiesKeepsModeAndTimeThenRemoves)
{
    if (!MountSmallFileSystem("other", "size=1m"))
        GTEST_SKIP() << "mounting a RAM file system needs root";
    Write("from/photo.jpg", "photo bytes");
    ASSERT_EQ(::chmod(Path("from/photo.jpg").c_str(), 0640), 0);
    const struct timespec times[2] = {{1000000, 0}, {1234567, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path("from/photo.jpg").c_str(), times, 0), 0);
    Write("other/taken.jpg", "already on the other side");
    Write("from/taken.jpg", "dropped");
    fs::create_directories(Path("from/folder"));

    EXPECT_EQ(MoveFileInto(Path("from/photo.jpg"), Path("other")).outcome, MoveOutcome::Moved);
    EXPECT_EQ(MoveFileInto(Path("from/taken.jpg"), Path("other")).outcome, MoveOutcome::NameTaken);
    EXPECT_EQ(MoveFileInto(Path("from/folder"), Path("other")).outcome, MoveOutcome::Failed);

    EXPECT_FALSE(Exists("from/photo.jpg"));
    EXPECT_EQ(Read("other/photo.jpg"), "photo bytes");
    struct stat status {};
    ASSERT_EQ(::stat(Path("other/photo.jpg").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(status.st_mtim.tv_sec, 1234567);
    EXPECT_EQ(Read("other/taken.jpg"), "already on the other side");
    EXPECT_EQ(Read("from/taken.jpg"), "dropped");
    EXPECT_TRUE(fs::is_directory(Path("from/folder")));
}

TEST_F(PaneFiles, ACopyThatDoesNotFitIsRemovedAndTheOriginalKept)
{
    if (!MountSmallFileSystem("small", "size=64k"))
        GTEST_SKIP() << "mounting a RAM file system needs root";
    const std::string big(1 << 20, 'b');
    Write("from/big.bmp", big);

    const MoveResult result = MoveFileInto(Path("from/big.bmp"), Path("small"));
    EXPECT_EQ(result.outcome, MoveOutcome::Failed);
    EXPECT_EQ(result.reason, "No space left on device");
    EXPECT_FALSE(Exists("small/big.bmp"));
    EXPECT_EQ(Read("from/big.bmp"), big);
}

TEST_F(PaneFiles, DeletingRemovesOnlyTheNamedFilesNeverFoldersNorLinkTargets)
{
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        Write(std::string("from/") + name, "picture");
    Write("to/target.jpg", "must stay");
    fs::create_directories(Path("from/sub"));
    fs::create_symlink(Path("to/target.jpg"), Path("from/link.jpg"));
    fs::create_directory_symlink(Path("to"), Path("from/folderlink.jpg"));

    const std::vector<DeleteResult> results =
        DeleteFilesIn(Path("from"), {"a.jpg", "c.jpg", "sub", "link.jpg", "folderlink.jpg", "../to/target.jpg",
                                     "missing.jpg", ".."});
    std::vector<bool> deleted;
    for (const DeleteResult &result : results)
        deleted.push_back(result.deleted);
    EXPECT_EQ(deleted, (std::vector<bool>{true, true, false, true, false, false, false, false}));
    EXPECT_EQ(results[2].reason, "it is a folder");
    EXPECT_EQ(results[5].reason, "not a file name");

    EXPECT_FALSE(Exists("from/a.jpg"));
    EXPECT_TRUE(Exists("from/b.jpg"));
    EXPECT_FALSE(Exists("from/c.jpg"));
    EXPECT_TRUE(fs::is_directory(Path("from/sub")));
    EXPECT_FALSE(Exists("from/link.jpg"));
    EXPECT_EQ(Read("to/target.jpg"), "must stay");
    EXPECT_TRUE(Exists("from/folderlink.jpg"));
}

// Each file lands in files/ of the trash on its own file system, beside an info/ record of where
// it came from, under a name no earlier entry holds.
TEST_F(PaneFiles, DeletingToTheTrashKeepsEachFileAndWhereItCameFrom)
{
    const char *oldData = std::getenv("XDG_DATA_HOME");
    const std::string savedData = oldData ? oldData : "";
    ::setenv("XDG_DATA_HOME", Path("data").c_str(), 1);
    fs::create_directories(Path("data/Trash/files/x.jpg"));
    Write("from/a b%.jpg", "spaced");
    Write("from/x.jpg", "second x");
    fs::create_directories(Path("from/sub"));
    const bool volume = MountSmallFileSystem("vol", "size=64k");
    if (volume)
        Write("vol/p.jpg", "on a volume");

    const std::vector<DeleteResult> results = DeleteFilesIn(Path("from"), {"a b%.jpg", "x.jpg", "sub"}, Removal::ToTrash);
    const std::vector<DeleteResult> onVolume = DeleteFilesIn(Path("vol"), {"p.jpg"}, Removal::ToTrash);
    oldData ? ::setenv("XDG_DATA_HOME", savedData.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(results[0].deleted && results[1].deleted);
    EXPECT_EQ(results[2].reason, "it is a folder");

    const std::string uid = std::to_string(::getuid());
    const struct {
        std::string trashed, text, info, path;
        bool expected;
    } cases[] = {
        {"data/Trash/files/a b%.jpg", "spaced", "data/Trash/info/a b%.jpg.trashinfo", Path("from/a%20b%25.jpg"), true},
        {"data/Trash/files/x.jpg.2", "second x", "data/Trash/info/x.jpg.2.trashinfo", Path("from/x.jpg"), true},
        {"vol/.Trash-" + uid + "/files/p.jpg", "on a volume", "vol/.Trash-" + uid + "/info/p.jpg.trashinfo", "p.jpg",
         volume},
    };
    for (const auto &trashed : cases) {
        if (!trashed.expected)
            continue;
        EXPECT_EQ(Read(trashed.trashed), trashed.text);
        const std::string info = Read(trashed.info);
        EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + trashed.path + "\nDeletionDate=20", 0), 0u) << info;
        EXPECT_EQ(info.size(), info.find("DeletionDate=") + std::string("DeletionDate=2026-12-08T06:00:00\n").size());
    }
    EXPECT_FALSE(Exists("from/a b%.jpg") || Exists("from/x.jpg"));
    EXPECT_TRUE(!volume || onVolume[0].deleted) << onVolume[0].reason;
}

// Another program acts on the source the moment the move opens it to copy it; the copy of a
// large file takes far longer than that.
TEST_F(PaneFiles, AMoveAcrossFileSystemsKeepsAnOriginalThatChangedDuringTheCopy)
{
    if (!MountSmallFileSystem("other", "size=80m"))
        GTEST_SKIP() << "mounting a RAM file system needs root";
    const std::function<void(const std::string &)> saveOver = [](const std::string &path) {
        std::ofstream(path + ".new") << "saved by an editor";
        ::rename((path + ".new").c_str(), path.c_str());
    };
    const std::function<void(const std::string &)> remove = [](const std::string &path) { ::unlink(path.c_str()); };
    const std::tuple<std::string, std::function<void(const std::string &)>, std::string, std::string> cases[] = {
        {"replaced.bmp", saveOver, "the original stays: it changed while it was copied", "saved by an editor"},
        {"removed.bmp", remove, "the original vanished while it was copied", ""},
    };
    const std::string big(32 << 20, 'b');
    for (const auto &[name, meddle, summary, original] : cases) {
        Write("from/" + name, big);
        const int watch = ::inotify_init1(IN_CLOEXEC);
        ASSERT_GE(::inotify_add_watch(watch, Path("from/" + name).c_str(), IN_OPEN), 0);
        std::thread meddler([&, meddle = meddle, name = name] {
            char event[sizeof(inotify_event) + 256];
            if (::read(watch, event, sizeof event) > 0)
                meddle(Path("from/" + name));
        });
        const MoveResult result = MoveFileInto(Path("from/" + name), Path("other"));
        meddler.join();
        ::close(watch);
        EXPECT_EQ(MoveSummary({result}, Path("other")), "\"" + name + "\" was copied, but " + summary);
        EXPECT_EQ(Read("other/" + name), big) << name;
        EXPECT_EQ(Read("from/" + name), original) << name;
    }
}

TEST(PaneFileSummaries, NameTheFirstProblemAndCountTheRest)
{
    EXPECT_EQ(MoveSummary({{"/a/x.jpg", MoveOutcome::Moved, ""}, {"/a/y.jpg", MoveOutcome::Unchanged, ""}}, "/b/"),
              "");
    EXPECT_EQ(MoveSummary({{"/a/x.jpg", MoveOutcome::Moved, ""}, {"/a/y.jpg", MoveOutcome::NameTaken, ""}}, "/b/"),
              "\"y.jpg\" was not moved: /b/ already holds a file of that name");
    EXPECT_EQ(MoveSummary({{"/a/x.jpg", MoveOutcome::Failed, "Permission denied"},
                           {"/a/y.jpg", MoveOutcome::NameTaken, ""},
                           {"/a/z.jpg", MoveOutcome::CopiedOnly, "Read-only file system"}},
                          "/b/"),
              "\"x.jpg\" was not moved: Permission denied (and 2 more)");
    EXPECT_EQ(DeleteSummary({{"a.jpg", true, ""}, {"sub", false, "it is a folder"}}),
              "\"sub\" was not deleted: it is a folder");
    EXPECT_EQ(DeleteSummary({{"a.jpg", true, ""}}), "");
}

} // namespace
} // namespace vistrel
