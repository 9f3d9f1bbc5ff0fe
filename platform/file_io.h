#pragma once

#include "platform/error.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include <dirent.h>
#include <unistd.h>

namespace vistrel {

// An open file descriptor, closed on every way out; -1 holds none.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closing reports late write errors (network file systems), so writers check it.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// The entries of a folder in the order the file system gives them, without "." and "..". A
// folder that cannot be opened has none.
class FolderEntries {
public:
    explicit FolderEntries(const std::string &folder);
    ~FolderEntries();
    FolderEntries(const FolderEntries &) = delete;
    FolderEntries &operator=(const FolderEntries &) = delete;

    // For the *at calls on the entries; -1 when the folder could not be opened.
    int fd() const { return dir_ ? ::dirfd(dir_) : -1; }
    // The next entry, or nullptr at the end.
    const dirent *next();

private:
    DIR *dir_;
};

// A regular file opened for reading. Errors are thrown as Error with the reason only (the
// codecs add which picture they were reading).
class InputFile {
public:
    explicit InputFile(const std::string &path);

    uint64_t size() const { return size_; }
    // Reads up to `length` bytes at the current position; 0 at the end of the file.
    size_t readSome(uint8_t *dest, size_t length);
    // Fills dest with exactly `length` bytes at `offset`, or throws when the file is shorter.
    void readAt(uint64_t offset, uint8_t *dest, size_t length) const;
    // Reads `count` consecutive blocks of `length` bytes starting at `offset` into `dests`, one
    // block each, with few system calls.
    void readBlocksAt(uint64_t offset, size_t length, uint8_t *const *dests, size_t count) const;

private:
    FileDescriptor fd_;
    uint64_t size_ = 0;
};

// Throws Error("the file does not exist") or Error("not a regular file") without opening the file,
// so a FIFO or device named like a picture never blocks the reader that would open it next.
void RequireRegularFile(const std::string &path);

// Runs `read`, giving its errors the form "Cannot read picture <name>: <reason>" (no name for
// pictures in memory); running out of memory becomes an Error too.
template <typename Read>
auto ReadNamedPicture(const std::string &name, const Read &read) -> decltype(read())
{
    const std::string prefix = name.empty() ? "Cannot read picture: " : "Cannot read picture " + name + ": ";
    try {
        return read();
    } catch (const Error &e) {
        throw Error(prefix + e.what());
    } catch (const std::bad_alloc &) {
        throw Error(prefix + "not enough memory");
    }
}

} // namespace vistrel
