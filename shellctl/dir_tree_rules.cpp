#include "shellctl/dir_tree_rules.h"

#include "platform/file_names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <sstream>

namespace vistrel {

namespace {

bool StartsWith(const std::string &text, const std::string &prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Where a trash marker starting at pos ends (just past its closing "/"), or npos when none starts there.
size_t TrashMarkerEnd(const std::string &folder, size_t pos)
{
    for (const char *marker : {"/.local/share/Trash/", "/.Trash/"})
        if (folder.compare(pos, std::char_traits<char>::length(marker), marker) == 0)
            return pos + std::char_traits<char>::length(marker);
    const std::string perUser = "/.Trash-";
    if (folder.compare(pos, perUser.size(), perUser) != 0)
        return std::string::npos;
    size_t end = pos + perUser.size();
    const size_t digits = end;
    while (end < folder.size() && std::isdigit(static_cast<unsigned char>(folder[end])))
        ++end;
    return end > digits && end < folder.size() && folder[end] == '/' ? end + 1 : std::string::npos;
}

// Mount points are written with octal escapes for blanks, tabs, new lines and backslashes.
std::string Unescaped(const std::string &field)
{
    std::string text;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::isdigit(static_cast<unsigned char>(field[i + 1])) &&
            std::isdigit(static_cast<unsigned char>(field[i + 2])) &&
            std::isdigit(static_cast<unsigned char>(field[i + 3]))) {
            text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            text += field[i];
        }
    }
    return text;
}

bool ParseMountLine(const std::string &line, MountEntry &mount)
{
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint, options, field;
    if (!(fields >> id >> parent >> device >> root >> mountPoint >> options))
        return false;
    while (fields >> field && field != "-") {
    }
    if (field != "-" || !(fields >> mount.fsType >> mount.source))
        return false;
    const size_t colon = device.find(':');
    if (colon == std::string::npos)
        return false;
    try {
        mount.mountId = std::stoul(id);
        mount.major = static_cast<unsigned>(std::stoul(device.substr(0, colon)));
        mount.minor = static_cast<unsigned>(std::stoul(device.substr(colon + 1)));
    } catch (const std::exception &) {
        return false;
    }
    mount.mountPoint = WithTrailingSlash(Unescaped(mountPoint));
    mount.source = Unescaped(mount.source);
    return mount.mountPoint.front() == '/';
}

const std::set<std::string> &KernelFileSystems()
{
    static const std::set<std::string> types{
        "proc",    "sysfs",      "devtmpfs", "devpts", "cgroup",  "cgroup2",     "securityfs", "pstore",
        "bpf",     "debugfs",    "tracefs",  "configfs", "fusectl", "mqueue",    "hugetlbfs",  "autofs",
        "binfmt_misc", "efivarfs", "rpc_pipefs", "nsfs", "selinuxfs", "squashfs", "fuse.portal",
        "fuse.gvfsd-fuse", "fuse.lxcfs", "ramfs"};
    return types;
}

} // namespace

bool PassesAttributeFilter(const TDirTypes &types, const FolderAttributes &attributes)
{
    if (types.Contains(dtAll))
        return true;
    if ((attributes.hidden && !types.Contains(dtHidden)) || (attributes.system && !types.Contains(dtSystem)) ||
        (attributes.archive && !types.Contains(dtArchive)))
        return false;
    return types.Contains(dtNormal) || attributes.hidden || attributes.system || attributes.archive;
}

namespace {

// Whether a trash marker in folder ends before limit.
bool HasTrashMarkerBefore(const std::string &folder, size_t limit)
{
    // Every marker begins with "/.", which few paths hold.
    for (size_t pos = folder.find("/."); pos != std::string::npos; pos = folder.find("/.", pos + 1)) {
        const size_t end = TrashMarkerEnd(folder, pos);
        if (end != std::string::npos && end < limit)
            return true;
    }
    return false;
}

} // namespace

bool IsBelowTrash(const std::string &folder) { return HasTrashMarkerBefore(folder, folder.size()); }

bool FolderRules::Accepts(const std::string &folder, const FolderAttributes &attributes) const
{
    return (belowTrash || !IsBelowTrash(folder)) && PassesAttributeFilter(types, attributes);
}

bool FolderRules::AcceptsEverySubfolderOf(const std::string &folder) const
{
    // Its subfolders are below a trash when a marker ends anywhere in it.
    return types.Contains(dtAll) && (belowTrash || !HasTrashMarkerBefore(folder, folder.size() + 1));
}

std::vector<MountEntry> ParseMountInfo(const std::string &text)
{
    std::vector<MountEntry> mounts;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        MountEntry mount;
        if (!ParseMountLine(line, mount))
            continue;
        mounts.erase(std::remove_if(mounts.begin(), mounts.end(),
                                    [&](const MountEntry &m) { return m.mountPoint == mount.mountPoint; }),
                     mounts.end());
        mounts.push_back(std::move(mount));
    }
    return mounts;
}

bool IsUserVolume(const MountEntry &mount)
{
    if (mount.mountPoint == "/")
        return true;
    if (KernelFileSystems().count(mount.fsType))
        return false;
    for (const char *system : {"/proc/", "/sys/", "/dev/", "/boot/", "/snap/", "/var/lib/", "/run/"})
        if (StartsWith(mount.mountPoint, system))
            return StartsWith(mount.mountPoint, "/run/media/");
    return true;
}

TDriveType DriveTypeOf(const std::string &fsType, bool removableDevice)
{
    static const std::set<std::string> remote{"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "afs",
                                              "9p", "ceph", "glusterfs", "davfs", "ncpfs"};
    static const std::set<std::string> localFuse{"fuseblk", "fuse.ntfs-3g", "fuse.encfs", "fuse.gocryptfs",
                                                 "fuse.bindfs", "fuse.mergerfs", "fuse.exfat"};
    static const std::set<std::string> disks{"ext2", "ext3", "ext4", "xfs", "btrfs", "f2fs", "jfs",
                                             "reiserfs", "vfat", "msdos", "exfat", "ntfs", "ntfs3",
                                             "hfs", "hfsplus", "zfs", "overlay", "bcachefs", "nilfs2"};
    if (remote.count(fsType) || (StartsWith(fsType, "fuse.") && !localFuse.count(fsType)))
        return drtRemote;
    if (fsType == "iso9660" || fsType == "udf")
        return drtCDRom;
    if (fsType == "tmpfs" || fsType == "ramfs")
        return drtRamDisk;
    if (disks.count(fsType) || localFuse.count(fsType))
        return removableDevice ? drtRemovable : drtFixed;
    return drtUnknown;
}

std::string VolumeRootOf(const std::string &path, const std::vector<std::string> &roots)
{
    const std::string folder = WithTrailingSlash(path);
    std::string best;
    for (const std::string &root : roots)
        if (StartsWith(folder, root) && root.size() > best.size())
            best = root;
    return best;
}

std::vector<std::string> PathLevels(const std::string &volumeRoot, const std::string &path)
{
    const std::string folder = WithTrailingSlash(path);
    if (volumeRoot.empty() || !StartsWith(folder, volumeRoot))
        return {};
    std::vector<std::string> levels{volumeRoot};
    for (size_t slash = folder.find('/', volumeRoot.size()); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        levels.push_back(folder.substr(0, slash + 1));
    return levels;
}

std::string FolderPathWithSlash(const std::string &path)
{
    std::filesystem::path absolute(path);
    if (absolute.is_relative()) {
        std::error_code ignored;
        absolute = std::filesystem::current_path(ignored) / absolute;
    }
    std::string cleaned = absolute.lexically_normal().string();
    return WithTrailingSlash(cleaned.empty() ? std::string("/") : cleaned);
}

} // namespace vistrel
