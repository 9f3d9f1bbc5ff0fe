#pragma once

#include <string>
#include <vector>

namespace vistrel {

// The browser pane's own changes to files: moving dropped files into a folder and deleting the
// files selected in the list. Neither ever replaces or removes something the user did not name.

enum class MoveOutcome {
    Moved,
    Unchanged,    // the file already is that folder's entry
    NameTaken,    // the folder has an entry of that name; the file stays where it was
    Failed,       // nothing changed, see reason
    CopiedOnly,   // copied across file systems, but the original could not be removed or changed meanwhile
    CopiedOriginalGone, // copied across file systems, but the original vanished meanwhile
};

struct MoveResult {
    std::string source;
    MoveOutcome outcome = MoveOutcome::Failed;
    std::string reason;
};

// Moves a file (or, within one file system, a folder) into folder under its own name, never over
// an existing entry. Across file systems a file is copied, flushed to disk and only then removed
// from its old place, unless its name no longer holds what was copied (an editor saved over
// it): then both stay. A copy that fails is removed again and the original kept.
MoveResult MoveFileInto(const std::string &source, const std::string &folder);
std::vector<MoveResult> MoveFilesInto(const std::vector<std::string> &sources, const std::string &folder);

// Copies what is left to read of `from` into `to`; false, with errno telling why, on a failure.
bool CopyFileBytes(int from, int to);

struct DeleteResult {
    std::string name;
    bool deleted = false;
    std::string reason;
};

enum class Removal { ToTrash, ForGood };

// Deletes the named entries of folder into the trash or for good. Only files: a folder, or a link
// to one, is left alone; a link to a file is removed as a link, its target stays. Names with a "/"
// are refused. folder is absolute.
std::vector<DeleteResult> DeleteFilesIn(const std::string &folder, const std::vector<std::string> &names,
                                        Removal removal = Removal::ForGood);

// One line for the status bar about what did not happen; empty when everything went as asked.
std::string MoveSummary(const std::vector<MoveResult> &results, const std::string &folder);
std::string DeleteSummary(const std::vector<DeleteResult> &results);

} // namespace vistrel
