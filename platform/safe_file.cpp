#include "platform/safe_file.h"

#include "platform/file_io.h"
#include "platform/file_names.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

const char kTemporaryMark[] = ".vistrel-";
constexpr size_t kMarkLength = sizeof kTemporaryMark - 1;
constexpr size_t kSuffixLength = 6;
constexpr size_t kMaxNameLength = NAME_MAX;
const char kSuffixCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::string randomSuffix()
{
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kSuffixCharacters - 2);
    std::string suffix(kSuffixLength, ' ');
    for (char &c : suffix)
        c = kSuffixCharacters[pick(random)];
    return suffix;
}

// ".<name>.vistrel-" in the target's folder: hidden, recognisable, and on the same file system
// for the rename. Long names are shortened so that the temporary name still fits.
std::string temporaryPrefix(const std::string &target)
{
    const std::string folder = ExtractFilePath(target);
    const std::string name = target.substr(folder.size());
    const size_t room = kMaxNameLength - 1 - kMarkLength - kSuffixLength;
    return folder + "." + name.substr(0, room) + kTemporaryMark;
}

// Writing through a symbolic link replaces the file it points to, not the link.
std::string resolvedTarget(const std::string &path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

// The new file should be as durable as its content: its folder entry goes to the disk too.
void syncFolderOf(const std::string &path)
{
    const std::string folder = ExtractFilePath(path);
    const FileDescriptor folderFd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.valid())
        ::fsync(folderFd.get());
}

bool isSuffixCharacter(char c)
{
    return c != '\0' && std::strchr(kSuffixCharacters, c) != nullptr;
}

} // namespace

SafeFile::SafeFile(const std::string &path) : path_(path), target_(resolvedTarget(path))
{
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode)) {
        openDirectly(target_);
        return;
    }
    // The rename would replace a file that its owner made read-only.
    if (exists && S_ISREG(existing.st_mode) && ::access(target_.c_str(), W_OK) != 0)
        fail(errno);
    openTemporary(target_);
    // A replaced file keeps its permissions; a new one gets those of the umask.
    if (exists && S_ISREG(existing.st_mode) && ::fchmod(fd_, existing.st_mode & 07777) != 0) {
        const int error = errno;
        discard();
        fail(error);
    }
}

SafeFile::~SafeFile()
{
    discard();
}

void SafeFile::openTemporary(const std::string &target)
{
    const std::string prefix = temporaryPrefix(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + randomSuffix();
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = std::move(candidate);
            return;
        }
        if (errno != EEXIST)
            fail(errno);
    }
    fail("no free temporary name");
}

void SafeFile::openDirectly(const std::string &target)
{
    // Without O_NONBLOCK a pipe that nobody reads would block here forever.
    fd_ = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        fail(errno);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        discard();
        fail(error);
    }
}

void SafeFile::write(const uint8_t *data, size_t length)
{
    // Row-by-row writers would otherwise cost one system call per row.
    if (buffer_.size() + length > kBufferSize)
        flush();
    if (length >= kBufferSize)
        writeAll(data, length);
    else
        buffer_.insert(buffer_.end(), data, data + length);
}

void SafeFile::flush()
{
    writeAll(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void SafeFile::writeAll(const uint8_t *data, size_t length)
{
    while (length > 0) {
        const ssize_t put = ::write(fd_, data, length);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            fail(errno);
        if (put == 0)
            fail(ENOSPC);
        data += put;
        length -= static_cast<size_t>(put);
    }
}

void SafeFile::commit()
{
    flush();
    if (!temporary_.empty() && ::fsync(fd_) != 0)
        fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (temporary_.empty())
        return;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        fail(errno);
    temporary_.clear();
    syncFolderOf(target_);
}

void SafeFile::discard()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

void SafeFile::fail(int error) const
{
    fail(std::strerror(error));
}

void SafeFile::fail(const std::string &reason) const
{
    throw WriteError(path_, reason);
}

Error WriteError(const std::string &path, const std::string &reason)
{
    return Error("Unable to write to " + path + ": " + reason);
}

void WriteFileSafely(const std::string &path, const uint8_t *data, size_t size)
{
    SafeFile file(path);
    file.write(data, size);
    file.commit();
}

bool IsSafeFileTemporary(const std::string &fileName)
{
    const size_t tail = kMarkLength + kSuffixLength;
    if (fileName.size() < 2 + tail || fileName[0] != '.')
        return false;
    const size_t mark = fileName.size() - tail;
    if (fileName.compare(mark, kMarkLength, kTemporaryMark) != 0)
        return false;
    for (size_t i = mark + kMarkLength; i < fileName.size(); ++i)
        if (!isSuffixCharacter(fileName[i]))
            return false;
    return true;
}

void RemoveStaleTemporaryFiles(const std::string &folder, std::chrono::seconds minimumAge)
{
    FolderEntries entries(folder);
    const time_t limit = ::time(nullptr) - static_cast<time_t>(minimumAge.count());
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    while (const dirent *entry = entries.next()) {
        if (!IsSafeFileTemporary(entry->d_name))
            continue;
        const std::string path = base + entry->d_name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_mtime < limit)
            ::unlink(path.c_str());
    }
}

} // namespace vistrel
