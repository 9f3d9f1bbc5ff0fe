#include "platform/error.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"
#include "tests/support/drops.h"
#include "tests/support/qt_files.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace vistrel {

namespace {

const QStringList kPictureFilters{"*.jpg", "*.bmp", ""};

void Touch(const QString &path) { QVERIFY(testing::WriteQtFile(path)); }

QString ErrorOf(const std::function<void()> &operation)
{
    try {
        operation();
    } catch (const Error &error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

struct DropRecord {
    int count = 0;
    QPoint point;
    std::string folder;
    std::vector<std::string> files;
    Qt::KeyboardModifiers modifiers;
};

void RecordDrops(TDirTree &tree, DropRecord &record)
{
    QObject::connect(&tree, &TDirTree::OnDropFiles, &tree,
                     [&record](QObject *, int x, int y, const std::string &folder,
                               const std::vector<std::string> &files, Qt::KeyboardModifiers modifiers) {
                         ++record.count;
                         record.point = QPoint(x, y);
                         record.folder = folder;
                         record.files = files;
                         record.modifiers = modifiers;
                     });
}

Qt::DropAction DropFiles(TDirTree &tree, const QPoint &point, const QStringList &paths,
                         Qt::KeyboardModifiers modifiers)
{
    return testing::DropUrls(tree.viewport(), point, paths, modifiers);
}

} // namespace

class ShellControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(folder_.isValid());
        const QDir root(folder_.path());
        QVERIFY(root.mkpath("Pictures/Holiday/Beach"));
        QVERIFY(root.mkpath("Pictures/Other"));
        Touch(root.filePath("Pictures/b.JPG"));
        Touch(root.filePath("Pictures/a.bmp"));
        Touch(root.filePath("Pictures/notes.txt"));
        Touch(root.filePath("Pictures/c.Jpg"));
    }

    void missingDirectoryIsRefusedAndTheShownFolderKept()
    {
        TShExplorerListView list;
        list.setFilters(kPictureFilters);
        list.setDirectory(Path("Pictures").toStdString());
        const int shown = list.Items().Count();

        QCOMPARE(ErrorOf([&] { list.setDirectory(Path("Pictures/gone").toStdString()); }),
                 "Directory does not exist: " + Path("Pictures/gone"));
        QCOMPARE(ErrorOf([&] { list.setDirectory(""); }), QString("Directory does not exist"));
        QCOMPARE(ErrorOf([&] { list.setDirectory(Path("Pictures/a.bmp").toStdString()); }),
                 "Directory does not exist: " + Path("Pictures/a.bmp"));
        QCOMPARE(QString::fromStdString(list.Directory()), Path("Pictures"));
        QCOMPARE(list.Items().Count(), shown);
    }

    void directoryReadsWithoutTrailingSeparatorExceptRoot()
    {
        TShExplorerListView list;
        QCOMPARE(list.Directory(), std::string());
        list.setDirectory((Path("Pictures") + "/").toStdString());
        QCOMPARE(QString::fromStdString(list.Directory()), Path("Pictures"));
        list.setDirectory("/");
        QCOMPARE(list.Directory(), std::string("/"));
    }

    void filtersIgnoreCaseAndFoldersAreAlwaysListed()
    {
        TShExplorerListView list;
        list.setFilters(kPictureFilters);
        list.setDirectory(Path("Pictures").toStdString());
        QStringList captions;
        for (int i = 0; i < list.Items().Count(); ++i)
            captions << list.Items().Caption(i);
        QCOMPARE(captions, QStringList({"Holiday", "Other", "a.bmp", "b.JPG", "c.Jpg"}));
    }

    void selectedPathIsTheFirstSelectedItem()
    {
        TShExplorerListView list;
        list.setFilters(kPictureFilters);
        list.setDirectory(Path("Pictures").toStdString());
        QCOMPARE(list.GetSelectedPath(), std::string());
        list.Items().setSelected(4, true);
        list.Items().setSelected(2, true);
        QCOMPARE(QString::fromStdString(list.GetSelectedPath()), Path("Pictures/a.bmp"));

        list.setDirectory("/");
        QCOMPARE(list.GetSelectedPath(), std::string());
        list.Items().setSelected(0, true);
        QCOMPARE(QString::fromStdString(list.GetSelectedPath()), "/" + list.Items().Caption(0));
    }

    void selectAllAndDeselectAllTouchEveryItem()
    {
        TShExplorerListView list;
        list.setFilters(kPictureFilters);
        list.setDirectory(Path("Pictures").toStdString());
        list.SelectAll();
        for (int i = 0; i < list.Items().Count(); ++i)
            QVERIFY(list.Items().Selected(i));
        list.DeselectAll();
        for (int i = 0; i < list.Items().Count(); ++i)
            QVERIFY(!list.Items().Selected(i));
        QCOMPARE(list.GetSelectedPath(), std::string());
    }

    void updateBracketsNestAndSurviveARefill()
    {
        TShExplorerListView list;
        list.Items().BeginUpdate();
        list.Items().BeginUpdate();
        list.setDirectory(Path("Pictures").toStdString());
        list.Items().EndUpdate();
        QVERIFY(!list.updatesEnabled());
        list.Items().EndUpdate();
        QVERIFY(list.updatesEnabled());
        list.Items().EndUpdate();
        QCOMPARE(list.Items().UpdateCount(), 0);
        QVERIFY(list.updatesEnabled());
    }

    void thumbnailViewUsesTilesWithSpacing()
    {
        TShExplorerListView list;
        list.setViewStyleEx(gvsThumb);
        QCOMPARE(list.iconSize(), QSize(60, 80));
        QCOMPARE(list.gridSize(), QSize(100, 120));
        list.setViewStyleEx(gvsReport);
        QCOMPARE(list.ViewStyleEx(), gvsReport);
        QCOMPARE(list.gridSize(), QSize());
        QVERIFY(!list.isWrapping());
    }

    void doubleClickIsReported()
    {
        TShExplorerListView list;
        list.setDirectory(Path("Pictures").toStdString());
        list.resize(300, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        int clicks = 0;
        connect(&list, &TShExplorerListView::OnDblClick, this, [&](QObject *sender) {
            QCOMPARE(sender, &list);
            ++clicks;
        });
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(250, 250));
        QCOMPARE(clicks, 1);
    }

    void treeSelectionStartsEmptyAndRefusesAnEmptyPath()
    {
        TDirTree tree;
        QCOMPARE(tree.SelectedPath(), std::string("?"));
        QCOMPARE(ErrorOf([&] { tree.setSelectedPath(""); }), QString("Invalid Path Name"));
        tree.setSelectedPath("?");
        QCOMPARE(tree.SelectedPath(), std::string("?"));
    }

    void selectingANestedFolderOpensItsAncestors()
    {
        TDirTree tree;
        tree.setSelectedPath(Path("Pictures/Holiday/Beach").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), Path("Pictures/Holiday/Beach/"));
        for (QModelIndex ancestor = tree.currentIndex().parent(); ancestor.isValid(); ancestor = ancestor.parent())
            QVERIFY(tree.isExpanded(ancestor));

        tree.setSelectedPath("?");
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), Path("Pictures/Holiday/Beach/"));
        tree.setSelectedPath(Path("Pictures/a.bmp").toStdString());
        QCOMPARE(QString::fromStdString(tree.SelectedPath()), Path("Pictures/Holiday/Beach/"));
    }

    void missingFolderSelectsTheRoot()
    {
        TDirTree tree;
        tree.setSelectedPath(Path("Pictures/gone/deeper").toStdString());
        QCOMPARE(tree.SelectedPath(), std::string("/"));
    }

    void dropOnAFolderNodeIsReportedWithEveryFileAndAnsweredAsACopy()
    {
        TDirTree tree;
        ShowTree(tree);
        tree.setAcceptDropFiles(true);
        tree.setSelectedPath(Path("Pictures/Other").toStdString());
        const QPoint onNode = tree.visualRect(tree.currentIndex()).center();
        DropRecord record;
        RecordDrops(tree, record);

        const QStringList files{Path("Pictures/a.bmp"), Path("Pictures/b.JPG")};
        QCOMPARE(DropFiles(tree, onNode, files, Qt::ControlModifier), Qt::CopyAction);

        QCOMPARE(record.count, 1);
        QCOMPARE(QString::fromStdString(record.folder), Path("Pictures/Other/"));
        QCOMPARE(record.files, std::vector<std::string>({files[0].toStdString(), files[1].toStdString()}));
        QCOMPARE(record.point, onNode);
        QCOMPARE(record.modifiers, Qt::KeyboardModifiers(Qt::ControlModifier));
        QVERIFY(QFile::exists(files[0]));
        QVERIFY(QFile::exists(files[1]));
        // Shift proposes a move, which the pane does itself later: no source may delete first.
        QCOMPARE(DropFiles(tree, onNode, files, Qt::ShiftModifier), Qt::CopyAction);
    }

    void dropOutsideEveryNodeOrWhenNotAcceptingIsIgnored()
    {
        TDirTree tree;
        ShowTree(tree);
        DropRecord record;
        RecordDrops(tree, record);
        const QPoint onRoot = tree.visualRect(tree.model()->index(0, 0)).center();

        DropFiles(tree, onRoot, {Path("Pictures/a.bmp")}, Qt::NoModifier);
        QCOMPARE(record.count, 0);

        tree.setAcceptDropFiles(true);
        DropFiles(tree, QPoint(10, tree.viewport()->height() - 5), {Path("Pictures/a.bmp")}, Qt::NoModifier);
        QCOMPARE(record.count, 0);
        DropFiles(tree, onRoot, {Path("Pictures/a.bmp")}, Qt::NoModifier);
        QCOMPARE(record.count, 1);
        QCOMPARE(record.folder, std::string("/"));
    }

    void clickIsReportedOnlyOnASelectedNode()
    {
        TDirTree tree;
        ShowTree(tree);
        int clicks = 0;
        connect(&tree, &TDirTree::OnClick, this, [&] { ++clicks; });

        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, QPoint(10, tree.viewport()->height() - 5));
        QCOMPARE(clicks, 0);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                          tree.visualRect(tree.model()->index(0, 0)).center());
        QCOMPARE(clicks, 1);
        QCOMPARE(tree.SelectedPath(), std::string("/"));
    }

private:
    QString Path(const QString &relative) const { return folder_.filePath(relative); }

    // Shown, the tree opens on the current folder; collapsed again only the volumes stay in view,
    // so the lower part of the tree is empty.
    static void ShowTree(TDirTree &tree)
    {
        tree.resize(300, 400);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        tree.collapseAll();
    }

    QTemporaryDir folder_;
};

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::ShellControlsTest>(argc, argv);
}

#include "controls_test.moc"
