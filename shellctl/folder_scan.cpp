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
#include <cstdint>
#include <numeric>

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

// Without regard to case, and names differing only in case in byte order. Each name is lowered
// once, and indices are sorted rather than the entries: a folder of thousands would otherwise
// lower every name again at each comparison and move its strings around many times.
void SortByName(std::vector<FolderEntry> &entries)
{
    std::vector<std::string> keys;
    keys.reserve(entries.size());
    for (const FolderEntry &entry : entries) {
        std::string lower = entry.name;
        for (char &c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        keys.push_back(std::move(lower));
    }
    std::vector<uint32_t> order(entries.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int byKey = keys[a].compare(keys[b]);
        return byKey != 0 ? byKey < 0 : entries[a].name < entries[b].name;
    });
    std::vector<FolderEntry> sorted;
    sorted.reserve(entries.size());
    for (const uint32_t index : order)
        sorted.push_back(std::move(entries[index]));
    entries = std::move(sorted);
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
    SortByName(entries);
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
