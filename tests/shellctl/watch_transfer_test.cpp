#include "shellctl/file_transfer.h"
#include "shellctl/folder_watch.h"
#include "tests/support/qt_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unistd.h>

namespace vistrel {
namespace {

void Write(const QString &path, const QByteArray &bytes) { ASSERT_TRUE(testing::WriteQtFile(path, bytes)); }

QByteArray Read(const QString &path) { return testing::ReadQtFile(path); }
std::string Raw(const QString &path) { return QFile::encodeName(path).toStdString(); }

// What the watch reported, for the test to wait on.
class Reports {
public:
    TShFileThread::Changed Changed()
    {
        return [this](TShChanges changes) {
            const std::lock_guard<std::mutex> hold(lock_);
            bursts_.push_back(changes);
            signal_.notify_all();
        };
    }
    TShFileThread::Gone Gone()
    {
        return [this] {
            const std::lock_guard<std::mutex> hold(lock_);
            gone_ = true;
            signal_.notify_all();
        };
    }
    bool WaitForBursts(size_t count)
    {
        std::unique_lock<std::mutex> hold(lock_);
        return signal_.wait_for(hold, std::chrono::seconds(30), [&] { return bursts_.size() >= count; });
    }
    bool WaitForGone()
    {
        std::unique_lock<std::mutex> hold(lock_);
        return signal_.wait_for(hold, std::chrono::seconds(30), [&] { return gone_; });
    }
    std::vector<TShChanges> Bursts()
    {
        const std::lock_guard<std::mutex> hold(lock_);
        return bursts_;
    }

private:
    std::mutex lock_;
    std::condition_variable signal_;
    std::vector<TShChanges> bursts_;
    bool gone_ = false;
};

// The quiet spell is long here so that a slow machine cannot split one burst in two.
constexpr int kQuietMs = 1500;

TEST(FolderWatch, BurstOfChangesIsReportedOnceWithEveryKind)
{
    QTemporaryDir dir;
    Reports reports;
    TShWatchQueue queue;
    TShFileThread watch(queue, dir.path(), reports.Changed(), reports.Gone(), kQuietMs);
    ASSERT_TRUE(watch.Watching());
    for (int i = 0; i < 30; ++i)
        Write(dir.filePath(QString("shot%1.jpg").arg(i)), "x");
    QDir(dir.path()).mkdir("sub");
    ASSERT_TRUE(reports.WaitForBursts(1));
    Write(dir.filePath("shot0.jpg"), "longer contents");
    ASSERT_TRUE(reports.WaitForBursts(2));
    const std::vector<TShChanges> bursts = reports.Bursts();
    ASSERT_EQ(bursts.size(), 2u);
    EXPECT_EQ(bursts[0] & (kChangeFileName | kChangeDirName), kChangeFileName | kChangeDirName);
    EXPECT_EQ(bursts[1] & (kChangeFileName | kChangeDirName), 0);
    EXPECT_NE(bursts[1] & kChangeSize, 0);
}

TEST(FolderWatch, DeletedFolderEndsTheWatch)
{
    QTemporaryDir parent;
    const QString folder = parent.filePath("shown");
    ASSERT_TRUE(QDir().mkdir(folder));
    Reports reports;
    TShWatchQueue queue;
    TShFileThread watch(queue, folder, reports.Changed(), reports.Gone(), 100);
    Write(folder + "/a.jpg", "x");
    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_TRUE(reports.WaitForGone());
}

TEST(FolderWatch, NextWatchOnTheQueueIgnoresWhatTheLastOneLeft)
{
    QTemporaryDir first, second;
    TShWatchQueue queue;
    Reports reports;
    {
        Reports earlier;
        TShFileThread watch(queue, first.path(), earlier.Changed(), earlier.Gone(), 100);
    } // its removal leaves an event on the queue
    TShFileThread watch(queue, second.path(), reports.Changed(), reports.Gone(), 100);
    Write(first.filePath("unwatched.jpg"), "x");
    Write(second.filePath("a.jpg"), "x");
    // Taking the earlier removal for its own would end the watch before any burst.
    EXPECT_TRUE(reports.WaitForBursts(1));
}

TEST(FolderWatch, MissingFolderIsNotWatched)
{
    Reports reports;
    TShWatchQueue queue;
    TShFileThread watch(queue, "/no/such/folder", reports.Changed(), reports.Gone());
    EXPECT_FALSE(watch.Watching());
}

TEST(FileTransfer, NeverReplacesAnExistingFile)
{
    QTemporaryDir from, to;
    Write(from.filePath("a.jpg"), "new");
    Write(to.filePath("a.jpg"), "old");
    for (TransferAction action : {TransferAction::Copy, TransferAction::Move})
        EXPECT_FALSE(TransferInto(Raw(from.filePath("a.jpg")), Raw(to.path()), action));
    EXPECT_EQ(Read(to.filePath("a.jpg")), "old");
    EXPECT_EQ(Read(from.filePath("a.jpg")), "new");
}

TEST(FileTransfer, CopiesAndMovesFilesAndMovesFolders)
{
    QTemporaryDir from, to;
    Write(from.filePath("a.jpg"), "aaa");
    Write(from.filePath("b.jpg"), "bbb");
    QDir(from.path()).mkpath("sub/inner");
    EXPECT_TRUE(TransferInto(Raw(from.filePath("a.jpg")), Raw(to.path()), TransferAction::Copy));
    EXPECT_TRUE(TransferInto(Raw(from.filePath("b.jpg")), Raw(to.path()), TransferAction::Move));
    EXPECT_FALSE(TransferInto(Raw(from.filePath("sub")), Raw(to.path()), TransferAction::Copy));
    EXPECT_TRUE(TransferInto(Raw(from.filePath("sub")), Raw(to.path()), TransferAction::Move));
    EXPECT_EQ(Read(to.filePath("a.jpg")), "aaa");
    EXPECT_EQ(Read(from.filePath("a.jpg")), "aaa");
    EXPECT_EQ(Read(to.filePath("b.jpg")), "bbb");
    EXPECT_FALSE(QFile::exists(from.filePath("b.jpg")));
    EXPECT_TRUE(QDir(to.filePath("sub/inner")).exists());
    EXPECT_FALSE(TransferInto(Raw(to.filePath("a.jpg")), Raw(to.path()), TransferAction::Move)); // onto itself
}

// Names that are not UTF-8 reach the file system byte for byte, from a dropped URL on.
TEST(FileTransfer, NamesInAnyEncodingAreCopiedMovedAndDeleted)
{
    QTemporaryDir from, to;
    const std::string name = "/caf\xe9.jpg"; // Latin-1
    const std::string source = Raw(from.path()) + name, copy = Raw(to.path()) + name;
    ASSERT_TRUE(testing::WriteQtFile(from.filePath("plain.jpg"), "bytes"));
    ASSERT_EQ(::rename(Raw(from.filePath("plain.jpg")).c_str(), source.c_str()), 0);
    const QUrl dropped = QUrl::fromEncoded("file://" + QByteArray::fromStdString(source).toPercentEncoding("/"));
    EXPECT_EQ(LocalFilePath(dropped), source);

    EXPECT_TRUE(TransferInto(source, Raw(to.path()), TransferAction::Copy));
    EXPECT_TRUE(DeleteFiles({source}));
    EXPECT_TRUE(TransferInto(copy, Raw(from.path()), TransferAction::Move));
    EXPECT_EQ(::access(source.c_str(), F_OK), 0);
    EXPECT_NE(::access(copy.c_str(), F_OK), 0);
}

TEST(FileTransfer, DropActionFollowsTheKeysAndTheFileSystem)
{
    QTemporaryDir a, b;
    EXPECT_EQ(ActionForDrop(Raw(a.path()), Raw(b.path()), true, false), TransferAction::Copy);
    EXPECT_EQ(ActionForDrop(Raw(a.path()), Raw(b.path()), false, true), TransferAction::Move);
    EXPECT_EQ(ActionForDrop(Raw(a.path()), Raw(b.path()), false, false), TransferAction::Move);
    if (QFileInfo("/proc").exists()) {
        EXPECT_EQ(ActionForDrop("/proc/self/status", Raw(b.path()), false, false), TransferAction::Copy);
    }
}

TEST(FileTransfer, DeletesFilesButNeverFoldersOrLinkTargets)
{
    QTemporaryDir dir, elsewhere;
    Write(dir.filePath("a.jpg"), "a");
    Write(elsewhere.filePath("target.jpg"), "keep");
    QDir(dir.path()).mkdir("sub");
    ASSERT_EQ(::symlink(QFile::encodeName(elsewhere.filePath("target.jpg")).constData(),
                        QFile::encodeName(dir.filePath("link.jpg")).constData()),
              0);
    EXPECT_TRUE(DeleteFiles({Raw(dir.filePath("a.jpg")), Raw(dir.filePath("link.jpg"))}));
    EXPECT_FALSE(QFile::exists(dir.filePath("a.jpg")));
    EXPECT_FALSE(QFileInfo(dir.filePath("link.jpg")).isSymLink());
    EXPECT_EQ(Read(elsewhere.filePath("target.jpg")), "keep");
    EXPECT_FALSE(DeleteFiles({Raw(dir.filePath("sub"))}));
    EXPECT_TRUE(QDir(dir.filePath("sub")).exists());
}

} // namespace
} // namespace vistrel
