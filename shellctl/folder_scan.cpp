#include "shellctl/folder_scan.h"

#include "platform/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace vistrel {

namespace {

// The entry type when the directory tells it; links and unknown types are followed with a stat,
// so a link to a folder counts as a folder.
bool IsFolderEntry(int folderFd, const dirent &entry)
{
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat status {};
    return ::fstatat(folderFd, entry.d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

bool NameBefore(const std::string &a, const std::string &b)
{
    const auto lowerLess = [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lowerLess))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lowerLess))
        return false;
    return a < b;
}

std::string ChildFolder(const std::string &folder, const std::string &name) { return folder + name + '/'; }

bool CountsSubfoldersInLinks(unsigned long fsType)
{
    switch (fsType) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

} // namespace

void FileSystemFolders::ScanSubfolders(const std::string &folder,
                                       const std::function<bool(const FolderEntry &)> &visit)
{
    FolderEntries entries(folder);
    while (const dirent *entry = entries.next()) {
        if (!IsFolderEntry(entries.fd(), *entry))
            continue;
        FolderEntry found;
        found.name = entry->d_name;
        found.attributes.hidden = entry->d_name[0] == '.';
        if (!visit(found))
            return;
    }
}

FolderLinks FolderSource::LinksOf(const std::string &) { return {}; }

FolderLinks FileSystemFolders::LinksOf(const std::string &folder)
{
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return {};
    const auto device = static_cast<unsigned long long>(status.st_dev);
    if (device != lastDevice_ || lastFsType_ == 0) {
        struct statfs fileSystem {};
        if (::statfs(folder.c_str(), &fileSystem) != 0)
            return {};
        lastDevice_ = device;
        lastFsType_ = static_cast<unsigned long>(fileSystem.f_type);
    }
    return {lastFsType_, static_cast<unsigned long>(status.st_nlink)};
}

ExpandButton ExpandButtonFromLinks(const FolderLinks &links, bool showsEverySubfolder)
{
    // ext4 reports 1 for a folder with more subfolders than its counter holds.
    if (!CountsSubfoldersInLinks(links.fsType) || links.links < 2)
        return ExpandButton::Probe;
    if (links.links == 2)
        return ExpandButton::Hidden;
    return showsEverySubfolder ? ExpandButton::Shown : ExpandButton::Probe;
}

std::vector<FolderEntry> ReadSubfolders(FolderSource &source, const std::string &folder, const FolderFilter &accept)
{
    std::vector<FolderEntry> entries;
    source.ScanSubfolders(folder, [&](const FolderEntry &entry) {
        if (accept(ChildFolder(folder, entry.name), entry.attributes))
            entries.push_back(entry);
        return true;
    });
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry &a, const FolderEntry &b) { return NameBefore(a.name, b.name); });
    return entries;
}

bool HasSubfolder(FolderSource &source, const std::string &folder, const FolderFilter &accept)
{
    bool found = false;
    source.ScanSubfolders(folder, [&](const FolderEntry &entry) {
        found = accept(ChildFolder(folder, entry.name), entry.attributes);
        return !found;
    });
    return found;
}

} // namespace vistrel
