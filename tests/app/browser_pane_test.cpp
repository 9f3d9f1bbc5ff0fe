#include "app/main_window.h"
#include "shellctl/dir_tree.h"
#include "shellctl/explorer_list_view.h"
#include "widgets/collapse_splitter.h"
#include "tests/support/qt_files.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        QVERIFY(QDir().mkpath(Pictures() + "/Holiday"));
        WriteFile(home_->filePath("Vistrel.ini"), ("[Start with]\nStartDir=" + Pictures() + "/\n").toUtf8());
    }

    void startsCollapsedToAThinBar()
    {
        TForm1 form;
        ShowForm(form);
        QVERIFY(form.CollapseSplitter1->Maximized());
        QCOMPARE(form.CollapseSplitter1->RestoreSize(), 222);
        QCOMPARE(Panel(form)->width(), 1);
        QVERIFY(form.DirTree->isHidden());
        QCOMPARE(form.thumblist->Directory(), std::string());
        QCOMPARE(form.CollapseSplitter1->Neighbour(), Panel(form));
    }

    void theButtonOpensThePaneOnTheRememberedFolderInThumbnails()
    {
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        QVERIFY(!form.CollapseSplitter1->Maximized());
        QTRY_COMPARE(Panel(form)->width(), 222);
        QVERIFY(form.DirTree->isVisible());
        QVERIFY(form.thumblist->isVisible());
        QCOMPARE(QString::fromStdString(form.DirTree->SelectedPath()), Pictures() + "/");
        QCOMPARE(QString::fromStdString(form.thumblist->Directory()), Pictures());
        QCOMPARE(form.thumblist->ViewStyleEx(), gvsThumb);
    }

    void openingOnAVanishedFolderSaysSoAndKeepsTheView()
    {
        TForm1 form;
        ShowForm(form);
        form.LastPicturePath = (Pictures() + "/gone/").toStdString();
        MessageBoxAnswer answer("OK");
        ClickSplitterButton(form);
        QTRY_COMPARE(answer.text, QString("Directory does not exist"));
        QCOMPARE(form.thumblist->ViewStyleEx(), gvsIcon);
        QCOMPARE(form.thumblist->Directory(), std::string());
    }

    void clickingAFolderShowsItAndRemembersIt()
    {
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        form.DirTree->setSelectedPath((Pictures() + "/Holiday").toStdString());
        Q_EMIT form.DirTree->OnClick(form.DirTree);
        QCOMPARE(QString::fromStdString(form.LastPicturePath), Pictures() + "/Holiday/");
        QCOMPARE(QString::fromStdString(form.thumblist->Directory()), Pictures() + "/Holiday");
    }

    void doubleClickOpensOnlyAPicture()
    {
        WritePicture(Pictures() + "/a.bmp");
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        TShListItems &items = form.thumblist->Items();
        QCOMPARE(items.Count(), 2);

        Q_EMIT form.thumblist->OnDblClick(form.thumblist);
        QCOMPARE(form.MDIChildCount(), 0); // nothing selected
        items.setSelected(0, true);         // the folder
        Q_EMIT form.thumblist->OnDblClick(form.thumblist);
        QCOMPARE(form.MDIChildCount(), 0);

        form.thumblist->DeselectAll();
        items.setSelected(1, true);
        Q_EMIT form.thumblist->OnDblClick(form.thumblist);
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
        Q_EMIT form.DirTree->OnDropFiles(form.DirTree, 5, 5, target,
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

    void deleteSelectedDeletesExactlyTheSelectedFilesAfterYes()
    {
        for (const char *name : {"1.jpg", "2.jpg", "3.jpg", "4.bmp", "5.bmp"})
            WriteFile(Pictures() + "/" + name, "picture");
        TForm1 form;
        ShowForm(form);
        ClickSplitterButton(form);
        TShListItems &items = form.thumblist->Items();
        QCOMPARE(items.Count(), 6);
        for (int index : {0, 1, 3, 5}) // the folder, 1.jpg, 3.jpg and 5.bmp
            items.setSelected(index, true);

        {
            MessageBoxAnswer answer("&No");
            form.DeleteImage1->trigger();
            QCOMPARE(answer.title, QString("Confirm"));
            QCOMPARE(answer.text, QString("Do you really want to delete this/these image(s)?"));
        }
        QCOMPARE(QDir(Pictures()).entryList(QDir::Files).size(), 5);

        MessageBoxAnswer answer("&Yes");
        form.DeleteImage1->trigger();
        QCOMPARE(QDir(Pictures()).entryList(QDir::Files), QStringList({"2.jpg", "4.bmp"}));
        QVERIFY(QFileInfo(Pictures() + "/Holiday").isDir());
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
        QCOMPARE(menu->actions(), QList<QAction *>({form.DeleteImage1, form.SelectAll1}));
        QCOMPARE(form.DeleteImage1->text(), QString("Delete Selected"));
        QCOMPARE(form.SelectAll1->text(), QString("Select All"));
        QCOMPARE(form.thumblist->contextMenuPolicy(), Qt::CustomContextMenu);

        form.SelectAll1->trigger();
        for (int i = 0; i < form.thumblist->Items().Count(); ++i)
            QVERIFY(form.thumblist->Items().Selected(i));
    }

private:
    QString Pictures() const { return home_->filePath("Pictures"); }

    static QWidget *Panel(TForm1 &form) { return form.findChild<QWidget *>("Panel1"); }

    static void ShowForm(TForm1 &form)
    {
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
    }

    static void ClickSplitterButton(TForm1 &form)
    {
        const TRect button = form.CollapseSplitter1->ButtonRect();
        QTest::mouseClick(form.CollapseSplitter1, Qt::LeftButton, {},
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
