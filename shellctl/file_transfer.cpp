#include "shellctl/file_transfer.h"

#include "platform/file_io.h"
#include "shellctl/folder_items.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

QByteArray Native(const QString &path) { return QFile::encodeName(path); }

bool SameFileSystem(const QString &a, const QString &b)
{
    struct stat first {}, second {};
    return ::stat(Native(a).constData(), &first) == 0 && ::stat(Native(b).constData(), &second) == 0
           && first.st_dev == second.st_dev;
}

bool CopyBytes(int from, int to)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got == 0)
            return true;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
    }
}

// A regular file only; the target is created exclusively, so an existing one is never touched.
bool CopyFile(const QString &source, const QString &target)
{
    FileDescriptor from(::open(Native(source).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (from.get() < 0 || ::fstat(from.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    FileDescriptor to(::open(Native(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0777));
    if (to.get() < 0)
        return false;
    if (CopyBytes(from.get(), to.get()) && to.Close())
        return true;
    ::unlink(Native(target).constData());
    return false;
}

bool MoveWithoutReplacing(const QString &source, const QString &target)
{
    const QByteArray from = Native(source), to = Native(target);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // File systems without the no-replace flag: a hard link also refuses an existing name.
    if (::link(from.constData(), to.constData()) != 0)
        return false;
    ::unlink(from.constData());
    return true;
}

} // namespace

TransferAction ActionForDrop(const QString &source, const QString &targetFolder, bool control, bool shift)
{
    if (control)
        return TransferAction::Copy;
    if (shift)
        return TransferAction::Move;
    return SameFileSystem(source, targetFolder) ? TransferAction::Move : TransferAction::Copy;
}

bool TransferInto(const QString &source, const QString &targetFolder, TransferAction action)
{
    const QFileInfo from(source);
    const QString target = ChildPath(targetFolder, from.fileName());
    if (from.fileName().isEmpty() || QFileInfo(target).absoluteFilePath() == from.absoluteFilePath())
        return false;
    if (action == TransferAction::Move) {
        if (MoveWithoutReplacing(source, target))
            return true;
        if (errno != EXDEV || from.isDir() || !CopyFile(source, target))
            return false;
        return ::unlink(Native(source).constData()) == 0;
    }
    return !from.isDir() && CopyFile(source, target);
}

bool DeleteFiles(const QStringList &paths)
{
    bool all = true;
    for (const QString &path : paths) {
        struct stat info {};
        const bool isFolder = ::lstat(Native(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
        if (isFolder || ::unlink(Native(path).constData()) != 0)
            all = false;
    }
    return all;
}

} // namespace vistrel
