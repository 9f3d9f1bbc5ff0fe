#pragma once

#include "platform/error.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vistrel {

// A file that is replaced whole or not at all. The bytes go to a temporary file beside the
// target, named ".<name>.vistrel-XXXXXX", which commit() flushes to the disk and renames over
// the target; until then the target keeps what it held, and unless commit() succeeds the
// destructor removes the temporary file. Writing through a symbolic link replaces the file it
// points to; a read-only file is refused, and a replaced file keeps its permissions. Devices and pipes cannot be replaced and
// are written to directly. Every failure throws Error("Unable to write to <path>: <reason>").
class SafeFile {
public:
    explicit SafeFile(const std::string &path);
    ~SafeFile();
    SafeFile(const SafeFile &) = delete;
    SafeFile &operator=(const SafeFile &) = delete;

    void write(const uint8_t *data, size_t length);
    void commit();

private:
    [[noreturn]] void fail(int error) const;
    [[noreturn]] void fail(const std::string &reason) const;
    void openTemporary(const std::string &target);
    void openDirectly(const std::string &target);
    void flush();
    void writeAll(const uint8_t *data, size_t length);
    void discard();

    static constexpr size_t kBufferSize = 1 << 18;
    std::string path_;
    std::string target_;
    std::string temporary_; // empty when writing directly to a device or pipe
    int fd_ = -1;
    std::vector<uint8_t> buffer_;
};

// The Error of a write to path that failed for reason: "Unable to write to <path>: <reason>".
Error WriteError(const std::string &path, const std::string &reason);

// Writes size bytes as the whole new content of path, through SafeFile.
void WriteFileSafely(const std::string &path, const uint8_t *data, size_t size);

// True for the names SafeFile gives its temporary files.
bool IsSafeFileTemporary(const std::string &fileName);

// Removes the temporary files of SafeFile in `folder` that are older than `minimumAge`: those a
// killed process left behind. Younger ones may belong to a write in progress; no other file is
// touched. Failures are ignored.
void RemoveStaleTemporaryFiles(const std::string &folder,
                               std::chrono::seconds minimumAge = std::chrono::minutes(1));

} // namespace vistrel
