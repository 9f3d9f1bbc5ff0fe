#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace vistrel {

// Names and order are those the tree's settings are stored with.
enum TDirType { dtReadOnly, dtHidden, dtSystem, dtArchive, dtNormal, dtAll };
enum TDriveType { drtUnknown, drtRemovable, drtFixed, drtRemote, drtCDRom, drtRamDisk };

// A small set of enumeration values.
template <typename E>
class TEnumSet {
public:
    TEnumSet() = default;
    TEnumSet(std::initializer_list<E> values)
    {
        for (E value : values)
            bits_ |= Bit(value);
    }
    bool Contains(E value) const { return (bits_ & Bit(value)) != 0; }
    bool operator==(const TEnumSet &o) const { return bits_ == o.bits_; }
    bool operator!=(const TEnumSet &o) const { return bits_ != o.bits_; }

private:
    static unsigned Bit(E value) { return 1u << static_cast<unsigned>(value); }
    unsigned bits_ = 0;
};
using TDirTypes = TEnumSet<TDirType>;
using TDriveTypes = TEnumSet<TDriveType>;

// A folder's attributes as the filter sees them: hidden when its name begins with ".", system when
// it is neither a regular file nor a folder. Linux has no archive bit. The filter never asks
// whether a folder is read-only, so that is not read.
struct FolderAttributes {
    bool hidden = false;
    bool system = false;
    bool archive = false;
};

bool PassesAttributeFilter(const TDirTypes &types, const FolderAttributes &attributes);

// The trash folders (a user's ~/.local/share/Trash, a volume's .Trash and .Trash-<uid>) are
// shown, but nothing below them. folder ends in "/".
bool IsBelowTrash(const std::string &folder);

// The tree's own choice of folders, beside what its owner filters out: a plain value, so a copy can
// go to another thread.
struct FolderRules {
    TDirTypes types;
    bool belowTrash = false; // whether the folders inside a trash folder appear

    // folder ends in "/".
    bool Accepts(const std::string &folder, const FolderAttributes &attributes) const;
    // Whether every subfolder of folder appears, whatever its name and attributes.
    bool AcceptsEverySubfolderOf(const std::string &folder) const;
};

// One line of /proc/self/mountinfo.
struct MountEntry {
    std::string mountPoint; // ends in "/"
    std::string fsType;
    std::string source;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long mountId = 0; // new for every mount, even of the same device in the same place
};

// Malformed lines are skipped; a later mount on the same point hides the earlier one.
std::vector<MountEntry> ParseMountInfo(const std::string &text);

// Whether a mount is a volume a user browses: "/" and the mounted disks, network shares and RAM
// disks, not the kernel's own file systems nor the system's private mounts.
bool IsUserVolume(const MountEntry &mount);

TDriveType DriveTypeOf(const std::string &fsType, bool removableDevice);

// The longest of the roots (each ending in "/") that holds path; "" when none does.
std::string VolumeRootOf(const std::string &path, const std::vector<std::string> &roots);

// The folders from a volume root down to path, each ending in "/": the levels a selection opens.
std::vector<std::string> PathLevels(const std::string &volumeRoot, const std::string &path);

// A path made absolute (against the current folder), cleaned of "." and "..", ending in "/".
std::string FolderPathWithSlash(const std::string &path);

} // namespace vistrel
