#include "app/main_window.h"
#include "tests/app/frame_parts.h"
#include "document/child_window.h"
#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "shellctl/explorer_list_view.h"
#include "tests/document/child_window_parts.h"
#include "tests/support/modal_steps.h"
#include "tests/support/pictures.h"
#include "tests/support/qt_test_main.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QImageWriter>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QLabel>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QUrl>
#include <QtTest>

#include <sys/stat.h>

namespace vistrel {

using testing::FilledPicture;
using testing::imageOf;
using testing::part;
using testing::statusBarHeight;
using testing::toolBarHeight;

namespace {

TChild *childAt(const TForm1 &frame, int index)
{
    return qobject_cast<TChild *>(frame.MDIChild(index));
}

QStringList menuTitles(QMenuBar *bar)
{
    QStringList titles;
    for (QAction *action : bar->actions())
        titles << action->text();
    return titles;
}

} // namespace

class OpenPictureTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void openedSmallJpegGetsTheMinimumWidthAndTheExtraRows();
    void newWindowsCascadeFromTheTopLeftCornerInASmallFrame();
    void largePicturesOpenWithinTheAreaAndFitToIt();
    void openingPointsTheFolderStateAtThePicture();
    void extensionsAreComparedInUpperCaseWhenOpening();
    void everyFormatQtReadsOpensWhateverTheLetterCase();
    void filesNothingCanReadGetAMessageAndNoWindow();
    void theDocumentWindowsOpenHasItsOwnDialog();
    void unreadableFileOpensNoWindow();
    void dropsOpenEveryPictureInOrderAndSkipOtherFiles();
    void dropsAreTakenAsCopiesNeverAsMoves();
    void tileStacksTheWindowsInStripsAsWideAsTheArea();
    void activeWindowMenusReplaceTheFramesMenus();
    void openingCommandsAreEnabled();
    void windowMenuListsTheDocumentsAndBringsTheChosenOneForward();
    void standardKeysActOnTheActiveDocumentOnly();
    void aMenusHintLeavesTheStatusBarWhenTheMenuCloses();
    void changedPicturesAreAskedAboutWhicheverWayTheyClose();
    void windowsOpenedFromADocumentCloseWithIt();

private:
    QString write(const QString &name, const TBitmap &picture);

    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<QTemporaryDir> pictures_;
    std::unique_ptr<TForm1> frame_;
};

void OpenPictureTest::init()
{
    home_ = std::make_unique<QTemporaryDir>();
    pictures_ = std::make_unique<QTemporaryDir>();
    qputenv("VISTREL_HOME", home_->path().toUtf8());
    frame_ = std::make_unique<TForm1>();
    frame_->resize(1000, 800);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
}

void OpenPictureTest::cleanup()
{
    frame_.reset();
    pictures_.reset();
    home_.reset();
}

QString OpenPictureTest::write(const QString &name, const TBitmap &picture)
{
    const QString path = pictures_->filePath(name);
    if (name.endsWith(QStringLiteral(".bmp"), Qt::CaseInsensitive))
        WriteBmpFile(picture, path.toStdString());
    else
        WriteJpegFile(picture, path.toStdString());
    return path;
}

void OpenPictureTest::openedSmallJpegGetsTheMinimumWidthAndTheExtraRows()
{
    const QString path = write(QStringLiteral("small.jpg"), FilledPicture(100, 80, {200, 90, 30, 0}));
    frame_->OpenDocumentWindow(path.toStdString());
    QCOMPARE(frame_->MDIChildCount(), 1);
    TChild *child = childAt(*frame_, 0);
    QVERIFY(child->isVisible());
    QCOMPARE(child->windowTitle(), QStringLiteral("small.jpg"));
    QCOMPARE(child->PicName(), path.toStdString());
    QCOMPARE(child->PictureW(), 100);
    QCOMPARE(child->PictureH(), 80);
    QCOMPARE(imageOf(child)->size(), QSize(100, 80));
    QCOMPARE(child->ClientWidth(), 140);
    QCOMPARE(child->ClientHeight(), 80 + toolBarHeight(child) + statusBarHeight(child) + 10);
    QCOMPARE(child->FormW(), 140);
    QCOMPARE(child->FormH(), child->ClientHeight());
    // The layout really gives the picture its rows once shown.
    QCOMPARE(child->widget()->size(), QSize(child->ClientWidth(), child->ClientHeight()));

    const QString wide = write(QStringLiteral("wide.bmp"), FilledPicture(300, 20, {10, 90, 30, 0}));
    frame_->OpenDocumentWindow(wide.toStdString());
    QCOMPARE(childAt(*frame_, 1)->FormW(), 300);
    QCOMPARE(imageOf(childAt(*frame_, 1))->Picture(), FilledPicture(300, 20, {10, 90, 30, 0}));
}

void OpenPictureTest::newWindowsCascadeFromTheTopLeftCornerInASmallFrame()
{
    frame_->resize(500, 400);
    QTest::qWait(1);
    const QString path = write(QStringLiteral("p.bmp"), FilledPicture(60, 40, {3, 90, 30, 0}));
    frame_->OpenDocumentWindow(path.toStdString());
    frame_->OpenDocumentWindow(path.toStdString());
    QCOMPARE(childAt(*frame_, 0)->pos(), QPoint(0, 0));
    QCOMPARE(childAt(*frame_, 1)->pos(), QPoint(24, 24));
}

// The window is cut to the area, so its title bar and close box are in reach, and the picture
// scrolls inside it; "Fit to Window" then shows the whole picture in the area.
void OpenPictureTest::largePicturesOpenWithinTheAreaAndFitToIt()
{
    const QString path = write(QStringLiteral("large.bmp"), FilledPicture(4000, 3000, {3, 90, 30, 0}));
    TChild *child = frame_->OpenDocumentWindow(path.toStdString());
    QMdiArea *area = frame_->mdiArea();
    QCOMPARE(child->pos(), QPoint(0, 0));
    QVERIFY(area->viewport()->rect().contains(child->geometry()));
    auto *scroll = child->findChild<QScrollArea *>(QStringLiteral("ScrollBox"));
    QTRY_VERIFY(scroll->horizontalScrollBar()->isVisible());
    QCOMPARE(imageOf(child)->size(), QSize(4000, 3000));

    part(child, "FitToWindow")->trigger();
    QVERIFY(area->viewport()->rect().contains(child->geometry()));
    const QSize fitted = imageOf(child)->size();
    QVERIFY(imageOf(child)->Stretch());
    QVERIFY2(fitted.width() * 3 / 4 - fitted.height() <= 1 && fitted.height() - fitted.width() * 3 / 4 <= 1,
             qPrintable(QStringLiteral("%1x%2").arg(fitted.width()).arg(fitted.height())));
    QVERIFY(fitted.width() == child->ClientWidth() || fitted.height() + toolBarHeight(child) + statusBarHeight(child) ==
                                                          child->ClientHeight());
}

void OpenPictureTest::openingPointsTheFolderStateAtThePicture()
{
    const QString path = write(QStringLiteral("a.jpg"), FilledPicture(30, 30, {1, 90, 30, 0}));
    frame_->OpenDocumentWindow(path.toStdString());
    const std::string folder = pictures_->path().toStdString();
    QCOMPARE(frame_->State().LastPicturePath(), folder + "/");
    QTRY_COMPARE(testing::listOf(*frame_)->Directory(), folder);
}

void OpenPictureTest::extensionsAreComparedInUpperCaseWhenOpening()
{
    const QString path = write(QStringLiteral("photo.Jpg"), FilledPicture(50, 40, {7, 90, 30, 0}));
    frame_->OpenDocumentWindow(path.toStdString());
    QCOMPARE(imageOf(childAt(*frame_, 0))->Picture().width(), 50);
}

void OpenPictureTest::everyFormatQtReadsOpensWhateverTheLetterCase()
{
    QImage source(37, 21, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, qRgb(6 * x, 10 * y, 200));
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    int opened = 0;
    for (const char *name : {"shot.png", "Screenshot.PNG", "PHOTO.JPG", "photo.Jpeg", "OLD.BMP", "icon.ico",
                             "scan.tiff", "web.webp", "movie.GIF"}) {
        const QByteArray format = QFileInfo(QString::fromLatin1(name)).suffix().toLower().toLatin1();
        if (!writable.contains(format == "jpeg" ? QByteArray("jpg") : format))
            continue; // a machine without that plugin
        const QString path = pictures_->filePath(QString::fromLatin1(name));
        QVERIFY2(source.save(path, format.constData(), 100), name);
        frame_->OpenDocumentWindow(path.toStdString());
        TChild *child = childAt(*frame_, opened++);
        QVERIFY2(child, name);
        QCOMPARE(child->windowTitle(), QString::fromLatin1(name));
        QCOMPARE(imageOf(child)->Picture().width(), 37);
        QCOMPARE(imageOf(child)->Picture().height(), 21);
        const PaletteEntry middle = imageOf(child)->Picture().pixel(20, 10);
        QVERIFY2(std::abs(middle.r - 120) < 12 && std::abs(middle.g - 100) < 12 && std::abs(middle.b - 200) < 12, name);
    }
    QVERIFY(opened >= 6);

    // Transparency is kept: a 32-bit picture.
    QImage clear(8, 8, QImage::Format_ARGB32);
    clear.fill(qRgba(10, 20, 30, 40));
    const QString path = pictures_->filePath(QStringLiteral("clear.png"));
    QVERIFY(clear.save(path, "PNG"));
    frame_->OpenDocumentWindow(path.toStdString());
    QCOMPARE(imageOf(childAt(*frame_, opened))->Picture().pixelFormat(), PixelFormat::pf32bit);
}

void OpenPictureTest::filesNothingCanReadGetAMessageAndNoWindow()
{
    const QString empty = pictures_->filePath(QStringLiteral("x.ico"));
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = pictures_->filePath(QStringLiteral("notes.png"));
    QFile notes(text);
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("no picture in here");
    notes.close();
    // Nothing ever writes to the pipe: opening it for reading would wait for ever.
    const QString pipe = pictures_->filePath(QStringLiteral("pipe.jpg"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString &path : {empty, text, pictures_->filePath(QStringLiteral("gone.png")), pipe}) {
        try {
            frame_->OpenDocumentWindow(path.toStdString());
            QFAIL(qPrintable(path + " opened"));
        } catch (const Error &error) {
            QVERIFY2(QString::fromUtf8(error.what()).startsWith("Cannot read picture " + path + ": "), error.what());
        }
    }
    QCOMPARE(frame_->MDIChildCount(), 0);
}

// The document window's "&Open..." asks with a dialog of its own and opens the picture in a window
// that belongs to it; the frame's Open is not involved.
void OpenPictureTest::theDocumentWindowsOpenHasItsOwnDialog()
{
    frame_->OpenDocumentWindow(write(QStringLiteral("a.jpg"), FilledPicture(20, 20, {1, 90, 30, 0})).toStdString());
    QAction *open = part<QMenu>(childAt(*frame_, 0), "FileMenu")->actions().first();
    QCOMPARE(open->text(), QStringLiteral("&Open..."));
    QVERIFY(open->isEnabled());
    QSignalSpy asked(testing::framePart(*frame_, "Open1"), &QAction::triggered);
    QString dialogName;
    QTimer::singleShot(0, this, [&dialogName] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            dialogName = dialog->objectName();
            dialog->close();
        }
    });
    open->trigger();
    QCOMPARE(dialogName, QStringLiteral("od"));
    QCOMPARE(asked.count(), 0);
    QCOMPARE(frame_->MDIChildCount(), 1);
}

void OpenPictureTest::unreadableFileOpensNoWindow()
{
    const QString path = pictures_->filePath(QStringLiteral("broken.jpg"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xff\xd8\xff\xe0 truncated");
    file.close();
    QVERIFY_THROWS_EXCEPTION(Error, frame_->OpenDocumentWindow(path.toStdString()));
    QCOMPARE(frame_->MDIChildCount(), 0);
}

void OpenPictureTest::dropsOpenEveryPictureInOrderAndSkipOtherFiles()
{
    const auto written = [this](const char *name, uint8_t blue) {
        return QUrl::fromLocalFile(write(QString::fromLatin1(name), FilledPicture(20, 20, {blue, 90, 30, 0})));
    };
    const QList<QUrl> urls{written("a.jpg", 1), QUrl::fromLocalFile(pictures_->filePath(QStringLiteral("b.txt"))),
                           written("c.bmp", 2), written("PHOTO.JPG", 3)};
    QMimeData data;
    data.setUrls(urls);
    const QPoint onTheArea = frame_->mdiArea()->mapTo(frame_.get(), frame_->mdiArea()->rect().center());
    QDragEnterEvent enter(onTheArea, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(onTheArea, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame_.get(), &drop);
    QCOMPARE(frame_->MDIChildCount(), 3);
    QCOMPARE(childAt(*frame_, 0)->windowTitle(), QStringLiteral("a.jpg"));
    QCOMPARE(childAt(*frame_, 1)->windowTitle(), QStringLiteral("c.bmp"));
    QCOMPARE(childAt(*frame_, 2)->windowTitle(), QStringLiteral("PHOTO.JPG"));
}

void OpenPictureTest::dropsAreTakenAsCopiesNeverAsMoves()
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(write(QStringLiteral("a.jpg"), FilledPicture(20, 20, {1, 90, 30, 0})))});
    const QPoint onTheArea = frame_->mdiArea()->mapTo(frame_.get(), frame_->mdiArea()->rect().center());
    const struct {
        Qt::DropActions offered;
        bool accepted;
        Qt::DropAction taken;
    } cases[] = {{Qt::CopyAction | Qt::MoveAction, true, Qt::CopyAction},
                 {Qt::MoveAction | Qt::LinkAction, true, Qt::LinkAction},
                 {Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, true, Qt::CopyAction},
                 {Qt::MoveAction, false, Qt::MoveAction}};
    int windows = 0;
    for (const auto &c : cases) {
        QDragEnterEvent enter(onTheArea, c.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(frame_.get(), &enter);
        QCOMPARE(enter.isAccepted(), c.accepted);
        QDragMoveEvent move(onTheArea, c.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(frame_.get(), &move);
        QDropEvent drop(onTheArea, c.offered, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(frame_.get(), &drop);
        QCOMPARE(drop.isAccepted(), c.accepted);
        if (!c.accepted)
            continue;
        QCOMPARE(enter.dropAction(), c.taken);
        QCOMPARE(move.dropAction(), c.taken);
        QCOMPARE(drop.dropAction(), c.taken);
        QCOMPARE(frame_->MDIChildCount(), ++windows);
    }
    QCOMPARE(frame_->MDIChildCount(), 3);
}

void OpenPictureTest::tileStacksTheWindowsInStripsAsWideAsTheArea()
{
    const QString path = write(QStringLiteral("p.bmp"), FilledPicture(60, 40, {3, 90, 30, 0}));
    for (int i = 0; i < 3; ++i)
        frame_->OpenDocumentWindow(path.toStdString());
    for (QAction *tile : {testing::framePart(*frame_, "Tile1"), part<QMenu>(childAt(*frame_, 0), "WindowMenu")->actions().first()}) {
        for (int i = 0; i < 3; ++i)
            childAt(*frame_, i)->setGeometry(40 * i, 30 * i, 200, 150);
        tile->trigger();
        const QSize area = frame_->mdiArea()->viewport()->size();
        QList<QRect> strips;
        for (int i = 0; i < 3; ++i)
            strips << childAt(*frame_, i)->geometry();
        std::sort(strips.begin(), strips.end(), [](QRect a, QRect b) { return a.top() < b.top(); });
        int top = 0;
        for (const QRect &strip : strips) {
            QCOMPARE(strip.left(), 0);
            QCOMPARE(strip.width(), area.width());
            QCOMPARE(strip.top(), top);
            top += strip.height();
        }
        QCOMPARE(top, area.height());
    }
}

void OpenPictureTest::activeWindowMenusReplaceTheFramesMenus()
{
    QMenuBar *bar = frame_->menuBar();
    const QStringList frameMenus = menuTitles(bar);
    frame_->OpenDocumentWindow(write(QStringLiteral("a.jpg"), FilledPicture(20, 20, {1, 90, 30, 0})).toStdString());
    frame_->OpenDocumentWindow(write(QStringLiteral("b.jpg"), FilledPicture(20, 20, {1, 90, 30, 0})).toStdString());
    QTRY_COMPARE(menuTitles(bar), (QStringList{"File", "Tools", "Markup", "Window", "&Help"}));
    TChild *active = qobject_cast<TChild *>(frame_->mdiArea()->activeSubWindow());
    QVERIFY(active);
    QCOMPARE(bar->actions().first(), part<QMenu>(active, "FileMenu")->menuAction());

    frame_->CloseAllChildren();
    QTRY_COMPARE(frame_->MDIChildCount(), 0);
    QTRY_COMPARE(menuTitles(bar), frameMenus);
}

void OpenPictureTest::openingCommandsAreEnabled()
{
    QVERIFY(testing::framePart(*frame_, "Open1")->isEnabled());
    QVERIFY(testing::framePart(*frame_, "actEdit")->isEnabled());
}

void OpenPictureTest::windowMenuListsTheDocumentsAndBringsTheChosenOneForward()
{
    const auto listed = [](QMenu *menu) {
        Q_EMIT menu->aboutToShow();
        QStringList items;
        for (QAction *action : menu->actions())
            if (action->isCheckable())
                items << action->text() + (action->isChecked() ? "*" : "");
        return items;
    };
    QMenu *frameMenu = nullptr;
    for (QAction *title : frame_->menuBar()->actions())
        if (title->text() == QStringLiteral("Window"))
            frameMenu = title->menu();
    QVERIFY(frameMenu);
    QVERIFY(listed(frameMenu).isEmpty());
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        frame_->OpenDocumentWindow(write(QString::fromLatin1(name), FilledPicture(20, 20, {1, 90, 30, 0})).toStdString());
    frame_->mdiArea()->setActiveSubWindow(childAt(*frame_, 2));
    for (QMenu *menu : {frameMenu, part<QMenu>(childAt(*frame_, 1), "WindowMenu")}) {
        QCOMPARE(listed(menu), (QStringList{"&1 a.jpg", "&2 b.jpg", "&3 c.jpg*"}));
        QCOMPARE(listed(menu).size(), 3); // opening again lists them once
    }
    QMenu *menu = part<QMenu>(childAt(*frame_, 2), "WindowMenu");
    listed(menu);
    for (QAction *action : menu->actions())
        if (action->text() == QStringLiteral("&1 a.jpg"))
            action->trigger();
    QCOMPARE(frame_->mdiArea()->activeSubWindow(), childAt(*frame_, 0));
    childAt(*frame_, 1)->close();
    QCOMPARE(listed(frameMenu), (QStringList{"&1 a.jpg*", "&2 c.jpg"}));
}

void OpenPictureTest::standardKeysActOnTheActiveDocumentOnly()
{
    const QString path = write(QStringLiteral("p.bmp"), FilledPicture(30, 20, {3, 90, 30, 0}));
    frame_->OpenDocumentWindow(path.toStdString());
    frame_->OpenDocumentWindow(path.toStdString());
    TChild *first = childAt(*frame_, 0);
    TChild *second = childAt(*frame_, 1);
    frame_->mdiArea()->setActiveSubWindow(second);
    QTRY_VERIFY(second->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == second);
    part<QMenu>(second, "ToolsMenu")->actions().first()->trigger();
    QCOMPARE(second->UndoList().size(), size_t(1));

    const auto press = [this](QKeySequence key) {
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : frame_.get(), key);
    };
    QSignalSpy undone(part<QAction>(second, "actUndo"), &QAction::triggered);
    QSignalSpy redone(part<QAction>(second, "actRedo"), &QAction::triggered);
    const struct {
        QKeySequence key;
        int undos, redos;
    } keys[] = {{QKeySequence(Qt::CTRL | Qt::Key_Z), 1, 0},
                {QKeySequence(Qt::CTRL | Qt::Key_Y), 1, 1},
                {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), 1, 2}};
    for (const auto &k : keys) {
        press(k.key);
        QCOMPARE(undone.count(), k.undos);
        QCOMPARE(redone.count(), k.redos);
    }
    QVERIFY(first->UndoList().empty() && first->RedoList().empty());

    // Keys the program gives a meaning of its own keep it; no key does two things in one window.
    QCOMPARE(part<QAction>(second, "PasteAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));
    QVERIFY(part<QAction>(second, "SaveAs1")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_S)));
    QVERIFY(part<QAction>(second, "Print1")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_P)));
    QSet<QString> taken;
    for (QAction *action : second->findChildren<QAction *>())
        for (const QKeySequence &key : action->shortcuts()) {
            QVERIFY2(!taken.contains(key.toString()), qPrintable(key.toString()));
            taken.insert(key.toString());
        }

    testing::ModalSteps discard({testing::AnswerMessage(nullptr, QMessageBox::Discard)}); // it was turned
    press(QKeySequence(Qt::CTRL | Qt::Key_W));
    QTRY_COMPARE(frame_->MDIChildCount(), 1);
    QVERIFY(discard.done());
    QCOMPARE(childAt(*frame_, 0), first);
}

void OpenPictureTest::aMenusHintLeavesTheStatusBarWhenTheMenuCloses()
{
    auto *panel = frame_->findChild<QLabel *>(QStringLiteral("StatusPanel0"));
    QVERIFY(panel);
    frame_->OpenDocumentWindow(write(QStringLiteral("a.jpg"), FilledPicture(20, 20, {1, 90, 30, 0})).toStdString());
    QList<QPointer<QMenu>> menus;
    for (QAction *title : frame_->menuBar()->actions())
        menus << title->menu();
    frame_->CloseAllChildren();
    QTRY_COMPARE(frame_->MDIChildCount(), 0);
    for (QAction *title : frame_->menuBar()->actions())
        menus << title->menu();
    for (const QPointer<QMenu> &menu : menus) {
        QStatusTipEvent hint(QStringLiteral("Only about so far"));
        QCoreApplication::sendEvent(frame_.get(), &hint);
        QCOMPARE(panel->text(), QStringLiteral("Only about so far"));
        if (!menu) // a document window's menus end with it
            continue;
        Q_EMIT menu->aboutToHide();
        QCOMPARE(panel->text(), QString());
    }
}

// A rotated picture and a pasted one (which has no file) are asked about before any window goes;
// Cancel keeps every window, and the program, as they were.
void OpenPictureTest::changedPicturesAreAskedAboutWhicheverWayTheyClose()
{
    const std::string path = write(QStringLiteral("a.bmp"), FilledPicture(30, 20, {1, 90, 30, 0})).toStdString();
    const struct {
        const char *way;
        std::function<void()> close;
        int asked, left; // questions answered with Discard, windows left afterwards
    } ways[] = {
        {"Ctrl+W",
         [this] {
             frame_->activateWindow();
             QTRY_VERIFY(QApplication::focusWidget());
             QTest::keySequence(QApplication::focusWidget(), QKeySequence(Qt::CTRL | Qt::Key_W));
         },
         1, 1},
        {"Close All", [this] { testing::framePart(*frame_, "CloseAll1")->trigger(); }, 2, 0},
        {"Exit", [this] { testing::framePart(*frame_, "Exit1")->trigger(); }, 2, 0},
    };
    for (const auto &way : ways) {
        frame_->show();
        TChild *rotated = frame_->OpenDocumentWindow(path);
        part(rotated, "rotate-right")->trigger();
        frame_->OpenDocumentWindow(FilledPicture(10, 10, {9, 9, 9, 0}));
        QString question;
        {
            testing::ModalSteps answers({testing::AnswerMessage(&question, QMessageBox::Cancel)});
            way.close();
            QTRY_VERIFY2(answers.done(), way.way);
        }
        QCOMPARE(question, QStringLiteral("Confirm|Save changes to Child?"));
        QCOMPARE(frame_->MDIChildCount(), 2);
        QVERIFY(frame_->isVisible());

        const auto discarding = [](int questions) {
            return std::deque<testing::ModalSteps::Step>(questions, testing::AnswerMessage(nullptr, QMessageBox::Discard));
        };
        {
            testing::ModalSteps answers(discarding(way.asked));
            way.close();
            QTRY_VERIFY2(answers.done(), way.way);
        }
        QTRY_COMPARE(frame_->MDIChildCount(), way.left);
        testing::ModalSteps rest(discarding(way.left));
        frame_->CloseAllChildren();
        QTRY_COMPARE(frame_->MDIChildCount(), 0);
    }
    QVERIFY(!frame_->isVisible());
}

// "&Open..." of a document window: the picture at its natural size, in a window that goes when
// the one it was opened from goes, after asking about its own changes.
void OpenPictureTest::windowsOpenedFromADocumentCloseWithIt()
{
    TChild *owner = frame_->OpenDocumentWindow(write(QStringLiteral("first.bmp"), FilledPicture(40, 30, {1, 2, 3, 0})).toStdString());
    const TBitmap second = FilledPicture(90, 70, {4, 5, 6, 0});
    const QString path = write(QStringLiteral("photo.BMP"), second);
    {
        testing::ModalSteps answers({testing::ChooseFile(path)});
        part(owner, "Open1")->trigger();
        QVERIFY(answers.done());
    }
    QCOMPARE(frame_->MDIChildCount(), 2);
    QPointer<TChild> opened = childAt(*frame_, 1);
    QCOMPARE(opened->windowTitle(), QStringLiteral("photo.BMP"));
    QCOMPARE(imageOf(opened)->size(), QSize(90, 70));
    QVERIFY(opened->Picture() == second);

    part(opened, "rotate-left")->trigger();
    {
        testing::ModalSteps answers({testing::AnswerMessage(nullptr, QMessageBox::Cancel)});
        owner->close();
        QTRY_VERIFY(answers.done());
    }
    QCOMPARE(frame_->MDIChildCount(), 2);
    testing::ModalSteps answers({testing::AnswerMessage(nullptr, QMessageBox::Discard)});
    owner->close();
    QTRY_VERIFY(opened.isNull());
    QCOMPARE(frame_->MDIChildCount(), 0);
}

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::OpenPictureTest>(argc, argv);
}

#include "open_picture_test.moc"
