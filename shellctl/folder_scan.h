#pragma once

#include "shellctl/dir_tree_rules.h"

#include <cstdint>
#include <functional>
#include <memory>
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
// fake the reads through their own. The tree calls it from its window's thread and from its
// prober's threads at the same time.
class FolderSource {
public:
    virtual ~FolderSource() = default;
    // Calls visit for every subfolder of folder (never "." or ".."), in the order the file system
    // gives them, until visit returns false. An unreadable folder visits nothing.
    virtual void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) = 0;
    // The link count of each folder (ending in "/") with the type of its file system, read
    // without opening it; both 0 when unknown.
    virtual std::vector<FolderLinks> LinksOf(const std::vector<std::string> &folders);
};

class FileSystemFolders : public FolderSource {
public:
    void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) override;
    std::vector<FolderLinks> LinksOf(const std::vector<std::string> &folders) override;
};

// Whether a folder and its attributes may appear in the tree.
using FolderFilter = std::function<bool(const std::string &path, const FolderAttributes &attributes)>;

// The accepted subfolders of folder, sorted by name without regard to case; an empty filter
// accepts every one.
std::vector<FolderEntry> ReadSubfolders(FolderSource &source, const std::string &folder, const FolderFilter &accept);

// Whether folder has at least one accepted subfolder; stops reading at the first.
bool HasSubfolder(FolderSource &source, const std::string &folder, const FolderFilter &accept);

// Decides on threads of its own whether folders have subfolders to show, so that a wide folder's
// expand buttons never hold the window. Questions are taken in the order asked; answers wait in a
// batch until taken.
class SubfolderProber {
public:
    struct Question {
        uint64_t ticket;
        std::string folder;  // ends in "/"
        bool ownerFilters;   // the owner's filter has the last word, on its own thread
    };
    struct Answer {
        uint64_t ticket;
        // Shown or Hidden; Probe when the owner's filter decides among the candidates.
        ExpandButton button;
        std::vector<std::string> candidates; // the subfolders the rules accept, each ending in "/"
    };

    // answersWaiting is called on one of the prober's threads when answers come where none were
    // waiting, and with the last answer to the questions asked.
    SubfolderProber(std::shared_ptr<FolderSource> source, const FolderRules &rules,
                    std::function<void()> answersWaiting);
    // Questions not begun are dropped and nothing more is reported. Folders in hand are not
    // waited for: the threads end on their own after them, so a file system that hangs never
    // holds the caller.
    ~SubfolderProber();
    SubfolderProber(const SubfolderProber &) = delete;
    SubfolderProber &operator=(const SubfolderProber &) = delete;

    void Ask(std::vector<Question> questions);
    // Replaces answers with those waiting; its room is kept for the next ones.
    void TakeAnswers(std::vector<Answer> &answers);
    // No question waits or is being answered.
    bool Idle() const;

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared> &shared);
    static std::vector<Answer> ProbeAll(Shared &shared, std::vector<Question> &questions);
    static Answer Probe(Shared &shared, const Question &question, const std::string &folder, const FolderLinks &links);

    std::shared_ptr<Shared> shared_;
};

} // namespace vistrel
