#pragma once

#include "platform/error.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace vistrel {

// What SafeFile replaces.
enum class Replacing {
    // The user's file: the one a symbolic link points to. A read-only file is refused; the new
    // one keeps the old one's owner and permissions where the writer may give them, but never
    // the set-user-ID and set-group-ID bits. Devices and pipes are written to directly.
    UsersFile,
    // The name in a folder of the writer's own (a cache): whatever is there, a symbolic link or
    // another user's file, is replaced and never opened, by a file only its owner may read. Such
    // a file can be made again and its reader drops a damaged one, so it is not forced to the disk.
    PrivateName,
};

// A file that is replaced whole or not at all. The bytes go to an unnamed file in the target's
// folder (a named one, ".<name>.vistrel-XXXXXX", where the file system has no unnamed files),
// which commit() flushes to the disk, names and renames over the target at once; until then the
// target keeps what it held, and a process killed on the way leaves nothing behind. Unless
// commit() succeeds the destructor drops the new file. Other hard links to the target keep the
// old content. Every failure throws Error("Unable to write to <path>: <reason>").
class SafeFile {
public:
    explicit SafeFile(const std::string &path, Replacing replacing = Replacing::UsersFile);
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    void write(const uint8_t *data, size_t length);
    void commit();

private:
    [[noreturn]] void fail(int error) const;
    [[noreturn]] void fail(const std::string &reason) const;
    void openTemporary(mode_t mode);
    bool openUnnamed(mode_t mode);
    void openNamed(mode_t mode);
    void openDirectly();
    void takeOwnerAndMode(const struct stat &existing);
    void nameUnnamed();
    void flush();
    void writeAll(const uint8_t *data, size_t length);
    void discard();

    static constexpr size_t kBufferSize = 1 << 18;
    std::string path_;
    std::string target_;
    std::string temporary_; // the new file's name while it has one
    bool unnamed_ = false;  // the new file has no name yet
    bool direct_ = false;   // writing straight to a device or pipe
    bool durable_ = true;   // commit() waits until the file and its name are on the disk
    int fd_ = -1;
    std::vector<uint8_t> buffer_;
};

// The Error of a write to path that failed for reason: "Unable to write to <path>: <reason>".
Error WriteError(const std::string &path, const std::string &reason);

// Writes size bytes as the whole new content of path, through SafeFile.
void WriteFileSafely(const std::string &path, const uint8_t *data, size_t size,
                     Replacing replacing = Replacing::UsersFile);

// True for the names SafeFile gives its temporary files.
bool IsSafeFileTemporary(const std::string &fileName);

// Removes the temporary files of SafeFile in `folder` that are older than `minimumAge`: those a
// killed process left behind. Younger ones may belong to a write in progress; no other file is
// touched. Failures are ignored.
void RemoveStaleTemporaryFiles(const std::string &folder,
                               std::chrono::seconds minimumAge = std::chrono::minutes(1));

} // namespace vistrel
