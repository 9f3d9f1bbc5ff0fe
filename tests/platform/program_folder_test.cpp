#include "platform/program_folder.h"

#include "platform/error.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdlib.h>
#include <sys/stat.h>

using namespace vistrel;
using vistrel::testing::ReadBytes;
using vistrel::testing::TempFolder;
using vistrel::testing::WriteBytes;

namespace {

// Runs with VISTREL_HOME unset and the XDG folders inside a temporary home.
class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("VISTREL_HOME");
        ::setenv("XDG_CONFIG_HOME", (root_.path() + "config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (root_.path() + "cache").c_str(), 1);
        ::setenv("HOME", (root_.path() + "home").c_str(), 1);
        std::filesystem::create_directories(root_.path() + "home");
    }

    std::string folder(const std::string &relative)
    {
        std::filesystem::create_directories(root_.path() + relative);
        return root_.path() + relative + "/";
    }

    TempFolder root_;
};

} // namespace

struct PlaceCase {
    const char *name;
    const char *executableFolder; // below the temporary root
    bool installed;               // share/vistrel beside the bin folder
    bool writable;
    bool besideExecutable;        // settings expected in the executable's folder
};

class ProgramFolderPlaces : public ProgramFolderTest, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(ProgramFolderPlaces, InstalledOrReadOnlyProgramsUseTheUsersFolders)
{
    const PlaceCase &c = GetParam();
    if (!c.writable && ::geteuid() == 0)
        GTEST_SKIP() << "root may write to any folder";
    const std::string exe = folder(c.executableFolder);
    if (c.installed)
        folder(std::string(c.executableFolder) + "/../share/vistrel");
    if (!c.writable)
        ::chmod(exe.c_str(), 0555);
    const ProgramFolders folders = LocateProgramFolders(exe);
    ::chmod(exe.c_str(), 0755);
    if (c.besideExecutable) {
        EXPECT_EQ(folders.settingsFolder, exe);
        EXPECT_EQ(folders.shotsParent, exe);
    } else {
        EXPECT_EQ(folders.settingsFolder, root_.path() + "config/vistrel/");
        EXPECT_EQ(folders.shotsParent.rfind(root_.path() + "home/", 0), 0u) << folders.shotsParent;
        // A new account has no ~/.config yet: the folders are there for the settings and shots.
        EXPECT_TRUE(std::filesystem::is_directory(folders.settingsFolder));
        EXPECT_TRUE(std::filesystem::is_directory(folders.shotsParent));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Places, ProgramFolderPlaces,
    ::testing::Values(PlaceCase{"BuildTree", "build/app", false, true, true},
                      PlaceCase{"PortableCopyInABinFolder", "portable/bin", false, true, true},
                      PlaceCase{"InstalledAndWritable", "usr/bin", true, true, false},
                      PlaceCase{"ReadOnlyCopy", "readonly", false, false, false}),
    [](const ::testing::TestParamInfo<PlaceCase> &info) { return std::string(info.param.name); });

TEST_F(ProgramFolderTest, VistrelHomeWinsOverEveryPlace)
{
    const std::string home = folder("chosen");
    ::setenv("VISTREL_HOME", home.c_str(), 1);
    const ProgramFolders folders = LocateProgramFolders(folder("usr/bin"));
    ::unsetenv("VISTREL_HOME");
    EXPECT_EQ(folders.settingsFolder, home);
    EXPECT_EQ(folders.shotsParent, home);
}

TEST_F(ProgramFolderTest, InstalledDataFolderNeedsBothBinAndShare)
{
    EXPECT_EQ(InstalledDataFolder(folder("prefix/bin")), "");
    const std::string data = folder("prefix/share/vistrel");
    EXPECT_EQ(InstalledDataFolder(root_.path() + "prefix/bin/"), data);
    EXPECT_EQ(InstalledDataFolder(root_.path() + "prefix/bin"), data);
    folder("other/tools");
    folder("other/share/vistrel");
    EXPECT_EQ(InstalledDataFolder(root_.path() + "other/tools/"), "");
}

// Desktops pick the opener by the name, and know none for ".hlp": that opens through an ".html" link.
TEST_F(ProgramFolderTest, HelpIsTheHelpFileFirstAndTheInstalledManualLast)
{
    const std::string bin = folder("usr/bin");
    const std::string data = folder("usr/share/vistrel");
    const std::string settings = folder("config/vistrel");
    const std::string link = root_.path() + "cache/vistrel/Vistrel.html";
    EXPECT_EQ(FindHelpFile(bin), "");
    EXPECT_EQ(HelpFileToOpen(bin), "");
    WriteBytes(data + "Vistrel.html", "<html></html>");
    EXPECT_EQ(FindHelpFile(bin), data + "Vistrel.html");
    EXPECT_EQ(HelpFileToOpen(bin), data + "Vistrel.html");
    WriteBytes(bin + "Vistrel.hlp", "beside");
    EXPECT_EQ(FindHelpFile(bin), bin + "Vistrel.hlp");
    EXPECT_EQ(HelpFileToOpen(bin), link);
    EXPECT_EQ(ReadBytes(link), "beside");
    WriteBytes(settings + "Vistrel.hlp", "own");
    EXPECT_EQ(FindHelpFile(bin), settings + "Vistrel.hlp");
    EXPECT_EQ(ReadBytes(HelpFileToOpen(bin)), "own");

    std::filesystem::remove(link);
    folder("cache/vistrel/Vistrel.html/in the way");
    EXPECT_THROW(HelpFileToOpen(bin), Error);
}
