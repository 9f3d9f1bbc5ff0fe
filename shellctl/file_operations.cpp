#include "shellctl/file_operations.h"

#include "platform/file_io.h"
#include "platform/error.h"
#include "platform/file_names.h"
#include "shellctl/trash.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace vistrel {

namespace {

std::string SystemReason(int error) { return std::strerror(error); }

std::string BaseName(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

MoveResult Result(const std::string &source, MoveOutcome outcome, std::string reason = {})
{
    return {source, outcome, std::move(reason)};
}

bool WriteAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Copies the bytes, mode and times of an open file into a new one; errno tells why it failed.
bool CopyContents(int from, int to, const struct stat &status)
{
    if (!CopyFileBytes(from, to))
        return false;
    const struct timespec times[2] = {status.st_atim, status.st_mtim};
    return ::fchmod(to, status.st_mode & 07777) == 0 && ::futimens(to, times) == 0 && ::fsync(to) == 0;
}

// The new name reaches the disk before the old file goes; file systems that cannot flush a
// folder are taken as they are.
void SyncFolderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() >= 0)
        ::fsync(directory.get());
}

bool SameVersion(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec
           && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Removes the original after its copy, unless its name now holds something else than what was
// copied: a file saved over it by a rename, or one written to in place.
MoveResult RemoveCopiedOriginal(const std::string &source, int from, const struct stat &copied)
{
    struct stat now {};
    struct stat named {};
    if (::lstat(source.c_str(), &named) != 0)
        return errno == ENOENT ? Result(source, MoveOutcome::CopiedOriginalGone)
                               : Result(source, MoveOutcome::CopiedOnly, SystemReason(errno));
    if (::fstat(from, &now) != 0 || !SameVersion(now, copied) || !SameVersion(named, copied))
        return Result(source, MoveOutcome::CopiedOnly, "it changed while it was copied");
    if (::unlink(source.c_str()) != 0)
        return Result(source, MoveOutcome::CopiedOnly, SystemReason(errno));
    return Result(source, MoveOutcome::Moved);
}

MoveResult CopyThenDelete(const std::string &source, const std::string &target, const struct stat &named)
{
    if (!S_ISREG(named.st_mode))
        return Result(source, MoveOutcome::Failed, "only files can be moved to another file system");
    FileDescriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat status {};
    if (from.get() < 0 || ::fstat(from.get(), &status) != 0)
        return Result(source, MoveOutcome::Failed, SystemReason(errno));
    if (!SameVersion(status, named))
        return Result(source, MoveOutcome::Failed, "it changed while it was being moved");
    FileDescriptor to(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (to.get() < 0)
        return errno == EEXIST ? Result(source, MoveOutcome::NameTaken)
                               : Result(source, MoveOutcome::Failed, SystemReason(errno));
    if (!CopyContents(from.get(), to.get(), status) || !to.Close()) {
        const int error = errno;
        ::unlink(target.c_str());
        return Result(source, MoveOutcome::Failed, SystemReason(error));
    }
    SyncFolderOf(target);
    return RemoveCopiedOriginal(source, from.get(), status);
}

// For file systems without an exclusive rename: a hard link claims the name or fails; the last
// resort checks the name first and accepts the small race.
MoveResult RenameWithoutExclusiveFlag(const std::string &source, const std::string &target,
                                      const struct stat &status)
{
    if (S_ISREG(status.st_mode)) {
        if (::link(source.c_str(), target.c_str()) == 0)
            return ::unlink(source.c_str()) == 0 ? Result(source, MoveOutcome::Moved)
                                                 : Result(source, MoveOutcome::CopiedOnly, SystemReason(errno));
        if (errno == EEXIST)
            return Result(source, MoveOutcome::NameTaken);
        if (errno == EXDEV)
            return CopyThenDelete(source, target, status);
    }
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0)
        return Result(source, MoveOutcome::NameTaken);
    if (::rename(source.c_str(), target.c_str()) == 0)
        return Result(source, MoveOutcome::Moved);
    return errno == EXDEV ? CopyThenDelete(source, target, status)
                          : Result(source, MoveOutcome::Failed, SystemReason(errno));
}

bool IsInside(const std::string &path, const std::string &folder)
{
    const std::string prefix = WithTrailingSlash(folder);
    return path.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

bool CopyFileBytes(int from, int to)
{
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        if (!WriteAll(to, buffer.data(), static_cast<size_t>(got)))
            return false;
    }
}

MoveResult MoveFileInto(const std::string &source, const std::string &folder)
{
    struct stat status {};
    if (::lstat(source.c_str(), &status) != 0)
        return Result(source, MoveOutcome::Failed, SystemReason(errno));
    const std::string target = WithTrailingSlash(folder) + BaseName(source);
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0 && existing.st_dev == status.st_dev && existing.st_ino == status.st_ino)
        return Result(source, MoveOutcome::Unchanged);
    if (S_ISDIR(status.st_mode) && IsInside(target, source))
        return Result(source, MoveOutcome::Failed, "a folder cannot be moved into itself");
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return Result(source, MoveOutcome::Moved);
    switch (errno) {
    case EEXIST: return Result(source, MoveOutcome::NameTaken);
    case EXDEV: return CopyThenDelete(source, target, status);
    case EINVAL:
    case ENOSYS: return RenameWithoutExclusiveFlag(source, target, status);
    default: return Result(source, MoveOutcome::Failed, SystemReason(errno));
    }
}

std::vector<MoveResult> MoveFilesInto(const std::vector<std::string> &sources, const std::string &folder)
{
    std::vector<MoveResult> results;
    results.reserve(sources.size());
    for (const std::string &source : sources)
        results.push_back(MoveFileInto(source, folder));
    return results;
}

namespace {

std::string Removed(int directory, const std::string &folder, const std::string &name, Removal removal)
{
    if (removal == Removal::ForGood)
        return ::unlinkat(directory, name.c_str(), 0) == 0 ? std::string() : SystemReason(errno);
    try {
        MoveToTrash((folder.back() == '/' ? folder : folder + '/') + name);
        return {};
    } catch (const Error &error) {
        return error.what();
    }
}

} // namespace

std::vector<DeleteResult> DeleteFilesIn(const std::string &folder, const std::vector<std::string> &names,
                                        Removal removal)
{
    std::vector<DeleteResult> results;
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const int openError = errno;
    for (const std::string &name : names) {
        DeleteResult result{name, false, {}};
        struct stat status {};
        struct stat target {};
        if (directory.get() < 0)
            result.reason = SystemReason(openError);
        else if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
            result.reason = "not a file name";
        else if (::fstatat(directory.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            result.reason = SystemReason(errno);
        else if (S_ISDIR(status.st_mode) ||
                 (S_ISLNK(status.st_mode) && ::fstatat(directory.get(), name.c_str(), &target, 0) == 0 &&
                  S_ISDIR(target.st_mode)))
            result.reason = "it is a folder";
        else
            result.reason = Removed(directory.get(), folder, name, removal);
        result.deleted = result.reason.empty();
        results.push_back(std::move(result));
    }
    return results;
}

namespace {

std::string MoveLine(const MoveResult &result, const std::string &folder)
{
    const std::string name = "\"" + BaseName(result.source) + "\"";
    switch (result.outcome) {
    case MoveOutcome::NameTaken: return name + " was not moved: " + folder + " already holds a file of that name";
    case MoveOutcome::Failed: return name + " was not moved: " + result.reason;
    case MoveOutcome::CopiedOnly: return name + " was copied, but the original stays: " + result.reason;
    case MoveOutcome::CopiedOriginalGone: return name + " was copied, but the original vanished while it was copied";
    case MoveOutcome::Moved:
    case MoveOutcome::Unchanged: break;
    }
    return {};
}

std::string WithCountOfOthers(const std::string &first, size_t others)
{
    return others == 0 ? first : first + " (and " + std::to_string(others) + " more)";
}

} // namespace

std::string MoveSummary(const std::vector<MoveResult> &results, const std::string &folder)
{
    std::string first;
    size_t others = 0;
    for (const MoveResult &result : results) {
        const std::string line = MoveLine(result, folder);
        if (line.empty())
            continue;
        if (first.empty())
            first = line;
        else
            ++others;
    }
    return first.empty() ? first : WithCountOfOthers(first, others);
}

std::string DeleteSummary(const std::vector<DeleteResult> &results)
{
    std::string first;
    size_t others = 0;
    for (const DeleteResult &result : results) {
        if (result.deleted)
            continue;
        if (first.empty())
            first = "\"" + result.name + "\" was not deleted: " + result.reason;
        else
            ++others;
    }
    return first.empty() ? first : WithCountOfOthers(first, others);
}

} // namespace vistrel
