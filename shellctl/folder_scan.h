#pragma once

#include "shellctl/dir_tree_rules.h"

#include <functional>
#include <string>
#include <vector>

namespace vistrel {

struct FolderEntry {
    std::string name;
    FolderAttributes attributes;
};

struct FolderLinks {
    unsigned long fsType = 0; // as statfs tells it
    unsigned long links = 0;
};

// Whether a node gets an expand button, or its folder has to be looked into first.
enum class ExpandButton { Shown, Hidden, Probe };

// On file systems that count a folder's subfolders in its link count ("." and each child's ".."),
// 2 means none and more means some; others (btrfs, most network and FUSE ones) always report 1
// or a made-up number. Some subfolders are only enough when the tree shows every one.
ExpandButton ExpandButtonFromLinks(const FolderLinks &links, bool showsEverySubfolder);

// Where the tree reads folders from. The file system is the one the program uses; tests count or
// fake the reads through their own.
class FolderSource {
public:
    virtual ~FolderSource() = default;
    // Calls visit for every subfolder of folder (never "." or ".."), in the order the file system
    // gives them, until visit returns false. An unreadable folder visits nothing.
    virtual void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) = 0;
    // The folder's link count with the type of its file system, read without opening it;
    // both 0 when unknown.
    virtual FolderLinks LinksOf(const std::string &folder);
};

class FileSystemFolders : public FolderSource {
public:
    void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) override;
    FolderLinks LinksOf(const std::string &folder) override;

private:
    // The children of a folder live on the one file system: its type is asked once.
    unsigned long long lastDevice_ = 0;
    unsigned long lastFsType_ = 0;
};

// Whether a folder and its attributes may appear in the tree.
using FolderFilter = std::function<bool(const std::string &path, const FolderAttributes &attributes)>;

// The accepted subfolders of folder, sorted by name without regard to case.
std::vector<FolderEntry> ReadSubfolders(FolderSource &source, const std::string &folder, const FolderFilter &accept);

// Whether folder has at least one accepted subfolder; stops reading at the first.
bool HasSubfolder(FolderSource &source, const std::string &folder, const FolderFilter &accept);

} // namespace vistrel
