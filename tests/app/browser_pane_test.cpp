#include "app/main_window.h"
#include "tests/app/frame_parts.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"
#include "shellctl/thumb_cache.h"
#include "widgets/collapse_splitter.h"
#include "tests/support/qt_files.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace vistrel {

namespace {

void WriteFile(const QString &path, const QByteArray &bytes) { QVERIFY(testing::WriteQtFile(path, bytes)); }

QByteArray ReadFile(const QString &path) { return testing::ReadQtFile(path); }

void WritePicture(const QString &path)
{
    QImage picture(24, 16, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(path, "BMP"));
}

// Presses the button of the next message box that opens and hands back its text.
class MessageBoxAnswer : public QObject {
public:
    explicit MessageBoxAnswer(const QString &button) : button_(button)
    {
        QTimer::singleShot(0, this, [this] { Poll(); });
    }
    QString text;
    QString title;

private:
    void Poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, this, [this] { Poll(); });
            return;
        }
        text = box->text();
        title = box->windowTitle();
        for (QAbstractButton *candidate : box->buttons())
            if (candidate->text() == button_ || box->buttons().size() == 1) {
                candidate->click();
                return;
            }
    }
    QString button_;
};

} // namespace

class BrowserPaneTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        qputenv("VISTREL_HOME", home_->path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", home_->filePath("data").toLocal8Bit());
        qputenv("XDG_CACHE_HOME", home_->filePath("cache").toLocal8Bit());
        QVERIFY(QDir().mkpath(Pictures() + "/Holiday"));
        WriteFile(home_->filePath("Vistrel.ini"), ("[Start with]\nStartDir=" + Pictures() + "/\n").toUtf8());
    }

    void startsCollapsedToAThinBar()
    {
        TForm1 form;
        ShowForm(form);
        QVERIFY(testing::splitterOf(form)->Maximized());
        QCOMPARE(testing::splitterOf(form)->RestoreSize(), 222);
        QCOMPARE(Panel(form)->width(), 1);
        QVERIFY(testing::treeOf(form)->isHidden());
        QCOMPARE(testing::listOf(form)->Directory(), std::string());
        QCOMPARE(testing::splitterOf(form)->Neighbour(), Panel(form));
    }

    void theButtonOpensThePaneOnTheRememberedFolderInThumbnails()
    {
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        QVERIFY(!testing::splitterOf(form)->Maximized());
        QTRY_COMPARE(Panel(form)->width(), 222);
        QVERIFY(testing::treeOf(form)->isVisible());
        QVERIFY(testing::listOf(form)->isVisible());
        QCOMPARE(QString::fromStdString(testing::treeOf(form)->SelectedPath()), Pictures() + "/");
        QCOMPARE(QString::fromStdString(testing::listOf(form)->Directory()), Pictures());
        QCOMPARE(testing::listOf(form)->ViewStyleEx(), gvsThumb);
    }

    void openingOnAVanishedFolderSaysSoAndKeepsTheView()
    {
        TForm1 form;
        ShowForm(form);
        form.SetLastPicturePath((Pictures() + "/gone/").toStdString());
        MessageBoxAnswer answer("OK");
        ClickSplitterButton(form);
        QTRY_COMPARE(answer.text, "Directory does not exist: " + Pictures() + "/gone/");
        QCOMPARE(testing::listOf(form)->ViewStyleEx(), gvsIcon);
        QCOMPARE(testing::listOf(form)->Directory(), std::string());
    }

    void clickingAFolderShowsItAndRemembersIt()
    {
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        testing::treeOf(form)->setSelectedPath((Pictures() + "/Holiday").toStdString());
        Q_EMIT testing::treeOf(form)->OnClick(testing::treeOf(form));
        QCOMPARE(QString::fromStdString(form.State().LastPicturePath()), Pictures() + "/Holiday/");
        QCOMPARE(QString::fromStdString(testing::listOf(form)->Directory()), Pictures() + "/Holiday");
    }

    void doubleClickOpensOnlyAPicture()
    {
        WritePicture(Pictures() + "/a.bmp");
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        TShListItems &items = testing::listOf(form)->Items();
        QCOMPARE(items.Count(), 2);

        TShExplorerListView *list = testing::listOf(form);
        const auto doubleClick = [list](int row) {
            const QPoint centre = list->visualRect(list->model()->index(row, 0)).center();
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        };
        items.setSelected(0, true); // the folder: the list enters it
        doubleClick(0);
        QCOMPARE(form.MDIChildCount(), 0);

        list->setDirectory(Pictures().toStdString());
        QTRY_COMPARE(items.Count(), 2);
        items.setSelected(1, true);
        doubleClick(1);
        QCOMPARE(form.MDIChildCount(), 1);
        QCOMPARE(form.ActiveMDIChild()->windowTitle(), QString("a.bmp"));
    }

    void droppedFilesMoveButNeverOverAFileOfTheSameName()
    {
        const QString elsewhere = home_->filePath("Elsewhere");
        QVERIFY(QDir().mkpath(elsewhere));
        WriteFile(elsewhere + "/one.jpg", "one");
        WriteFile(elsewhere + "/two.jpg", "two, dropped");
        WriteFile(Pictures() + "/Holiday/two.jpg", "two, already there");
        TForm1 form;
        const std::string target = (Pictures() + "/Holiday/").toStdString();
        Q_EMIT testing::treeOf(form)->OnDropFiles(testing::treeOf(form), 5, 5, target,
                                         {(elsewhere + "/one.jpg").toStdString(), (elsewhere + "/two.jpg").toStdString()},
                                         Qt::NoModifier);
        const auto *statusBar = form.findChild<QStatusBar *>("StatusBar1");
        QTRY_VERIFY(!statusBar->currentMessage().isEmpty()); // the moves are done
        QVERIFY(!QFile::exists(elsewhere + "/one.jpg"));
        QCOMPARE(ReadFile(Pictures() + "/Holiday/one.jpg"), QByteArray("one"));
        QCOMPARE(ReadFile(elsewhere + "/two.jpg"), QByteArray("two, dropped"));
        QCOMPARE(ReadFile(Pictures() + "/Holiday/two.jpg"), QByteArray("two, already there"));
        const QString status = statusBar->currentMessage();
        QVERIFY2(status.contains("\"two.jpg\" was not moved"), qPrintable(status));
    }

    void deletingMovesExactlyTheSelectedFilesToTheTrashAfterYes()
    {
        for (const char *name : {"1.jpg", "2.jpg", "3.jpg", "4.bmp", "5.bmp"})
            WriteFile(Pictures() + "/" + name, "picture");
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        TShListItems &items = testing::listOf(form)->Items();
        QCOMPARE(items.Count(), 6);
        for (int index : {0, 1, 3, 5}) // the folder, 1.jpg, 3.jpg and 5.bmp
            items.setSelected(index, true);

        {
            MessageBoxAnswer answer("&No");
            testing::framePart(form, "DeleteImage1")->trigger();
            QCOMPARE(answer.title, QString("Confirm"));
            QCOMPARE(answer.text, QString("Move 3 files to the Trash?"));
        }
        QCOMPARE(QDir(Pictures()).entryList(QDir::Files).size(), 5);

        MessageBoxAnswer answer("&Yes");
        testing::framePart(form, "DeleteImage1")->trigger();
        QCOMPARE(QDir(Pictures()).entryList(QDir::Files), QStringList({"2.jpg", "4.bmp"}));
        QVERIFY(QFileInfo(Pictures() + "/Holiday").isDir());
        QCOMPARE(QDir(Trash() + "/files").entryList(QDir::Files), QStringList({"1.jpg", "3.jpg", "5.bmp"}));
        QVERIFY(ReadFile(Trash() + "/info/3.jpg.trashinfo").startsWith("[Trash Info]\nPath=" + QFile::encodeName(Pictures())));
    }

    void theDeleteKeyTrashesAndShiftDeleteDeletesForGood()
    {
        const struct {
            Qt::KeyboardModifiers modifiers;
            QString question;
            bool trashed;
        } cases[] = {
            {Qt::NoModifier, "Move 1 file to the Trash?", true},
            {Qt::ShiftModifier, "Delete 1 file for good? This cannot be undone.", false},
        };
        for (const auto &deletion : cases) {
            WriteFile(Pictures() + "/shot.png", "picture");
            QFile::remove(Trash() + "/files/shot.png");
            TForm1 form;
            ShowForm(form);
            ClickSplitterButton(form);
            TShExplorerListView *list = testing::listOf(form);
            QTRY_COMPARE(list->Items().Count(), 2);
            list->Items().setSelected(1, true);
            MessageBoxAnswer answer("&Yes");
            QTest::keyClick(list, Qt::Key_Delete, deletion.modifiers);
            QCOMPARE(answer.text, deletion.question);
            QVERIFY(!QFile::exists(Pictures() + "/shot.png"));
            QCOMPARE(QFile::exists(Trash() + "/files/shot.png"), deletion.trashed);
        }
    }

    void theKeyboardAloneWalksTheTreeTheListAndOpensPictures()
    {
        WritePicture(Pictures() + "/a.bmp");
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        TDirTree *tree = testing::treeOf(form);
        TShExplorerListView *list = testing::listOf(form);
        const auto inStep = [&](const QString &folder) {
            QCOMPARE(QString::fromStdString(list->Directory()), folder);
            QCOMPARE(QString::fromStdString(tree->SelectedPath()), folder + '/');
        };
        QApplication::setActiveWindow(&form);
        tree->setFocus();
        QTRY_VERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Right); // opens Pictures
        QTest::keyClick(tree, Qt::Key_Down);
        inStep(Pictures() + "/Holiday");
        QTest::keyClick(list, Qt::Key_Backspace);
        inStep(Pictures());
        QTRY_COMPARE(list->Items().Count(), 2);
        list->Items().setSelected(0, true);
        QTest::keyClick(list, Qt::Key_Return);
        inStep(Pictures() + "/Holiday");
        QTest::keyClick(list, Qt::Key_Up, Qt::AltModifier);
        inStep(Pictures());
        list->Items().setSelected(1, true);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(form.MDIChildCount(), 1);
        QCOMPARE(form.ActiveMDIChild()->windowTitle(), QString("a.bmp"));
    }

    void whenTheShownFolderVanishesTreeAndListMoveToItsParent()
    {
        const struct {
            const char *how;
            bool clicked;
            QString message;
        } cases[] = {
            {"deleted while shown", false, {}},
            {"clicked after it was deleted", true, "Directory does not exist: " + Pictures() + "/Holiday/Day/"},
        };
        for (const auto &vanishing : cases) {
            QVERIFY(QDir().mkpath(Pictures() + "/Holiday/Day"));
            TForm1 form;
            ShowForm(form);
            ClickSplitterButton(form);
            TDirTree *tree = testing::treeOf(form);
            QTRY_VERIFY(tree->viewport()->height() > 0); // laid out, to be clicked
            tree->setSelectedPath((Pictures() + "/Holiday/Day").toStdString());
            Q_EMIT tree->OnClick(tree);
            QCOMPARE(QString::fromStdString(testing::listOf(form)->Directory()), Pictures() + "/Holiday/Day");
            QVERIFY(QDir().rmdir(Pictures() + "/Holiday/Day"));
            MessageBoxAnswer answer("OK");
            if (vanishing.clicked)
                QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->currentItem()).center());
            QTRY_COMPARE(QString::fromStdString(tree->SelectedPath()), Pictures() + "/Holiday/");
            QTRY_COMPARE(QString::fromStdString(testing::listOf(form)->Directory()), Pictures() + "/Holiday");
            QCOMPARE(answer.text, vanishing.message);
        }
    }

    void everyPictureTheWindowsOpenIsListedAndCached()
    {
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(Qt::darkRed);
        QVERIFY(picture.save(Pictures() + "/a.png", "PNG"));
        QVERIFY(picture.save(Pictures() + "/b.JPEG", "JPG"));
        QVERIFY(picture.save(Pictures() + "/c.Bmp", "BMP"));
        WriteFile(Pictures() + "/notes.txt", "not a picture");
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        TShListItems &items = testing::listOf(form)->Items();
        QStringList captions;
        for (int i = 0; i < items.Count(); ++i)
            captions << items.Caption(i);
        QCOMPARE(captions, QStringList({"Holiday", "a.png", "b.JPEG", "c.Bmp"}));
        QTRY_VERIFY(form.findChild<QLabel *>("FolderStatus")->text().startsWith("4 items, "));
        const ThumbnailCache cache(128, QFile::encodeName(home_->filePath("cache/thumbnails")).toStdString());
        const std::string entry = cache.EntryPath(ThumbnailCache::UriOf(QFile::encodeName(Pictures() + "/a.png").toStdString()));
        QTRY_VERIFY(std::filesystem::exists(entry));
    }

    void theListsMenuOffersDeletingAndSelectingAll()
    {
        for (const char *name : {"1.jpg", "2.jpg"})
            WriteFile(Pictures() + "/" + name, "picture");
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        auto *menu = form.findChild<QMenu *>("PopupMenu1");
        QVERIFY(menu);
        QCOMPARE(menu->actions().mid(0, 2), QList<QAction *>({testing::framePart(form, "DeleteImage1"), testing::framePart(form, "SelectAll1")}));
        QCOMPARE(testing::framePart(form, "DeleteImage1")->text(), QString("Delete Selected"));
        QCOMPARE(testing::framePart(form, "SelectAll1")->text(), QString("Select All"));
        QCOMPARE(testing::listOf(form)->contextMenuPolicy(), Qt::CustomContextMenu);

        testing::framePart(form, "SelectAll1")->trigger();
        for (int i = 0; i < testing::listOf(form)->Items().Count(); ++i)
            QVERIFY(testing::listOf(form)->Items().Selected(i));
    }

    void theListsViewAndOrderAreKeptForTheNextStart()
    {
        WriteFile(Pictures() + "/big.jpg", QByteArray(5000, 'x'));
        WriteFile(Pictures() + "/small.jpg", "x");
        const QStringList bySize{"Holiday", "small.jpg", "big.jpg"}, byName{"Holiday", "big.jpg", "small.jpg"};
        {
            TForm1 form;
            ShowForm(form);
            ClickSplitterButton(form);
            TShExplorerListView *list = testing::listOf(form);
            QCOMPARE(list->ViewStyleEx(), gvsThumb);
            // Each step: a menu item to choose, or a column header to click; then the order shown.
            const struct {
                const char *menuItem;
                int header;
                QStringList order;
            } steps[] = {
                {"ViewDetails", -1, byName},
                {"ArrangeBySize", -1, bySize},
                {"ArrangeReversed", -1, {"Holiday", "big.jpg", "small.jpg"}},
                {nullptr, kColumnName, {"Holiday", "small.jpg", "big.jpg"}}, // still reversed
                {nullptr, kColumnName, byName},                               // clicked again
                {nullptr, kColumnSize, bySize},
            };
            for (const auto &step : steps) {
                if (step.menuItem)
                    testing::framePart(form, step.menuItem)->trigger();
                else
                    ClickHeader(*list, step.header);
                QCOMPARE(Captions(*list), step.order);
            }
            QCOMPARE(list->ViewStyleEx(), gvsReport);
            form.close();
        }
        const QByteArray ini = ReadFile(home_->filePath("Vistrel.ini"));
        QVERIFY2(ini.contains("[Picture List]\nView=details\nSortBy=size\nSortOrder=ascending\n"), ini.constData());

        TForm1 again;
        ShowForm(again);
        QCOMPARE(Captions(*testing::listOf(again)), QStringList()); // nothing shown before the pane opens
        ClickSplitterButton(again);
        QCOMPARE(testing::listOf(again)->ViewStyleEx(), gvsReport);
        QCOMPARE(Captions(*testing::listOf(again)), bySize);
        QMetaObject::invokeMethod(testing::framePart(again, "ArrangeBySize")->parent(), "aboutToShow");
        QVERIFY(testing::framePart(again, "ArrangeBySize")->isChecked());
        QVERIFY(!testing::framePart(again, "ArrangeReversed")->isChecked());
    }

private:
    QString Pictures() const { return home_->filePath("Pictures"); }
    QString Trash() const { return home_->filePath("data/Trash"); }

    static QStringList Captions(const TShExplorerListView &list)
    {
        QStringList captions;
        for (int i = 0; i < list.Items().Count(); ++i)
            captions << list.Items().Caption(i);
        return captions;
    }

    static void ClickHeader(TShExplorerListView &list, int column)
    {
        auto *header = list.findChild<QHeaderView *>();
        QVERIFY(header && header->isVisible());
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    }

    static QWidget *Panel(TForm1 &form) { return form.findChild<QWidget *>("Panel1"); }

    static void ShowForm(TForm1 &form)
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

    static void ClickSplitterButton(TForm1 &form)
    {
        const TRect button = testing::splitterOf(form)->ButtonRect();
        QTest::mouseClick(testing::splitterOf(form), Qt::LeftButton, {},
                          QPoint((button.Left + button.Right) / 2, (button.Top + button.Bottom) / 2));
    }

    std::unique_ptr<QTemporaryDir> home_;
};

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::BrowserPaneTest>(argc, argv);
}

#include "browser_pane_test.moc"
