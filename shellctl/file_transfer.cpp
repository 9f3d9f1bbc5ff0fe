#include "shellctl/file_transfer.h"

#include "platform/file_io.h"
#include "shellctl/file_operations.h"
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
    if (CopyFileBytes(from.get(), to.get()) && to.Close())
        return true;
    ::unlink(Native(target).constData());
    return false;
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
    if (action == TransferAction::Move)
        return MoveFileInto(Native(source).toStdString(), Native(targetFolder).toStdString()).outcome
               == MoveOutcome::Moved;
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
