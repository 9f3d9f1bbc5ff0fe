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

SafeFile::SafeFile(const std::string &path, Replacing replacing)
    : path_(path), target_(replacing == Replacing::UsersFile ? resolvedTarget(path) : path)
{
    if (replacing == Replacing::PrivateName) {
        durable_ = false;
        openTemporary(0600);
        return;
    }
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode) && !S_ISDIR(existing.st_mode)) {
        openDirectly();
        return;
    }
    // The rename would replace a file that its owner made read-only.
    if (exists && S_ISREG(existing.st_mode) && ::access(target_.c_str(), W_OK) != 0)
        fail(errno);
    openTemporary(0666);
    if (exists && S_ISREG(existing.st_mode))
        takeOwnerAndMode(existing);
}

SafeFile::~SafeFile()
{
    discard();
}

void SafeFile::openTemporary(mode_t mode)
{
    if (!openUnnamed(mode))
        openNamed(mode);
}

// Where the file system has them: nothing to clean up if the process dies before commit(). They
// are named through /proc, without which they cannot be used.
bool SafeFile::openUnnamed(mode_t mode)
{
    if (::access("/proc/self/fd", X_OK) != 0)
        return false;
    const std::string folder = ExtractFilePath(target_);
    fd_ = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    unnamed_ = fd_ >= 0;
    return unnamed_;
}

void SafeFile::openNamed(mode_t mode)
{
    const std::string prefix = temporaryPrefix(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + randomSuffix();
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            temporary_ = std::move(candidate);
            return;
        }
        if (errno != EEXIST)
            fail(errno);
    }
    fail("no free temporary name");
}

void SafeFile::openDirectly()
{
    direct_ = true;
    // Without O_NONBLOCK a pipe that nobody reads would block here forever.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        fail(errno);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        discard();
        fail(error);
    }
}

// Another user's file, or a group we belong to, stays so where the system lets us; only root
// may give a file away. The set-ID bits are not carried over: the new content was not vetted as
// a program running with someone else's rights.
void SafeFile::takeOwnerAndMode(const struct stat &existing)
{
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
        if (::fchown(fd_, existing.st_uid, existing.st_gid) != 0)
            (void)::fchown(fd_, static_cast<uid_t>(-1), existing.st_gid);
    if (::fchmod(fd_, existing.st_mode & 01777) != 0) {
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

// A name is needed for the rename; it exists only for the moment until the rename.
void SafeFile::nameUnnamed()
{
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    const std::string prefix = temporaryPrefix(target_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + randomSuffix();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = std::move(candidate);
            unnamed_ = false;
            return;
        }
        if (errno != EEXIST)
            fail(errno);
    }
    fail("no free temporary name");
}

void SafeFile::commit()
{
    flush();
    if (!direct_ && durable_ && ::fsync(fd_) != 0)
        fail(errno);
    if (unnamed_)
        nameUnnamed();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        fail(errno);
    if (direct_)
        return;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        fail(errno);
    temporary_.clear();
    if (durable_)
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

void WriteFileSafely(const std::string &path, const uint8_t *data, size_t size, Replacing replacing)
{
    SafeFile file(path, replacing);
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
