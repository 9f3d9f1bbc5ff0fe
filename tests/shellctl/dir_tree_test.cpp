#include "platform/error.h"
#include "shellctl/dir_tree.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace vistrel {

namespace {

// The file system, with a record of every folder read.
class RecordingFolders : public FolderSource {
public:
    void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) override
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            scanned.push_back(folder);
        }
        files_.ScanSubfolders(folder, visit);
    }
    std::vector<std::string> scanned;

private:
    std::mutex mutex_;
    FileSystemFolders files_;
};

// The file system without link counts, as on btrfs, where the prober's looks into the folders
// below one folder wait until the gate opens; the window's own reads pass.
class GatedFolders : public FileSystemFolders {
public:
    explicit GatedFolders(std::string below) : below_(std::move(below)) {}
    std::vector<FolderLinks> LinksOf(const std::vector<std::string> &folders) override { return std::vector<FolderLinks>(folders.size()); }
    void ScanSubfolders(const std::string &folder, const std::function<bool(const FolderEntry &)> &visit) override
    {
        const bool gated = folder.size() > below_.size() && folder.compare(0, below_.size(), below_) == 0 &&
                           std::this_thread::get_id() != window_;
        if (gated) {
            std::unique_lock<std::mutex> lock(mutex_);
            ++waiting;
            opened_.wait(lock, [this] { return open_; });
        }
        FileSystemFolders::ScanSubfolders(folder, visit);
        if (gated)
            ++passed;
    }
    void Open()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    std::atomic<int> waiting{0};
    std::atomic<int> passed{0};

private:
    const std::string below_;
    const std::thread::id window_ = std::this_thread::get_id();
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

QTreeWidgetItem *ChildNamed(QTreeWidgetItem *node, const QString &name)
{
    for (int i = 0; node && i < node->childCount(); ++i)
        if (node->child(i)->text(0) == name)
            return node->child(i);
    return nullptr;
}

// An unread folder shows its expand button before its children are read.
bool HasExpandButton(const QTreeWidgetItem *node)
{
    return node && node->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

QStringList ChildTexts(const QTreeWidgetItem *node)
{
    QStringList texts;
    for (int i = 0; node && i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QTreeWidgetItem *TopLevelShowing(const TDirTree &tree, const QString &mountPoint)
{
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        if (tree.topLevelItem(i)->toolTip(0) == mountPoint)
            return tree.topLevelItem(i);
    return nullptr;
}

// Folders made by their bytes, removed again however the test ends.
class RawFolders {
public:
    ~RawFolders()
    {
        for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder)
            ::rmdir(folder->c_str());
    }
    bool Make(const std::string &folder)
    {
        if (::mkdir(folder.c_str(), 0755) != 0)
            return false;
        made_.push_back(folder);
        return true;
    }

private:
    std::vector<std::string> made_;
};

// RAM file systems mounted by a test (root only), unmounted again however the test ends.
class RamDisks {
public:
    ~RamDisks()
    {
        for (auto point = points_.rbegin(); point != points_.rend(); ++point)
            ::umount2(point->constData(), MNT_DETACH);
    }
    bool Mount(const QString &point)
    {
        const QByteArray path = point.toLocal8Bit();
        if (::mount("tmpfs", path.constData(), "tmpfs", 0, "size=64k") != 0)
            return false;
        points_.push_back(path);
        return true;
    }
    bool UnmountLast()
    {
        const bool done = !points_.empty() && ::umount2(points_.back().constData(), MNT_DETACH) == 0;
        if (done)
            points_.pop_back();
        return done;
    }

private:
    std::vector<QByteArray> points_;
};

} // namespace

class DirTreeTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QVERIFY(folder_.isValid()); }

    void selectingADeepPathReadsOnlyTheLevelsOnTheWayAndProbesTheFoldersBeside()
    {
        QString deep = Path("");
        std::vector<std::string> levels;
        for (int i = 0; i < 30; ++i) {
            QVERIFY(QDir().mkpath(deep + "/side" + QString::number(i) + "/below"));
            deep += "/level" + QString::number(i);
            levels.push_back((deep + '/').toStdString());
        }
        QVERIFY(QDir().mkpath(deep));
        auto recording = std::make_shared<RecordingFolders>();
        TDirTree tree;
        tree.setFolderSource(recording);
        tree.setSelectedPath(Path("").toStdString());
        QTRY_COMPARE(tree.PendingProbes(), 0);
        recording->scanned.clear();

        tree.setSelectedPath(deep.toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), deep + '/');
        QCOMPARE(recording->scanned, levels);

        // The folders beside the way get their expand buttons without their parent being reopened.
        QTreeWidgetItem *level0 = tree.currentItem();
        while (level0->text(0) != "level0")
            level0 = level0->parent();
        QTRY_COMPARE(tree.PendingProbes(), 0);
        QVERIFY(HasExpandButton(ChildNamed(level0, "side1")));
        QCOMPARE(ChildNamed(level0, "level1")->childCount(), 2);
    }

    void openingAFolderReadsOneLevelAndProbesTheNext()
    {
        QVERIFY(QDir().mkpath(Path("A/withChild/child")));
        QVERIFY(QDir().mkpath(Path("A/empty")));
        QVERIFY(QDir().mkpath(Path("A/.hidden/child")));
        TDirTree tree;
        tree.setSelectedPath(Path("A").toStdString());
        QTreeWidgetItem *a = tree.currentItem();
        QCOMPARE(a->childCount(), 3); // read on the way, in order without regard to case
        a->setExpanded(true);
        QTRY_COMPARE(tree.PendingProbes(), 0);
        QVERIFY(HasExpandButton(ChildNamed(a, "withChild")));
        QCOMPARE(ChildNamed(a, "withChild")->childCount(), 0); // not read yet
        QVERIFY(!HasExpandButton(ChildNamed(a, "empty")));
        QCOMPARE(ChildNamed(a, "empty")->childCount(), 0);
        QVERIFY(HasExpandButton(ChildNamed(a, ".hidden")));

        ChildNamed(a, "withChild")->setExpanded(true);
        QCOMPARE(ChildNamed(ChildNamed(a, "withChild"), "child")->text(0), QString("child"));
    }

    // Names are shown decoded, while paths keep the bytes on disk, also those that are no UTF-8.
    void namesAreShownDecodedAndPathsKeepTheirBytes()
    {
        const std::string parent = Path("N").toStdString() + '/';
        const std::string names[] = {"plain", "\xc3\xa9" "cole", "\xd9\x85\xd8\xac\xd9\x84\xd8\xaf", "raw\xff"};
        QVERIFY(QDir().mkpath(Path("N")));
        RawFolders folders; // QTemporaryDir cannot remove a name that is no UTF-8
        for (const std::string &name : names) {
            QVERIFY(folders.Make(parent + name));
            QVERIFY(folders.Make(parent + name + "/inner"));
        }
        TDirTree tree;
        tree.setSelectedPath(parent);
        QTreeWidgetItem *n = tree.currentItem();
        n->setExpanded(true);
        for (const std::string &name : names) {
            QTreeWidgetItem *node = ChildNamed(n, QString::fromUtf8(name.data(), static_cast<int>(name.size())));
            QVERIFY2(node, name.c_str());
            tree.setCurrentItem(node);
            QCOMPARE(tree.SelectedPath(), parent + name + '/');
            node->setExpanded(true);
            QCOMPARE(ChildTexts(node), QStringList({"inner"}));
        }
    }

    void aFolderThatDoesNotAnswerHoldsNeitherTheWindowNorTheNodesClosedOrGoneMeanwhile()
    {
        for (const char *folder : {"P/a/inner", "P/b/inner", "P/c", "P/d"})
            QVERIFY(QDir().mkpath(Path(folder)));
        auto gate = std::make_shared<GatedFolders>(Path("P/").toStdString());
        TDirTree tree;
        tree.setFolderSource(gate);
        tree.resize(300, 400);
        tree.show();
        tree.setSelectedPath(Path("P").toStdString());
        QTreeWidgetItem *p = tree.currentItem();
        QTRY_VERIFY(gate->waiting.load() > 0);

        // The window reads, selects and follows the disk while the prober waits.
        tree.setSelectedPath(Path("P/a").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), Path("P/a/"));
        QVERIFY(QDir().rmdir(Path("P/d")));
        QTRY_COMPARE(ChildTexts(p), QStringList({"a", "b", "c"}));

        p->setExpanded(false);
        gate->Open();
        QTRY_COMPARE(gate->passed.load(), 5); // a, b, c, d (gone meanwhile), then a/inner
        QTRY_COMPARE(tree.PendingProbes(), 0); // a/inner's answer came after all the others
        for (const char *name : {"b", "c"})
            QVERIFY2(!HasExpandButton(ChildNamed(p, name)), name); // their answers came after the close

        p->setExpanded(true); // asked again
        QTRY_VERIFY(HasExpandButton(ChildNamed(p, "b")));
        QTRY_COMPARE(tree.PendingProbes(), 0);
        QVERIFY(!HasExpandButton(ChildNamed(p, "c")));
    }

    void clickingAFolderDeletedMeanwhileShowsItsParentReadAgain()
    {
        QVERIFY(QDir().mkpath(Path("D/gone")));
        QVERIFY(QDir().mkpath(Path("D/kept")));
        TDirTree tree;
        tree.resize(300, 400);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.setSelectedPath(Path("D/gone").toStdString());
        QVERIFY(QDir().rmdir(Path("D/gone")));
        QVERIFY(QDir().mkpath(Path("D/new")));
        int clicks = 0;
        connect(&tree, &TDirTree::OnClick, this, [&] { ++clicks; });
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(tree.currentItem()).center());
        QCOMPARE(clicks, 1);
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), Path("D/"));
        QStringList children;
        for (int i = 0; i < tree.currentItem()->childCount(); ++i)
            children << tree.currentItem()->child(i)->text(0);
        QCOMPARE(children, QStringList({"kept", "new"}));
    }

    // Also run with no folder watches allowed: then the open folders are re-read instead.
    void theOpenTreeFollowsFoldersChangedOnDisk()
    {
        QVERIFY(QDir().mkpath(Path("W/keep/inner")));
        QVERIFY(QDir().mkpath(Path("W/old")));
        TDirTree tree;
        tree.resize(300, 400);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.setSelectedPath(Path("W/keep/inner").toStdString());
        QTreeWidgetItem *inner = tree.currentItem();
        QTreeWidgetItem *w = inner->parent()->parent();
        std::vector<std::string> gone;
        connect(&tree, &TDirTree::OnSelectedFolderGone, this,
                [&](QObject *, const std::string &folder) { gone.push_back(folder); });
        QDir disk(Path("W"));
        const struct {
            const char *change;
            std::function<bool()> make;
            QTreeWidgetItem *node;
            QStringList children;
        } steps[] = {
            {"created", [&] { return disk.mkdir("new"); }, w, {"keep", "new", "old"}},
            {"renamed", [&] { return disk.rename("old", "Zed"); }, w, {"keep", "new", "Zed"}},
            {"deleted", [&] { return disk.rmdir("new"); }, w, {"keep", "Zed"}},
            {"made in the selected folder", [&] { return disk.mkdir("keep/inner/sub"); }, inner, {"sub"}},
        };
        for (const auto &step : steps) {
            QVERIFY2(step.make(), step.change);
            QTRY_COMPARE(ChildTexts(step.node), step.children);
        }

        QVERIFY(QDir(Path("W/keep")).removeRecursively());
        QTRY_COMPARE(QString::fromStdString(tree.SelectedPath()), Path("W/"));
        QCOMPARE(gone, std::vector<std::string>({Path("W/keep/inner/").toStdString()}));
        QCOMPARE(ChildTexts(w), QStringList({"Zed"}));
    }

    void theTrashIsShownButNothingBelowIt()
    {
        const QString trash = Path("home/.local/share/Trash");
        QVERIFY(QDir().mkpath(trash + "/files/old"));
        TDirTree tree;
        tree.setSelectedPath(trash.toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), trash + '/');
        QCOMPARE(tree.currentItem()->childCount(), 0);
        tree.setSelectedPath((trash + "/files").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), trash + '/');

        tree.setGoBelowRecycleBin(true);
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), trash + '/');
        tree.setSelectedPath((trash + "/files").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), trash + "/files/");
    }

    void theFiltersDecideWhichFoldersAppear()
    {
        QVERIFY(QDir().mkpath(Path("B/.hidden")));
        QVERIFY(QDir().mkpath(Path("B/secret")));
        QVERIFY(QDir().mkpath(Path("B/shown")));
        TDirTree tree;
        tree.OnAddDir = [](const std::string &folder) { return folder.find("/secret/") == std::string::npos; };
        tree.setSelectedPath(Path("B").toStdString());
        QCOMPARE(tree.currentItem()->childCount(), 2);

        tree.setDirTypes({dtNormal});
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), Path("B/")); // reloaded, still there
        QCOMPARE(tree.currentItem()->childCount(), 1);
        tree.setSelectedPath(Path("B/.hidden").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), Path("B/"));

        tree.setDirTypes({dtNormal, dtHidden});
        tree.setSelectedPath(Path("B/.hidden").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), Path("B/.hidden/"));
    }

    void theOwnersFilterDecidesExpandButtonsOnTheWindowsThread()
    {
        for (const char *folder : {"F/onlySecret/secret", "F/mixed/secret", "F/mixed/shown", "F/empty"})
            QVERIFY(QDir().mkpath(Path(folder)));
        TDirTree tree;
        std::set<std::thread::id> askedOn;
        tree.OnAddDir = [&askedOn](const std::string &folder) {
            askedOn.insert(std::this_thread::get_id());
            return folder.find("/secret/") == std::string::npos;
        };
        tree.setSelectedPath(Path("F").toStdString());
        tree.currentItem()->setExpanded(true);
        QTRY_COMPARE(tree.PendingProbes(), 0);
        const struct {
            const char *name;
            bool button;
        } expected[] = {{"onlySecret", false}, {"mixed", true}, {"empty", false}};
        for (const auto &child : expected)
            QVERIFY2(HasExpandButton(ChildNamed(tree.currentItem(), child.name)) == child.button, child.name);
        QCOMPARE(askedOn, std::set<std::thread::id>({std::this_thread::get_id()}));
    }

    void selectionChangesAreReportedAndRememberedPerVolume()
    {
        QVERIFY(QDir().mkpath(Path("C/one")));
        TDirTree tree;
        int changes = 0;
        connect(&tree, &TDirTree::OnChange, this, [&] { ++changes; });
        tree.setSelectedPath(Path("C").toStdString());
        const int afterStart = changes;
        QVERIFY(afterStart > 0);
        tree.setSelectedPath(Path("C/one").toStdString());
        QCOMPARE(changes, afterStart + 1);
        QCOMPARE(tree.ChangeLock(), 0);
        QCOMPARE(QString::fromStdString(tree.LastPath("/")), Path("C/one/"));

        tree.ReadDrives(); // a rebuild reports nothing by itself
        QCOMPARE(changes, afterStart + 1);
        QCOMPARE(tree.SelectedPath(), std::string("?"));
    }

    void mountedVolumesComeAndGo()
    {
        const QString point = Path("stick");
        QVERIFY(QDir().mkpath(point));
        TDirTree tree;
        tree.setSelectedPath(Path("").toStdString());
        RamDisks disks;
        if (!disks.Mount(point))
            QSKIP("mounting a RAM file system needs root");
        QTRY_VERIFY(TopLevelShowing(tree, point));
        QVERIFY(QDir().mkpath(point + "/inside"));
        tree.setSelectedPath((point + "/inside").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), point + "/inside/");
        QCOMPARE(tree.currentItem()->parent(), TopLevelShowing(tree, point));

        tree.setDriveTypes({drtFixed, drtRemovable});
        QVERIFY(!TopLevelShowing(tree, point));
        tree.setDriveTypes({drtFixed, drtRemovable, drtRamDisk});
        QVERIFY(TopLevelShowing(tree, point));

        QVERIFY(disks.UnmountLast());
        QTRY_VERIFY(!TopLevelShowing(tree, point));
    }

    void anotherMediumInTheSamePlaceIsReadAfresh()
    {
        const QString point = Path("card");
        QVERIFY(QDir().mkpath(point));
        RamDisks disks;
        if (!disks.Mount(point))
            QSKIP("mounting a RAM file system needs root");
        QVERIFY(QDir().mkpath(point + "/old/deeper"));
        TDirTree tree;
        tree.setSelectedPath((point + "/old").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), point + "/old/");

        // Another file system mounted over the first: the same place, another device.
        QVERIFY(disks.Mount(point));
        QVERIFY(QDir().mkpath(point + "/new/deeper"));
        // Unread again, with an expand button.
        const auto readAfresh = [&] {
            QTreeWidgetItem *volume = TopLevelShowing(tree, point);
            return HasExpandButton(volume) && volume->childCount() == 0;
        };
        QTRY_VERIFY(readAfresh());

        tree.setSelectedPath((point + "/new").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), point + "/new/");
    }

private:
    QString Path(const QString &relative) const
    {
        return relative.isEmpty() ? folder_.path() : folder_.filePath(relative);
    }

    QTemporaryDir folder_;
};

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::DirTreeTest>(argc, argv);
}

#include "dir_tree_test.moc"
