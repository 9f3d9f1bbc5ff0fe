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

// Where the tree reads folders from. The file system is the one the program uses; tests count or
// fake the reads through their own.
class FolderSource {
public:
    virtual ~FolderSource() = default;
    // Calls visit for every subfolder of folder (never "." or ".."), in the order the file system
    // gives them, until visit returns false. An unreadable folder visits nothing.
    virtual void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) = 0;
};

class FileSystemFolders : public FolderSource {
public:
    void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) override;
};

// Whether a folder and its attributes may appear in the tree.
using FolderFilter = std::function<bool(const std::string &path, const FolderAttributes &attributes)>;

// The accepted subfolders of folder, sorted by name without regard to case.
std::vector<FolderEntry> ReadSubfolders(FolderSource &source, const std::string &folder, const FolderFilter &accept);

// Whether folder has at least one accepted subfolder; stops reading at the first.
bool HasSubfolder(FolderSource &source, const std::string &folder, const FolderFilter &accept);

} // namespace vistrel
