#include "shellctl/dir_tree_rules.h"
#include "shellctl/folder_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdlib.h>
#include <unistd.h>

namespace vistrel {
namespace {

TEST(AttributeFilter, FollowsTheDirTypes)
{
    const FolderAttributes plain{};
    const FolderAttributes hidden{true, false, false};
    const FolderAttributes system{false, true, false};
    const struct {
        const char *name;
        TDirTypes types;
        FolderAttributes attributes;
        bool accepted;
    } cases[] = {
        {"all takes hidden", {dtAll}, hidden, true},
        {"all takes system", {dtAll}, system, true},
        {"normal takes plain", {dtNormal}, plain, true},
        {"normal refuses hidden", {dtNormal}, hidden, false},
        {"normal and hidden takes hidden", {dtNormal, dtHidden}, hidden, true},
        {"hidden alone refuses plain", {dtHidden}, plain, false},
        {"hidden alone takes hidden", {dtHidden}, hidden, true},
        {"system without the flag", {dtNormal, dtHidden}, system, false},
        {"read-only is never asked", {dtReadOnly}, plain, false},
        {"nothing at all", {}, plain, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PassesAttributeFilter(c.types, c.attributes), c.accepted) << c.name;
}

TEST(ExpandButton, TrustsTheLinkCountOnlyWhereTheFileSystemKeepsIt)
{
    constexpr unsigned long kExt4 = 0xEF53, kXfs = 0x58465342, kTmpfs = 0x01021994, kBtrfs = 0x9123683E, kNfs = 0x6969;
    const struct {
        const char *name;
        FolderLinks links;
        bool showsEverySubfolder;
        ExpandButton button;
    } cases[] = {
        {"ext4, no subfolder", {kExt4, 2}, true, ExpandButton::Hidden},
        {"ext4, one subfolder", {kExt4, 3}, true, ExpandButton::Shown},
        {"xfs, many subfolders", {kXfs, 40}, true, ExpandButton::Shown},
        {"tmpfs, no subfolder", {kTmpfs, 2}, true, ExpandButton::Hidden},
        {"no subfolder, whatever the filters", {kExt4, 2}, false, ExpandButton::Hidden},
        {"subfolders the filters may hide", {kExt4, 3}, false, ExpandButton::Probe},
        {"ext4 past its link counter", {kExt4, 1}, true, ExpandButton::Probe},
        {"btrfs always says 1", {kBtrfs, 1}, true, ExpandButton::Probe},
        {"nfs counts as it likes", {kNfs, 7}, true, ExpandButton::Probe},
        {"not readable, or of unknown type", {0, 0}, true, ExpandButton::Probe},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ExpandButtonFromLinks(c.links, c.showsEverySubfolder), c.button) << c.name;

    // On the machine's own file system the answer is right, or a look inside is asked for. Folders
    // read beside their neighbours answer as when read alone; what is no folder answers nothing.
    char pattern[] = "/tmp/links-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path root(pattern);
    std::filesystem::create_directories(root / "one" / "x");
    std::filesystem::create_directories(root / "two" / "x");
    std::filesystem::create_directories(root / "two" / "y");
    std::filesystem::create_directories(root / "files");
    std::filesystem::create_directory(root / "empty");
    std::ofstream(root / "files" / "a.jpg") << "x";
    const struct {
        const char *folder;
        int hasSubfolder; // -1: no folder at all
    } folders[] = {{"empty", 0}, {"files", 0},    {"one/x", 0},      {"one", 1},
                   {"two", 1},   {"missing", -1}, {"files/a.jpg", -1}};
    std::vector<std::string> paths;
    for (const auto &f : folders)
        paths.push_back((root / f.folder).string() + '/');
    FileSystemFolders files;
    const std::vector<FolderLinks> together = files.LinksOf(paths);
    ASSERT_EQ(together.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        const FolderLinks alone = files.LinksOf({paths[i]}).at(0);
        EXPECT_EQ(together[i].links, alone.links) << folders[i].folder;
        EXPECT_EQ(together[i].fsType, alone.fsType) << folders[i].folder;
        const ExpandButton button = ExpandButtonFromLinks(together[i], true);
        if (folders[i].hasSubfolder < 0) {
            EXPECT_EQ(together[i].links, 0u) << folders[i].folder;
        } else if (button != ExpandButton::Probe) {
            EXPECT_EQ(button == ExpandButton::Shown, folders[i].hasSubfolder == 1) << folders[i].folder;
        }
    }
    EXPECT_NE(files.LinksOf({"/"}).at(0).links, 0u);
    std::filesystem::remove_all(root);
}

TEST(TrashRule, TheTrashIsShownButNothingBelowIt)
{
    const struct {
        const char *folder;
        bool below;
    } cases[] = {
        {"/home/anna/.local/share/Trash/", false},
        {"/home/anna/.local/share/Trash/files/", true},
        {"/home/anna/.local/share/Trash/files/old/", true},
        {"/media/usb/.Trash-1000/", false},
        {"/media/usb/.Trash-1000/files/", true},
        {"/media/usb/.Trash/", false},
        {"/media/usb/.Trash/1000/", true},
        {"/media/usb/.Trash-/files/", false},
        {"/media/usb/.Trash-12ab/files/", false},
        {"/home/anna/Trash/files/", false},
        {"/home/anna/.local/share/Trashcan/x/", false},
        {"/", false},
    };
    const FolderRules everyType{TDirTypes{dtAll}, false};
    for (const auto &c : cases) {
        EXPECT_EQ(IsBelowTrash(c.folder), c.below) << c.folder;
        // Every subfolder is shown unless the subfolders are below a trash.
        EXPECT_EQ(everyType.AcceptsEverySubfolderOf(c.folder), !IsBelowTrash(c.folder + std::string("x/"))) << c.folder;
    }
}

TEST(MountInfo, ReadsPointTypeSourceAndDevice)
{
    const std::string table =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
        "90 27 8:17 / /media/anna/My\\040Photos rw,nosuid shared:40 master:2 - vfat /dev/sdb1 rw\n"
        "garbage line\n"
        "91 27 0:50 / /mnt/share rw - cifs //server/share rw\n"
        "92 27 0:51 / /mnt/share rw - nfs4 server:/export rw\n";
    const std::vector<MountEntry> mounts = ParseMountInfo(table);
    ASSERT_EQ(mounts.size(), 4u);
    EXPECT_EQ(mounts[0].mountPoint, "/proc/");
    EXPECT_EQ(mounts[1].mountPoint, "/");
    EXPECT_EQ(mounts[1].fsType, "ext4");
    EXPECT_EQ(mounts[1].major, 254u);
    EXPECT_EQ(mounts[1].mountId, 27u);
    EXPECT_EQ(mounts[2].mountPoint, "/media/anna/My Photos/");
    EXPECT_EQ(mounts[2].source, "/dev/sdb1");
    EXPECT_EQ(mounts[2].minor, 17u);
    EXPECT_EQ(mounts[3].mountPoint, "/mnt/share/");
    EXPECT_EQ(mounts[3].fsType, "nfs4"); // the later mount hides the earlier one
}

TEST(MountInfo, OnlyUserVolumesAreShown)
{
    const struct {
        const char *point;
        const char *type;
        bool shown;
    } cases[] = {
        {"/", "overlay", true},           {"/home/", "ext4", true},
        {"/media/anna/USB/", "vfat", true}, {"/run/media/anna/USB/", "exfat", true},
        {"/mnt/share/", "cifs", true},    {"/tmp/", "tmpfs", true},
        {"/proc/", "proc", false},        {"/sys/fs/cgroup/", "tmpfs", false},
        {"/dev/shm/", "tmpfs", false},    {"/run/user/1000/", "tmpfs", false},
        {"/boot/efi/", "vfat", false},    {"/snap/core/1/", "squashfs", false},
        {"/data/", "autofs", false},      {"/home/anna/.cache/doc/", "fuse.portal", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsUserVolume(MountEntry{c.point, c.type, "", 0, 0, 0}), c.shown) << c.point;
}

TEST(DriveType, ComesFromTheFileSystemType)
{
    const struct {
        const char *type;
        bool removable;
        TDriveType drive;
    } cases[] = {
        {"ext4", false, drtFixed},        {"vfat", true, drtRemovable},  {"exfat", false, drtFixed},
        {"fuseblk", true, drtRemovable},  {"nfs", false, drtRemote},     {"cifs", false, drtRemote},
        {"fuse.sshfs", false, drtRemote}, {"iso9660", true, drtCDRom},   {"udf", false, drtCDRom},
        {"tmpfs", false, drtRamDisk},     {"weirdfs", false, drtUnknown},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DriveTypeOf(c.type, c.removable), c.drive) << c.type;
}

TEST(VolumeRoot, IsTheLongestMountHoldingThePath)
{
    const std::vector<std::string> roots{"/", "/home/", "/home/anna/usb/"};
    EXPECT_EQ(VolumeRootOf("/etc/x/", roots), "/");
    EXPECT_EQ(VolumeRootOf("/home/anna/", roots), "/home/");
    EXPECT_EQ(VolumeRootOf("/home", roots), "/home/");
    EXPECT_EQ(VolumeRootOf("/home/anna/usb/a/", roots), "/home/anna/usb/");
    EXPECT_EQ(VolumeRootOf("/homely/", roots), "/");
    EXPECT_EQ(VolumeRootOf("/x/", {"/home/"}), "");
}

TEST(PathLevels, RunFromTheVolumeRootDownToThePath)
{
    EXPECT_EQ(PathLevels("/", "/a/b/"), (std::vector<std::string>{"/", "/a/", "/a/b/"}));
    EXPECT_EQ(PathLevels("/home/", "/home/anna/Pictures"),
              (std::vector<std::string>{"/home/", "/home/anna/", "/home/anna/Pictures/"}));
    EXPECT_EQ(PathLevels("/", "/"), (std::vector<std::string>{"/"}));
    EXPECT_TRUE(PathLevels("/home/", "/etc/").empty());
    EXPECT_TRUE(PathLevels("", "/etc/").empty());
}

TEST(FolderPath, IsAbsoluteCleanAndEndsInASlash)
{
    EXPECT_EQ(FolderPathWithSlash("/a/./b//c/../d"), "/a/b/d/");
    EXPECT_EQ(FolderPathWithSlash("/"), "/");
    EXPECT_EQ(FolderPathWithSlash("/.."), "/");
    const std::string current = std::filesystem::current_path().string();
    EXPECT_EQ(FolderPathWithSlash("x"), current + "/x/");
}

// Counts the folders read, so tests can tell how far a reader looked.
class CountingFolders : public FolderSource {
public:
    void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) override
    {
        ++scans;
        files_.ScanSubfolders(folder, [&](const FolderEntry &entry) {
            ++visited;
            return visit(entry);
        });
    }
    int scans = 0;
    int visited = 0;

private:
    FileSystemFolders files_;
};

class FolderReading : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vistrel-tree-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern + "/";
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    void MakeFolder(const std::string &relative) { std::filesystem::create_directories(root_ + relative); }
    void MakeFile(const std::string &relative) { std::ofstream(root_ + relative) << "x"; }

    std::string root_;
};

TEST_F(FolderReading, SubfoldersComeSortedWithoutRegardToCaseAndFilesLeftOut)
{
    for (const char *name : {"beta", "Alpha", "gamma", ".hidden", "Delta"})
        MakeFolder(name);
    MakeFile("file.txt");
    std::filesystem::create_directory_symlink(root_ + "gamma", root_ + "link-to-gamma");
    std::filesystem::create_symlink(root_ + "file.txt", root_ + "link-to-file");

    FileSystemFolders files;
    std::vector<std::string> names;
    bool hiddenMarked = false;
    for (const FolderEntry &entry : ReadSubfolders(files, root_, [](const std::string &, const FolderAttributes &) {
             return true;
         })) {
        names.push_back(entry.name);
        hiddenMarked = hiddenMarked || (entry.name == ".hidden" && entry.attributes.hidden);
    }
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "Alpha", "beta", "Delta", "gamma", "link-to-gamma"}));
    EXPECT_TRUE(hiddenMarked);

    std::vector<std::string> filtered;
    for (const FolderEntry &entry : ReadSubfolders(files, root_, [](const std::string &path, const FolderAttributes &a) {
             return !a.hidden && path.find("beta") == std::string::npos;
         }))
        filtered.push_back(entry.name);
    EXPECT_EQ(filtered, (std::vector<std::string>{"Alpha", "Delta", "gamma", "link-to-gamma"}));
}

// Folders of given names, without a disk.
class NamedFolders : public FolderSource {
public:
    explicit NamedFolders(std::vector<std::string> names) : names_(std::move(names)) {}
    void ScanSubfolders(const std::string &, const std::function<bool(const FolderEntry &)> &visit) override
    {
        for (const std::string &name : names_)
            if (!visit(FolderEntry{name, {}}))
                return;
    }

private:
    std::vector<std::string> names_;
};

// Names alike in case or in their first 8 or 16 bytes, and random ones, in the order of their
// lowered bytes, then of their own.
TEST(FolderOrder, IsByteOrderWithoutRegardToCase)
{
    std::vector<std::string> names = {"abc", "ABC", "Abc", "a", "ab", "a b", "_x", "Ax", "\xc3\xa9t\xc3\xa9", "Zebra",
                                      "12345678", "1234567", "123456789", "Screenshot from 2024-01-02",
                                      "screenshot from 2024-01-01", "SCREENSHOT FROM 2024", "Screenshot from 2024",
                                      "sixteen bytes ab", "sixteen bytes aB", "sixteen bytes ab!",
                                      "0123456789abcdefa2", "0123456789abcdefB1"};
    std::mt19937 random(7);
    const std::string alphabet = "aAbBzZ09_ .-\xc3\xa9";
    for (int i = 0; i < 2000; ++i) {
        std::string name(1 + random() % 24, 'a');
        for (char &c : name)
            c = alphabet[random() % alphabet.size()];
        names.push_back(name);
    }
    const auto lowered = [](std::string name) {
        for (char &c : name)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        return name;
    };
    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end(), [&](const std::string &a, const std::string &b) {
        return std::make_pair(lowered(a), a) < std::make_pair(lowered(b), b);
    });
    NamedFolders folders(names);
    std::vector<std::string> read;
    for (const FolderEntry &entry : ReadSubfolders(folders, "/", nullptr))
        read.push_back(entry.name);
    EXPECT_EQ(read, expected);
}

TEST_F(FolderReading, ProbingStopsAtTheFirstAcceptedSubfolder)
{
    for (int i = 0; i < 50; ++i)
        MakeFolder("many/" + std::to_string(i));
    MakeFolder("onlyHidden/.secret");
    MakeFolder("empty");
    MakeFile("filesOnly");

    const auto all = [](const std::string &, const FolderAttributes &) { return true; };
    const auto visible = [](const std::string &, const FolderAttributes &a) { return !a.hidden; };
    CountingFolders counting;
    EXPECT_TRUE(HasSubfolder(counting, root_ + "many/", all));
    EXPECT_EQ(counting.visited, 1);
    EXPECT_TRUE(HasSubfolder(counting, root_ + "onlyHidden/", all));
    EXPECT_FALSE(HasSubfolder(counting, root_ + "onlyHidden/", visible));
    EXPECT_FALSE(HasSubfolder(counting, root_ + "empty/", all));
    EXPECT_FALSE(HasSubfolder(counting, root_ + "missing/", all));
    EXPECT_FALSE(HasSubfolder(counting, root_ + "filesOnly/", all));
}

} // namespace
} // namespace vistrel
