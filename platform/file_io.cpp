#include "platform/file_io.h"

#include "platform/error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace vistrel {

namespace {

constexpr size_t kMaxBlocksPerCall = 1024; // IOV_MAX on Linux

[[noreturn]] void throwSystemError()
{
    throw Error(std::strerror(errno));
}

[[noreturn]] void throwTruncated()
{
    throw Error("the file is truncated");
}

} // namespace

FolderEntries::FolderEntries(const std::string &folder) : dir_(::opendir(folder.c_str())) {}

FolderEntries::~FolderEntries()
{
    if (dir_)
        ::closedir(dir_);
}

const dirent *FolderEntries::next()
{
    while (const dirent *entry = dir_ ? ::readdir(dir_) : nullptr) {
        const char *name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
            return entry;
    }
    return nullptr;
}

// Without O_NONBLOCK, opening a FIFO waits for a writer that may never come; regular files ignore
// the flag, and anything else is refused below.
InputFile::InputFile(const std::string &path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK))
{
    if (!fd_.valid())
        throwSystemError();
    struct stat info {};
    if (::fstat(fd_.get(), &info) != 0)
        throwSystemError();
    if (!S_ISREG(info.st_mode))
        throw Error("not a regular file");
    size_ = static_cast<uint64_t>(info.st_size);
}

void RequireRegularFile(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            throw Error("the file does not exist");
        throwSystemError();
    }
    if (!S_ISREG(info.st_mode))
        throw Error("not a regular file");
}

size_t InputFile::readSome(uint8_t *dest, size_t length)
{
    for (;;) {
        const ssize_t got = ::read(fd_.get(), dest, length);
        if (got >= 0)
            return static_cast<size_t>(got);
        if (errno != EINTR)
            throwSystemError();
    }
}

void InputFile::readAt(uint64_t offset, uint8_t *dest, size_t length) const
{
    while (length > 0) {
        const ssize_t got = ::pread(fd_.get(), dest, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throwSystemError();
        if (got == 0)
            throwTruncated();
        dest += got;
        offset += static_cast<uint64_t>(got);
        length -= static_cast<size_t>(got);
    }
}

void InputFile::readBlocksAt(uint64_t offset, size_t length, uint8_t *const *dests, size_t count) const
{
    std::vector<iovec> blocks(std::min(count, kMaxBlocksPerCall));
    size_t done = 0;
    while (done < count) {
        const size_t batch = std::min(count - done, kMaxBlocksPerCall);
        for (size_t i = 0; i < batch; ++i)
            blocks[i] = iovec{dests[done + i], length};
        const size_t wanted = batch * length;
        const ssize_t got = ::preadv(fd_.get(), blocks.data(), static_cast<int>(batch), static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throwSystemError();
        // A short read (rare, e.g. a signal or a file shrinking) finishes block by block.
        const size_t whole = static_cast<size_t>(got) / length;
        if (static_cast<size_t>(got) < wanted) {
            const size_t partial = static_cast<size_t>(got) % length;
            readAt(offset + whole * length + partial, dests[done + whole] + partial, length - partial);
            offset += (whole + 1) * length;
            done += whole + 1;
            continue;
        }
        offset += wanted;
        done += batch;
    }
}

} // namespace vistrel
