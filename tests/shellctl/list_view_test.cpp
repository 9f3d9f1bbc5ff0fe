#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "shellctl/explorer_list_view.h"
#include "shellctl/file_properties.h"
#include "shellctl/list_model.h"
#include "shellctl/thumb_cache.h"
#include "tests/support/drops.h"
#include "tests/support/pictures.h"
#include "tests/support/qt_files.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QMimeData>
#include <QPixmap>
#include <QScrollBar>
#include <QToolTip>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <filesystem>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel {

namespace {

const QStringList kPictureFilters{"*.jpg", "*.bmp", ""};
// Bounds for waiting on the list's threads; generous for a loaded machine, never a measurement.
constexpr int kWaitMs = 30000;

// A colour of its own for each of 150 pictures.
PaletteEntry Shade(int i) { return {40, static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i)}; }

void Write(const QString &path, const QByteArray &bytes = {}) { QVERIFY(testing::WriteQtFile(path, bytes)); }

void WriteJpeg(const QString &path, int width, int height, PaletteEntry colour)
{
    WriteJpegFile(testing::FilledPicture(width, height, colour), QFile::encodeName(path).toStdString());
}

QStringList Captions(const TShExplorerListView &list)
{
    QStringList captions;
    for (int i = 0; i < list.Items().Count(); ++i)
        captions << list.Items().Caption(i);
    return captions;
}

int RowOf(const TShExplorerListView &list, const QString &caption)
{
    return static_cast<int>(Captions(list).indexOf(caption));
}

QImage TileOf(const TShExplorerListView &list, int row)
{
    return list.model()->data(list.model()->index(row, 0), Qt::DecorationRole).value<QPixmap>().toImage();
}

} // namespace

class ExplorerListTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(cache_.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache_.path()));
        placeholder_ = Placeholder();
    }

    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        QVERIFY(folder_->isValid());
    }

    void thumbnailsArriveAndHostileFilesGetIcons()
    {
        WriteJpeg(Path("red.jpg"), 1024, 768, {0, 0, 255});
        WriteJpeg(Path("small.jpg"), 30, 40, {255, 0, 0});
        Write(Path("broken.jpg"), "\xFF\xD8\xFF\xE0 not really");
        QVERIFY(::mkfifo(QFile::encodeName(Path("x.jpg")).constData(), 0600) == 0);
        QDir(folder_->path()).mkdir("sub");
        // A Latin-1 name: shown with U+FFFD, read by its bytes.
        WriteJpeg(Path("latin1.jpg"), 30, 40, {255, 0, 0});
        const std::string latin1 = QFile::encodeName(folder_->path()).toStdString() + "/caf\xe9.jpg";
        QVERIFY(::rename(QFile::encodeName(Path("latin1.jpg")).constData(), latin1.c_str()) == 0);

        TShExplorerListView list;
        ShowThumbs(list);
        const QString shown = QString("caf") + QChar(0xFFFD) + ".jpg";
        QCOMPARE(Captions(list), QStringList({"sub", "broken.jpg", shown, "red.jpg", "small.jpg", "x.jpg"}));
        QTRY_VERIFY_WITH_TIMEOUT(AllTilesDelivered(list), kWaitMs);
        QCOMPARE(list.Items().FileName(RowOf(list, shown)), std::string("caf\xe9.jpg"));
        QCOMPARE(TileOf(list, RowOf(list, shown)), TileOf(list, RowOf(list, "small.jpg")));

        const QImage red = TileOf(list, RowOf(list, "red.jpg"));
        QCOMPARE(red.size(), QSize(60, 80));
        QVERIFY(qRed(red.pixel(30, 40)) > 200 && qBlue(red.pixel(30, 40)) < 60);
        QCOMPARE(red.pixel(30, 10), placeholder_.pixel(30, 10)); // above the 58 x 44 picture
        const QImage small = TileOf(list, RowOf(list, "small.jpg"));
        QVERIFY(qBlue(small.pixel(14, 19)) > 200);
        QCOMPARE(small.pixel(13, 19), placeholder_.pixel(13, 19));
        for (const char *iconOnly : {"broken.jpg", "x.jpg", "sub"})
            QVERIFY2(TileOf(list, RowOf(list, iconOnly)) != placeholder_, iconOnly);

        // The shared cache now holds the pictures, and the failure of the broken one.
        const ThumbnailCache cache;
        QVERIFY(std::filesystem::exists(cache.EntryPath(ThumbnailCache::UriOf(QFile::encodeName(Path("red.jpg")).toStdString()))));
        QVERIFY(std::filesystem::exists(cache.FailPath(ThumbnailCache::UriOf(QFile::encodeName(Path("broken.jpg")).toStdString()))));
    }

    void switchingFoldersWhileTilesRenderEndsWithTheLastFolder()
    {
        QDir root(folder_->path());
        root.mkdir("one");
        root.mkdir("two");
        for (int i = 0; i < 24; ++i)
            WriteJpeg(Path(QString("one/p%1.jpg").arg(i, 2, 10, QChar('0'))), 640, 480, {0, 200, 0});
        WriteJpeg(Path("two/only.jpg"), 64, 64, {0, 0, 200});
        TShExplorerListView list;
        ShowThumbs(list);
        for (int round = 0; round < 60; ++round) {
            list.setDirectory(Path(round % 2 ? "two" : "one").toStdString());
            QCoreApplication::processEvents();
        }
        list.setDirectory(Path("one").toStdString());
        QTRY_VERIFY_WITH_TIMEOUT(AllTilesDelivered(list), kWaitMs);
        QCOMPARE(list.Items().Count(), 24);
        list.setDirectory(Path("two").toStdString());
        QCOMPARE(Captions(list), QStringList({"only.jpg"}));
        QTRY_VERIFY_WITH_TIMEOUT(AllTilesDelivered(list), kWaitMs);
    }

    // The items of a folder left behind are freed on another thread, also when the list goes.
    void bigFoldersLeftBehindLeaveTheListIntact()
    {
        QDir root(folder_->path());
        root.mkdir("big");
        root.mkdir("small");
        constexpr int kBig = 5000;
        for (int i = kBig - 1; i >= 0; --i)
            Write(Path(QString("big/n%1.txt").arg(i, 4, 10, QChar('0'))));
        Write(Path("small/only.txt"));
        for (const bool destroyAfterLeaving : {false, true}) {
            TShExplorerListView list;
            for (int round = 0; round < 3; ++round) {
                list.setDirectory(Path("big").toStdString());
                QCOMPARE(list.Items().Count(), kBig);
                QCOMPARE(list.Items().Caption(0), QString("n0000.txt")); // sorted before shown
                QCOMPARE(list.Items().Caption(kBig - 1), QString("n4999.txt"));
                list.setDirectory(Path("small").toStdString());
                if (destroyAfterLeaving)
                    break;
                QCOMPARE(Captions(list), QStringList({"only.txt"}));
            }
        }
    }

    void sortOrdersKeepFoldersFirst()
    {
        const struct {
            const char *name;
            int bytes;
            int hoursOld;
        } files[] = {{"b.jpg", 3000, 1}, {"C.bmp", 1000, 3}, {"a.bmp", 2000, 2}, {"d.jpg", 4000, 4}};
        const QDateTime now = QDateTime::currentDateTime();
        for (const auto &file : files) {
            QFile written(Path(file.name));
            QVERIFY(written.open(QIODevice::WriteOnly));
            QVERIFY(written.write(QByteArray(file.bytes, 'x')) == file.bytes && written.flush());
            QVERIFY(written.setFileTime(now.addSecs(-3600 * file.hoursOld), QFileDevice::FileModificationTime));
        }
        for (const char *folder : {"zdir", "Adir"})
            QDir(folder_->path()).mkdir(folder);
        // Types go by their names, which come from the system's MIME database.
        const bool jpegFirst = TypeText("x.jpg", false).localeAwareCompare(TypeText("x.bmp", false)) < 0;
        const QStringList jpegsThenBitmaps{"b.jpg", "d.jpg", "a.bmp", "C.bmp"}, bitmapsThenJpegs{"a.bmp", "C.bmp", "b.jpg", "d.jpg"};
        const QStringList byType = jpegFirst ? jpegsThenBitmaps : bitmapsThenJpegs;
        const QStringList byTypeReversed{byType[3], byType[2], byType[1], byType[0]};
        const struct {
            int column;
            TShSortDirection direction;
            QStringList files;
        } cases[] = {
            {kColumnName, sdAsc, {"a.bmp", "b.jpg", "C.bmp", "d.jpg"}},
            {kColumnName, sdDesc, {"d.jpg", "C.bmp", "b.jpg", "a.bmp"}},
            {kColumnSize, sdAsc, {"C.bmp", "a.bmp", "b.jpg", "d.jpg"}},
            {kColumnSize, sdDesc, {"d.jpg", "b.jpg", "a.bmp", "C.bmp"}},
            {kColumnModified, sdAsc, {"b.jpg", "a.bmp", "C.bmp", "d.jpg"}}, // newest first
            {kColumnModified, sdDesc, {"d.jpg", "C.bmp", "a.bmp", "b.jpg"}},
            {kColumnType, sdAsc, byType},
            {kColumnType, sdDesc, byTypeReversed},
        };
        TShExplorerListView list;
        list.setFilters(kPictureFilters);
        list.setDirectory(folder_->path().toStdString());
        for (const auto &c : cases) {
            const QStringList folders = c.direction == sdAsc ? QStringList{"Adir", "zdir"} : QStringList{"zdir", "Adir"};
            list.setSortColumn(c.column);
            list.setSortDirection(c.direction);
            QCOMPARE(Captions(list), folders + c.files);
            // A folder read afresh comes in the same order.
            list.setDirectory(folder_->path().toStdString());
            QCOMPARE(Captions(list), folders + c.files);
        }
    }

    // Tiles made on several threads at once each reach their own item, and the items in view get
    // theirs although many more were asked for on the way down.
    void scrolledTilesArriveOnTheirOwnItems()
    {
        constexpr int kPictures = 150;
        for (int i = 0; i < kPictures; ++i)
            WriteJpeg(Path(QString("p%1.jpg").arg(i, 3, 10, QChar('0'))), 40, 40, Shade(i));
        TShExplorerListView list;
        ShowThumbs(list);
        list.resize(320, 260);
        for (int step = 0; step <= 10; ++step) {
            list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum() * step / 10);
            list.viewport()->repaint();
        }
        const auto visibleRows = [&list] {
            std::vector<int> rows;
            for (int row = 0; row < list.Items().Count(); ++row)
                if (list.viewport()->rect().intersects(list.visualRect(list.model()->index(row, 0))))
                    rows.push_back(row);
            return rows;
        };
        QVERIFY(!visibleRows().empty() && visibleRows().back() == kPictures - 1);
        QTRY_VERIFY_WITH_TIMEOUT(std::none_of(visibleRows().begin(), visibleRows().end(),
                                              [&](int row) { return TileOf(list, row) == placeholder_; }),
                                 kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(AllTilesDelivered(list), kWaitMs);
        for (int row = 0; row < kPictures; ++row) {
            const QRgb centre = TileOf(list, row).pixel(30, 40);
            const PaletteEntry want = Shade(list.Items().Caption(row).mid(1, 3).toInt());
            QVERIFY2(std::abs(qRed(centre) - want.r) < 16 && std::abs(qGreen(centre) - want.g) < 16,
                     qPrintable(list.Items().Caption(row)));
        }
    }

    // Past the memory budget the oldest tiles give way, and their items ask again when shown.
    void tilesBeyondTheBudgetGiveWayOldestFirst()
    {
        TShListModel model;
        ItemList items;
        for (uint64_t id = 1; id <= 300; ++id) {
            items.push_back(std::make_unique<TShItemData>());
            items.back()->Id = id;
        }
        model.Reset("/", std::move(items));
        model.ResetThumbImages(QPixmap(60, 80));
        const QPixmap big(600, 600); // the budget holds fewer of these than the 256 always kept
        for (int row = 0; row < 300; ++row) {
            TShItemData &item = model.Item(row);
            item.ThumbIndex = model.AddPictureTile(item.Id, big);
            item.PendingFlags = 0;
        }
        QCOMPARE(model.ThumbImageCount(), 1 + 256);
        for (int row = 0; row < 300; ++row) {
            QCOMPARE(model.Item(row).ThumbIndex == 0, row < 300 - 256);
            QCOMPARE(model.Item(row).PendingFlags == kThumbPending, row < 300 - 256);
        }
    }

    void folderChangesReachTheListWithoutAction()
    {
        Write(Path("m.jpg"));
        Write(Path("z.jpg"));
        TShExplorerListView list;
        list.setFilters(kPictureFilters);
        list.setDirectory(folder_->path().toStdString());
        QCOMPARE(Captions(list), QStringList({"m.jpg", "z.jpg"}));

        // A new shot is appended, even though it would sort first.
        WriteJpeg(Path("a.jpg"), 20, 20, {1, 2, 3});
        Write(Path("ignored.txt"), "x");
        QTRY_COMPARE_WITH_TIMEOUT(Captions(list), QStringList({"m.jpg", "z.jpg", "a.jpg"}), kWaitMs);
        QVERIFY(QFile::remove(Path("m.jpg")));
        QTRY_COMPARE_WITH_TIMEOUT(Captions(list), QStringList({"z.jpg", "a.jpg"}), kWaitMs);

        // Growing a file changes the total without touching the order.
        const int64_t before = list.TotalSize();
        Write(Path("z.jpg"), QByteArray(100 * 1024, 'x'));
        QTRY_COMPARE_WITH_TIMEOUT(list.TotalSize(), before + 99, kWaitMs);

        QVERIFY(QDir(folder_->path()).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(list.Items().Count(), 0, kWaitMs);
        QCOMPARE(list.Directory(), std::string());
    }

    // Run by the test list with the system's watch limit at 0; elsewhere the folder is watched.
    void anUnwatchableFolderIsRereadInstead()
    {
        const int probe = ::inotify_init1(IN_CLOEXEC);
        const bool limited = ::inotify_add_watch(probe, QFile::encodeName(folder_->path()).constData(), IN_CREATE) < 0;
        ::close(probe);
        if (!limited)
            QSKIP("folders can be watched here");
        TShExplorerListView list;
        QStringList reported;
        connect(&list, &TShExplorerListView::watchUnavailable, this, [&](const QString &folder) { reported << folder; });
        list.setFilters(kPictureFilters);
        list.setDirectory(folder_->path().toStdString());
        list.setDirectory(folder_->path().toStdString());
        QCOMPARE(reported, QStringList{folder_->path()}); // said once

        Write(Path("new.jpg"));
        QTRY_COMPARE_WITH_TIMEOUT(Captions(list), QStringList{"new.jpg"}, kWaitMs);
        QVERIFY(QDir(folder_->path()).removeRecursively());
        QTRY_COMPARE_WITH_TIMEOUT(list.Directory(), std::string(), kWaitMs);
    }

    void keysOpenTheSelectionAndGoToTheParent()
    {
        QVERIFY(QDir().mkpath(Path("inner")));
        Write(Path("a.jpg"));
        Write(Path("b.jpg"));
        TShExplorerListView list;
        list.setFilters(kPictureFilters);
        list.setDirectory(folder_->path().toStdString());
        QStringList activated, entered;
        connect(&list, &TShExplorerListView::pictureActivated, this,
                [&](const std::string &path) { activated << QString::fromStdString(path); });
        connect(&list, &TShExplorerListView::folderEntered, this,
                [&](const std::string &folder) { entered << QString::fromStdString(folder); });

        list.Items().setSelected(1, true);
        list.Items().setSelected(2, true);
        QTest::keyClick(&list, Qt::Key_Return);
        QCOMPARE(activated, QStringList({Path("a.jpg"), Path("b.jpg")}));
        list.Items().setSelected(0, true); // a folder among the selection is entered instead
        QTest::keyClick(&list, Qt::Key_Enter);
        QTest::keyClick(&list, Qt::Key_Backspace);
        QTest::keyClick(&list, Qt::Key_Up, Qt::AltModifier);
        const QString parent = QFileInfo(folder_->path()).path();
        QCOMPARE(entered, QStringList({Path("inner"), folder_->path(), parent}));
        QCOMPARE(activated.size(), 2);
    }

    void shotRenamedOverItsReservedNameGetsItsPictureTile()
    {
        Write(Path("SShot1_1.jpg")); // the capture reserves the name with an empty file
        TShExplorerListView list;
        ShowThumbs(list);
        QTRY_VERIFY_WITH_TIMEOUT(AllTilesDelivered(list), kWaitMs);
        const QImage icon = TileOf(list, 0);
        WriteJpeg(Path(".SShot1_1.jpg.part"), 40, 30, {0, 0, 255});
        QVERIFY(::rename(QFile::encodeName(Path(".SShot1_1.jpg.part")).constData(),
                         QFile::encodeName(Path("SShot1_1.jpg")).constData())
                == 0);
        QTRY_VERIFY_WITH_TIMEOUT(TileOf(list, 0) != icon, kWaitMs);
        const QImage tile = TileOf(list, 0);
        QVERIFY(qRed(tile.pixel(30, 40)) > 200 && qBlue(tile.pixel(30, 40)) < 60);
        QCOMPARE(list.Items().Count(), 1);
    }

    void totalSizeCountsKilobytesHalvesToEven()
    {
        Write(Path("a.jpg"), QByteArray(10, 'x'));
        Write(Path("b.jpg"), QByteArray(1536, 'x'));
        Write(Path("c.jpg"), QByteArray(2560, 'x'));
        TShExplorerListView list;
        int reports = 0;
        connect(&list, &TShExplorerListView::OnTotalSizeChange, this, [&] { ++reports; });
        list.setDirectory(folder_->path().toStdString());
        QCOMPARE(list.TotalSize(), int64_t{5});
        QVERIFY(reports > 0);
    }

    void reportViewShowsDetailsAndSortsByTheClickedColumn()
    {
        Write(Path("big.jpg"), QByteArray(5000, 'x'));
        Write(Path("a.bmp"), QByteArray(10, 'x'));
        QDir(folder_->path()).mkdir("folder");
        TShExplorerListView list;
        list.setFilters(kPictureFilters);
        list.setDirectory(folder_->path().toStdString());
        list.setViewStyleEx(gvsReport);
        QCOMPARE(Captions(list), QStringList({"folder", "a.bmp", "big.jpg"}));
        const QAbstractItemModel &model = *list.model();
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QString("Modified"));
        const int big = RowOf(list, "big.jpg");
        QCOMPARE(model.data(model.index(big, 1)).toString(), QString("5KB"));
        QVERIFY(!model.data(model.index(big, 3)).toString().isEmpty());
        QCOMPARE(model.data(model.index(0, 1)).toString(), QString()); // no size for folders

        list.setSortColumn(1);
        QCOMPARE(Captions(list), QStringList({"folder", "a.bmp", "big.jpg"}));
        list.setSortDirection(sdDesc);
        QCOMPARE(Captions(list), QStringList({"folder", "big.jpg", "a.bmp"}));
    }

    void thumbnailSpacingIsRestoredWhenLeaving()
    {
        TShExplorerListView list;
        const QSize before = list.gridSize();
        list.setViewStyleEx(gvsThumb);
        QCOMPARE(list.gridSize(), QSize(100, 120));
        list.setViewStyleEx(gvsIcon);
        QCOMPARE(list.gridSize(), before);
    }

    void deleteSelectedNeedsTheOptionAndDeletesOnlyFiles()
    {
        Write(Path("a.jpg"), "a");
        Write(Path("b.jpg"), "b");
        QDir(folder_->path()).mkdir("sub");
        QTemporaryDir elsewhere;
        Write(elsewhere.filePath("target.jpg"), "keep");
        QVERIFY(::symlink(QFile::encodeName(elsewhere.filePath("target.jpg")).constData(),
                          QFile::encodeName(Path("link.jpg")).constData()) == 0);
        TShExplorerListView list;
        list.setAutoRefreshType(rtNone);
        list.setDirectory(folder_->path().toStdString());
        list.SelectAll();
        QVERIFY(!list.DeleteSelected());
        QVERIFY(QFile::exists(Path("a.jpg")));

        list.setOptions(tvoAllowCut);
        bool cancel = true;
        connect(&list, &TShExplorerListView::OnContextCommand, this,
                [&](QObject *, const QString &command, int status, bool *execute) {
                    QCOMPARE(command, QString("delete"));
                    if (status == 0 && cancel)
                        *execute = false;
                });
        QVERIFY(!list.DeleteSelected());
        QVERIFY(QFile::exists(Path("a.jpg")));
        cancel = false;

        list.DeselectAll();
        list.Items().setSelected(RowOf(list, "a.jpg"), true);
        list.Items().setSelected(RowOf(list, "link.jpg"), true);
        QVERIFY(list.DeleteSelected());
        QCOMPARE(Captions(list), QStringList({"sub", "b.jpg"}));
        QCOMPARE(QFile(elsewhere.filePath("target.jpg")).size(), 4);

        list.SelectAll();
        QVERIFY(!list.DeleteSelected()); // the folder stays, so not everything went
        QVERIFY(QDir(Path("sub")).exists());
        QVERIFY(!QFile::exists(Path("b.jpg")));
    }

    void typeAheadFindsTheFirstNameWithThePrefix()
    {
        for (const char *name : {"apple.jpg", "Banana.jpg", "berry.jpg", "cherry.jpg"})
            Write(Path(name));
        TShExplorerListView list;
        list.setDirectory(folder_->path().toStdString());
        list.keyboardSearch("BE");
        QCOMPARE(list.currentIndex().row(), RowOf(list, "berry.jpg"));
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
        list.keyboardSearch("b");
        QCOMPARE(list.currentIndex().row(), RowOf(list, "Banana.jpg"));
    }

    void doubleClickEntersFoldersAndFollowsLinks()
    {
        QDir(folder_->path()).mkpath("inner/deeper");
        Write(Path("inner/deeper/p.jpg"));
        QVERIFY(::symlink("inner/deeper", QFile::encodeName(Path("shortcut")).constData()) == 0);
        TShExplorerListView list;
        list.resize(400, 300);
        list.setDirectory(folder_->path().toStdString());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        int clicks = 0;
        connect(&list, &TShExplorerListView::OnDblClick, this, [&] { ++clicks; });

        DoubleClick(list, "inner");
        QCOMPARE(QString::fromStdString(list.Directory()), Path("inner"));
        list.setDirectory(folder_->path().toStdString());
        DoubleClick(list, "shortcut");
        QCOMPARE(QString::fromStdString(list.Directory()), QFileInfo(Path("inner/deeper")).canonicalFilePath());
        QCOMPARE(Captions(list), QStringList({"p.jpg"}));
        DoubleClick(list, "p.jpg");
        QCOMPARE(clicks, 3);
        QCOMPARE(QString::fromStdString(list.Directory()), QFileInfo(Path("inner/deeper")).canonicalFilePath());
    }

    void altDoubleClickShowsThePicturesProperties()
    {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(Path("shot.png"), "PNG"));
        QVERIFY(::chmod(QFile::encodeName(Path("shot.png")).constData(), 0640) == 0);
        TShExplorerListView list;
        list.resize(400, 300);
        list.setDirectory(folder_->path().toStdString());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        DoubleClick(list, "shot.png", Qt::AltModifier);
        QTRY_VERIFY(list.findChild<TFilePropertiesDialog *>());

        QMap<QString, QString> rows;
        for (const auto &[caption, value] : FilePropertyRows(Path("shot.png").toStdString()))
            rows[caption] = value;
        const QFileInfo file(Path("shot.png"));
        const QMap<QString, QString> expected{
            {"Name", "shot.png"}, {"Folder", folder_->path()}, {"Dimensions", "40 × 30 pixels"}, {"Type", "PNG"},
            {"Permissions", "rw-r----- (0640)"}, {"Owner", file.owner() + " / " + file.group()}};
        for (auto row = expected.begin(); row != expected.end(); ++row)
            QCOMPARE(rows.value(row.key()), row.value());
        QVERIFY(rows.value("Size").contains(QLocale().toString(file.size()) + " bytes"));
        QVERIFY(rows.contains("Modified") && rows.contains("Accessed") && rows.contains("Status changed"));
    }

    void aDragNearAnEdgeScrollsTowardsItUntilItLeaves()
    {
        for (int i = 0; i < 200; ++i)
            Write(Path(QStringLiteral("%1.jpg").arg(i, 3, 10, QChar('0'))));
        TShExplorerListView list;
        list.setViewStyleEx(gvsReport);
        list.resize(300, 200);
        list.setDirectory(folder_->path().toStdString());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QScrollBar *bar = list.verticalScrollBar();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(Path("000.jpg"))});
        const auto hover = [&](int y) {
            QDragMoveEvent move(QPoint(100, y), Qt::CopyAction, &mime, Qt::LeftButton, {});
            QApplication::sendEvent(list.viewport(), &move);
        };
        QDragEnterEvent enter(QPoint(100, 50), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(list.viewport(), &enter);
        hover(list.viewport()->height() - 5);
        QTRY_VERIFY(bar->value() >= 3); // the cursor rests; the list keeps scrolling
        hover(list.viewport()->height() / 2);
        QTest::qWait(100);
        const int middle = bar->value();
        QTest::qWait(100);
        QCOMPARE(bar->value(), middle);
        hover(5);
        QTRY_COMPARE(bar->value(), 0);
        QDragLeaveEvent leave;
        QApplication::sendEvent(list.viewport(), &leave);
    }

    void aTooltipShowsOnlyANameTheTileCutsShort()
    {
        const QString longName = "a holiday picture with a name far too long for any tile.jpg";
        Write(Path(longName));
        Write(Path("b.jpg"));
        TShExplorerListView list;
        list.setViewStyleEx(gvsThumb);
        list.resize(400, 300);
        list.setDirectory(folder_->path().toStdString());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (const auto &[name, shown] : {std::pair{longName, true}, std::pair{QString("b.jpg"), false}}) {
            QToolTip::hideText();
            const QPoint at = list.visualRect(list.model()->index(RowOf(list, name), 0)).center();
            QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
            QApplication::sendEvent(list.viewport(), &help);
            QCOMPARE(QToolTip::isVisible() && QToolTip::text() == name, shown);
        }
    }

    void dropsBringFilesInWithoutReplacingAny()
    {
        QTemporaryDir source;
        Write(source.filePath("new.jpg"), "new");
        Write(source.filePath("same.jpg"), "dropped");
        Write(Path("same.jpg"), "original");
        QDir(folder_->path()).mkdir("into");
        Write(source.filePath("deep.jpg"), "deep");
        TShExplorerListView list;
        list.resize(400, 300);
        list.setDirectory(folder_->path().toStdString());
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));

        testing::DropUrls(list.viewport(), QPoint(390, 290), {source.filePath("new.jpg"), source.filePath("same.jpg")},
                 Qt::ControlModifier);
        QCOMPARE(QFile(Path("new.jpg")).size(), 3);
        QVERIFY(QFile::exists(source.filePath("new.jpg"))); // Ctrl copies
        QFile same(Path("same.jpg"));
        QVERIFY(same.open(QIODevice::ReadOnly));
        QCOMPARE(same.readAll(), QByteArray("original"));
        QVERIFY(Captions(list).contains("new.jpg"));

        const QPoint onFolder = list.visualRect(list.model()->index(RowOf(list, "into"), 0)).center();
        testing::DropUrls(list.viewport(), onFolder, {source.filePath("deep.jpg")}, Qt::ShiftModifier);
        QVERIFY(QFile::exists(Path("into/deep.jpg")));
        QVERIFY(!QFile::exists(source.filePath("deep.jpg"))); // Shift moves
    }

private:
    QString Path(const QString &relative) const { return folder_->filePath(relative); }

    void ShowThumbs(TShExplorerListView &list)
    {
        list.setFilters(kPictureFilters);
        list.setDirectory(folder_->path().toStdString());
        list.setViewStyleEx(gvsThumb);
        list.resize(600, 500);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
    }

    bool AllTilesDelivered(const TShExplorerListView &list) const
    {
        if (list.PendingThumbnails() != 0)
            return false;
        for (int row = 0; row < list.Items().Count(); ++row)
            if (TileOf(list, row) == placeholder_)
                return false;
        return true;
    }

    static QImage Placeholder()
    {
        TShExplorerListView empty;
        empty.setViewStyleEx(gvsThumb);
        QTemporaryDir dir;
        Write(dir.filePath("a.txt"));
        empty.setDirectory(dir.path().toStdString());
        return TileOf(empty, 0);
    }

    static void DoubleClick(TShExplorerListView &list, const QString &caption, Qt::KeyboardModifiers keys = {})
    {
        const QRect rect = list.visualRect(list.model()->index(RowOf(list, caption), 0));
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, keys, rect.center());
    }

    QTemporaryDir cache_;
    QImage placeholder_; // the tile shown before an item's own arrives
    std::unique_ptr<QTemporaryDir> folder_;
};

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::ExplorerListTest>(argc, argv);
}

#include "list_view_test.moc"
