#include "app/main_window.h"
#include "tests/app/frame_parts.h"
#include "document/child_window.h"
#include "shellctl/explorer_list_view.h"
#include "tests/support/qt_test_main.h"
#include "tests/support/url_recorder.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <memory>

namespace vistrel {

namespace {

QStringList FileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void WriteFile(const QString &path, const QString &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

QString HomeFolder() { return QDir::homePath() + '/'; }

// Records the order in which sub windows receive their close.
class CloseRecorder : public QObject {
public:
    explicit CloseRecorder(std::function<void(QObject *)> onClose) : onClose_(std::move(onClose)) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            onClose_(watched);
        return false;
    }

private:
    std::function<void(QObject *)> onClose_;
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        home_ = std::make_unique<QTemporaryDir>();
        QVERIFY(home_->isValid());
        qputenv("VISTREL_HOME", home_->path().toLocal8Bit());
    }

    void firstRunCreatesSettingsAndShotsAndOpensAtDefaultBounds()
    {
        TForm1 form;
        QVERIFY(QFileInfo(IniPath()).isFile());
        QCOMPARE(QFileInfo(IniPath()).size(), 0);
        QVERIFY(QFileInfo(home_->filePath("Shots")).isDir());
        QCOMPARE(QString::fromStdString(form.State().SettingsFile()), IniPath());
        QCOMPARE(QString::fromStdString(form.State().ShotsFolder()), home_->filePath("Shots"));
        QCOMPARE(QString::fromStdString(form.State().LastPicturePath()), HomeFolder());
        QVERIFY(form.State().LastShotPath().empty());
        QCOMPARE(form.windowTitle(), QString("-"));

        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The offscreen platform honours positions the way a window manager normally does.
        QCOMPARE(form.pos(), QPoint(10, 10));
        QCOMPARE(form.size(), QSize(590, 490));
    }

    void closeWritesStartDirBeforeBounds()
    {
        {
            TForm1 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            form.close();
        }
        QCOMPARE(FileLines(IniPath()), QStringList({"[Start with]", "StartDir=" + HomeFolder(), "[Bounds]", "Left=10",
                                                    "Top=10", "Right=600", "Bottom=500"}));
    }

    void startRemovesTemporaryFilesThatAKilledRunLeftBehind()
    {
        QVERIFY(QDir().mkpath(home_->filePath("Shots")));
        const QDateTime longAgo = QDateTime::currentDateTime().addSecs(-3600);
        struct Entry {
            QString path;
            bool old;
            bool kept;
        };
        const Entry entries[] = {
            {home_->filePath(".Vistrel.ini.vistrel-k1lled"), true, false},
            {home_->filePath("Shots/.SShot3_0.jpg.vistrel-k1lled"), true, false},
            {home_->filePath(".Vistrel.ini.vistrel-busy00"), false, true},
            {home_->filePath("Shots/SShot3_0.jpg"), true, true},
        };
        for (const Entry &entry : entries) {
            WriteFile(entry.path, "x");
            if (entry.old) {
                QFile file(entry.path);
                QVERIFY(file.open(QIODevice::ReadWrite));
                QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
            }
        }
        TForm1 form;
        for (const Entry &entry : entries)
            QCOMPARE(QFileInfo::exists(entry.path), entry.kept);
    }

    void storedStateComesBackOnTheNextRun()
    {
        const QString pictures = home_->filePath("Pictures");
        QVERIFY(QDir().mkpath(pictures));
        WriteFile(IniPath(), "[Start with]\nStartDir=" + pictures +
                                 "\n[Bounds]\nLeft=100\nTop=50\nRight=700\nBottom=450\n");
        TForm1 form;
        QCOMPARE(QString::fromStdString(form.State().LastPicturePath()), pictures + '/');
        QCOMPARE(testing::listOf(form)->Directory(), std::string()); // filled when the pane is opened
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.pos(), QPoint(100, 50));
        QCOMPARE(form.size(), QSize(600, 400));
    }

    void deletedStartDirFallsBackToTheHomeFolder()
    {
        WriteFile(IniPath(), "[Start with]\nStartDir=" + home_->filePath("gone") + "/\n");
        {
            TForm1 form;
            QCOMPARE(QString::fromStdString(form.State().LastPicturePath()), HomeFolder());
            form.close();
        }
        QVERIFY(FileLines(IniPath()).contains("StartDir=" + HomeFolder()));
    }

    void tilesCoverTheClientAreaColumnsFirst()
    {
        const std::vector<QPoint> wide = TForm1::TilePositions(100, 100, 250, 100);
        QCOMPARE(wide, std::vector<QPoint>({{0, 0}, {0, 100}, {100, 0}, {100, 100}, {200, 0}, {200, 100}}));

        std::vector<int> columns;
        for (const QPoint &position : TForm1::TilePositions(100, 100, 200, 50))
            columns.push_back(position.x());
        QCOMPARE(columns, std::vector<int>({0, 100, 200}));

        QCOMPARE(TForm1::TilePositions(100, 100, 0, 0), std::vector<QPoint>({{0, 0}}));
        QVERIFY(TForm1::TilePositions(0, 100, 250, 250).empty());
        QVERIFY(TForm1::TilePositions(100, 0, 250, 250).empty());
    }

    void closingTheFrameClosesDocumentsLastFirstAfterSavingStartDir()
    {
        TForm1 form;
        std::vector<int> closed;
        bool startDirSavedFirst = false;
        CloseRecorder recorder([&](QObject *child) {
            if (closed.empty())
                startDirSavedFirst = FileLines(IniPath()).contains("StartDir=" + HomeFolder());
            closed.push_back(child->property("number").toInt());
        });
        for (int number = 1; number <= 3; ++number) {
            auto *child = form.mdiArea()->addSubWindow(new QLabel(QString::number(number)));
            child->setAttribute(Qt::WA_DeleteOnClose);
            child->setProperty("number", number);
            child->installEventFilter(&recorder);
        }
        QCOMPARE(form.MDIChildCount(), 3);

        form.close();
        QCOMPARE(closed, std::vector<int>({3, 2, 1}));
        QVERIFY(startDirSavedFirst);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(form.MDIChildCount(), 0);
    }

    // Root writes anywhere, so the settings file is made unwritable by being a folder.
    void anUnwritableSettingsFileIsReportedOnceWhileTheWindowIsShown()
    {
        QVERIFY(QDir().mkpath(IniPath()));
        int boxes = 0, overAHiddenWindow = 0;
        TForm1 *watched = nullptr;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++boxes;
            if (!watched || !watched->isVisible())
                ++overAHiddenWindow;
            box->close();
        });
        answerer.start(5);
        {
            TForm1 form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QTest::qWait(20);
            boxes = overAHiddenWindow = 0; // start-up may report the folder as it reads it
            watched = &form;
            form.close();
            watched = nullptr;
        }
        QTest::qWait(20);
        QCOMPARE(boxes, 1);
        QCOMPARE(overAHiddenWindow, 0);
    }

    void helpOpensTheHelpFileOnlyWhenItExists()
    {
        testing::UrlRecorder viewer;
        {
            TForm1 form;
            testing::framePart(form, "Help2")->trigger();
            QVERIFY(viewer.opened.isEmpty());
        }
        WriteFile(home_->filePath("Vistrel.hlp"), "contents");
        qputenv("XDG_CACHE_HOME", home_->filePath("cache").toUtf8());
        {
            TForm1 form;
            testing::framePart(form, "Help2")->trigger();
            // Under a name the desktop's opener knows, leading to the help file.
            QCOMPARE(viewer.opened, QList<QUrl>({QUrl::fromLocalFile(home_->filePath("cache/vistrel/Vistrel.html"))}));
            QCOMPARE(QFileInfo(viewer.opened.first().toLocalFile()).canonicalFilePath(),
                     QFileInfo(home_->filePath("Vistrel.hlp")).canonicalFilePath());
        }
        qunsetenv("XDG_CACHE_HOME");
    }

    void startFilesOpenEachReadablePictureAndReportTheOthers()
    {
        const QString folder = home_->path() + '/';
        QImage picture(30, 20, QImage::Format_RGB32);
        picture.fill(qRgb(200, 40, 10));
        QVERIFY(picture.save(folder + "a.JPG", "JPEG"));
        QVERIFY(picture.save(folder + "b.png", "PNG"));
        QVERIFY(picture.scaled(16, 16).save(folder + "c.ico", "ICO"));
        QVERIFY(picture.save(folder + "d.jpe", "JPEG")); // a JPEG under a name the dialog does not know
        WriteFile(folder + "notes.txt", "not a picture");

        TForm1 form;
        form.show();
        QStringList messages;
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [&messages] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                messages << box->text();
                box->close();
            }
        });
        answerer.start(10);
        const QString started = QDir::currentPath();
        QDir::setCurrent(folder); // names given relative to where the program was started
        const std::string at = folder.toStdString();
        form.OpenStartFiles({at + "a.JPG", at + "notes.txt", "b.png", at + "missing.bmp", at + "c.ico", "d.jpe"});
        QDir::setCurrent(started);
        answerer.stop();

        QStringList titles;
        for (QMdiSubWindow *window : form.mdiArea()->subWindowList())
            titles << window->windowTitle();
        QCOMPARE(titles, (QStringList{"a.JPG", "b.png", "c.ico", "d.jpe"}));
        QCOMPARE(qobject_cast<TChild *>(form.mdiArea()->subWindowList().at(1))->PictureW(), 30);
        QCOMPARE(messages.size(), 2);
        QVERIFY2(messages.at(0).contains("notes.txt"), qPrintable(messages.at(0)));
        QVERIFY2(messages.at(1).contains("missing.bmp"), qPrintable(messages.at(1)));
    }

    void hintsAppearInTheStatusBar()
    {
        TForm1 form;
        auto *panel = form.findChild<QLabel *>("StatusPanel0");
        QVERIFY(panel);
        auto *toolBar = form.findChild<QToolBar *>("ToolBar1");
        testing::framePart(form, "actShoot")->showStatusText(toolBar->widgetForAction(testing::framePart(form, "actShoot")));
        QCOMPARE(panel->text(), QString("Take a shot"));
        testing::framePart(form, "Open1")->showStatusText(toolBar);
        QCOMPARE(panel->text(), QString("Open picture"));
        QStatusTipEvent leave{QString()};
        QApplication::sendEvent(toolBar, &leave);
        QCOMPARE(panel->text(), QString());
    }

private:
    QString IniPath() const { return home_->filePath("Vistrel.ini"); }

    std::unique_ptr<QTemporaryDir> home_;
};

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::MainWindowTest>(argc, argv);
}

#include "main_window_test.moc"
