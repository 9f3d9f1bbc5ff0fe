#include "shellctl/file_transfer.h"

#include "platform/file_io.h"
#include "platform/file_names.h"
#include "shellctl/file_operations.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

bool SameFileSystem(const std::string &a, const std::string &b)
{
    struct stat first {}, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev;
}

// A regular file only; the target is created exclusively, so an existing one is never touched.
bool CopyFile(const std::string &source, const std::string &target)
{
    FileDescriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (from.get() < 0 || ::fstat(from.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    FileDescriptor to(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0777));
    if (to.get() < 0)
        return false;
    if (CopyFileBytes(from.get(), to.get()) && to.Close())
        return true;
    ::unlink(target.c_str());
    return false;
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

std::string LocalFilePath(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

QUrl FileUrl(const std::string &path)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

TransferAction ActionForDrop(const std::string &source, const std::string &targetFolder, bool control, bool shift)
{
    if (control)
        return TransferAction::Copy;
    if (shift)
        return TransferAction::Move;
    return SameFileSystem(source, targetFolder) ? TransferAction::Move : TransferAction::Copy;
}

bool TransferInto(const std::string &source, const std::string &targetFolder, TransferAction action)
{
    const std::string name = ExtractFileName(WithoutTrailingSlashes(source));
    if (name.empty())
        return false;
    struct stat from {}, there {};
    const std::string target = WithTrailingSlash(targetFolder) + name;
    if (::stat(source.c_str(), &from) == 0 && ::stat(target.c_str(), &there) == 0 && from.st_dev == there.st_dev
        && from.st_ino == there.st_ino)
        return false;
    if (action == TransferAction::Move)
        return MoveFileInto(source, targetFolder).outcome == MoveOutcome::Moved;
    return !S_ISDIR(from.st_mode) && CopyFile(source, target);
}

bool DeleteFiles(const std::vector<std::string> &paths)
{
    bool all = true;
    for (const std::string &path : paths) {
        struct stat info {};
        const bool isFolder = ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        if (isFolder || ::unlink(path.c_str()) != 0)
            all = false;
    }
    return all;
}

} // namespace vistrel
