#include "document/child_window.h"
#include "tests/document/child_window_parts.h"
#include "tests/support/pictures.h"

#include "imaging/effects.h"
#include "imaging/enhance_form.h"
#include "platform/qimage_bridge.h"
#include "tests/support/qt_test_main.h"
#include "tests/support/url_recorder.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScrollBar>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace vistrel {

using testing::imageOf;
using testing::NumberedPicture;
using testing::part;
using testing::resetZoom;
using testing::statusBarHeight;
using testing::toolBarHeight;
using testing::zoomIn;
using testing::zoomOut;

namespace {

QImage toQImageForTest(const TBitmap &picture)
{
    return toQImage(picture).convertToFormat(QImage::Format_RGB32);
}

void sendMouse(QWidget *target, QEvent::Type type, QPoint position, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, position, target->mapToGlobal(position), button, buttons, modifiers);
    QCoreApplication::sendEvent(target, &event);
}

void press(QWidget *target, QPoint position, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendMouse(target, QEvent::MouseButtonPress, position, button, button, modifiers);
}

void drag(QWidget *target, QPoint to, Qt::MouseButtons buttons = Qt::LeftButton,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendMouse(target, QEvent::MouseMove, to, Qt::NoButton, buttons, modifiers);
}

// Runs `step` on the enhancement dialog once it is showing modally.
void whenDialogShows(std::function<void(TPicEnhanceForm &)> step)
{
    QTimer::singleShot(0, [step] {
        auto *dialog = qobject_cast<TPicEnhanceForm *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        step(*dialog);
    });
}

} // namespace

class ChildWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void zoomStepsScaleControlAndFitTheWindow();
    void quarterTurnsFitTheWindowAtTheSameZoom();
    void firstZoomStartsFromTheNaturalSize();
    void scrollBarsFollowTheNaturalSize();
    void everyToolButtonShowsAtTheSmallestWidth();
    void resetOfAPastedPictureTakesTheControlSize();

    void leftDragSelectsInClientCoordinates();
    void otherButtonsAndModifiersLeaveTheSelectionAlone();
    void clickWithoutDragLeavesCopyDisabled();
    void newPressErasesTheOldFrame();
    void selectAllCoversTheControl();
    void frameInvertsAllFourEdgesAndNothingElse();
    void switchingWindowsClearsTheSelection();
    void statusBarShowsThePositionWithoutButtons();

    void fiveCommandsKeepFourUndoSteps();
    void undoThenRedoShowsTheSamePictureFirst();
    void undoAndRedoOnANewWindowDoNothing();
    void rotateRightThenLeftRestoresPixelsAndTheControlSize();
    void cancelledEnhancementStillRecordsAStep();
    void acceptedEnhancementReplacesThePicture();

    void menusCarryTheOutputCommandsAndTheLaterOnesDisabled();
    void activationReportsThePictureFolder();
    void helpOpensTheProgramFoldersHelpFile();
    void closeAllClosesEveryWindowLastFirst();

private:
    TChild *openChild(const TBitmap &picture, const std::string &name = "/pictures/a/photo.jpg");

    QMdiArea *area_ = nullptr;
    std::shared_ptr<testing::FakeChildHost> host_;
};

void ChildWindowTest::init()
{
    area_ = new QMdiArea;
    area_->resize(1000, 800);
    area_->show();
    QVERIFY(QTest::qWaitForWindowExposed(area_));
    host_ = std::make_shared<testing::FakeChildHost>("/tmp/Vistrel.ini");
}

void ChildWindowTest::cleanup()
{
    delete area_;
    area_ = nullptr;
    ProgramSelection().Clear();
}

// Opens picture as the frame does: from the file `name`, or pasted when name is empty.
TChild *ChildWindowTest::openChild(const TBitmap &picture, const std::string &name)
{
    auto *child = new TChild(host_);
    area_->addSubWindow(child);
    child->ShowPicture(picture, name);
    child->show();
    area_->setActiveSubWindow(child);
    return child;
}

void ChildWindowTest::zoomStepsScaleControlAndFitTheWindow()
{
    TChild *child = openChild(NumberedPicture(200, 160, 77));
    const int bars = toolBarHeight(child) + statusBarHeight(child);
    QCOMPARE(child->ClientWidth(), 200);
    QCOMPARE(child->ClientHeight(), 160 + bars + 10);

    zoomIn(child);
    QCOMPARE(imageOf(child)->size(), QSize(230, 184));
    QVERIFY(imageOf(child)->Stretch());
    QCOMPARE(child->ClientWidth(), 230);
    QCOMPARE(child->ClientHeight(), 184 + bars);

    zoomOut(child); // 230 - 34, 184 - 27: not back at the start
    QCOMPARE(imageOf(child)->size(), QSize(196, 157));

    resetZoom(child);
    QCOMPARE(imageOf(child)->size(), QSize(200, 160));
    QVERIFY(!imageOf(child)->Stretch());
    QCOMPARE(child->ClientWidth(), child->FormW());
    QCOMPARE(child->ClientHeight(), child->FormH());
}

// A turned picture is neither clipped to the old box nor squashed into it by the next zoom step.
void ChildWindowTest::quarterTurnsFitTheWindowAtTheSameZoom()
{
    for (int zoomSteps : {0, 1}) {
        TChild *child = openChild(NumberedPicture(365, 265, 77), "/p/wide.jpg");
        for (int step = 0; step < zoomSteps; ++step)
            zoomIn(child);
        const QSize before = imageOf(child)->size();
        part(child, "rotate-right")->trigger();
        const QSize turned = imageOf(child)->size();
        QVERIFY2(qAbs(turned.width() - before.height()) <= 1 && qAbs(turned.height() - before.width()) <= 1,
                 qPrintable(QStringLiteral("%1x%2").arg(turned.width()).arg(turned.height())));
        const int bars = toolBarHeight(child) + statusBarHeight(child);
        QCOMPARE(child->ClientHeight(), turned.height() + bars + (zoomSteps ? 0 : 10));
        QCOMPARE(child->PictureW(), 265);
        zoomIn(child);
        QVERIFY(imageOf(child)->width() < imageOf(child)->height());
        resetZoom(child);
        QCOMPARE(imageOf(child)->size(), QSize(265, 365));
    }
}

void ChildWindowTest::everyToolButtonShowsAtTheSmallestWidth()
{
    for (int side : {1, 20, 139}) {
        TChild *child = openChild(NumberedPicture(side, side, 77));
        for (int zoom = 0; zoom < 3; ++zoom) {
            auto *bar = part<QToolBar>(child, "ToolBar1");
            QTRY_VERIFY(bar->isVisible());
            QVERIFY2(child->ClientWidth() >= 140, qPrintable(QString::number(side)));
            for (QAction *action : bar->actions()) {
                QWidget *button = bar->widgetForAction(action);
                QVERIFY2(button && button->isVisible(), qPrintable(action->text() + QString::number(side)));
                QVERIFY(bar->rect().contains(button->geometry()));
            }
            zoomOut(child);
        }
    }
}

void ChildWindowTest::firstZoomStartsFromTheNaturalSize()
{
    TChild *child = openChild(NumberedPicture(100, 80, 77));
    imageOf(child)->resize(300, 300);
    QVERIFY(!child->ZoomReady());
    part(child, "ToolButton1")->trigger();
    QVERIFY(child->ZoomReady());
    QCOMPARE(imageOf(child)->size(), QSize(115, 92));

    TChild *other = openChild(NumberedPicture(100, 80, 77));
    part(other, "ToolButton2")->trigger();
    QCOMPARE(imageOf(other)->size(), QSize(85, 68));
}

void ChildWindowTest::scrollBarsFollowTheNaturalSize()
{
    TChild *child = openChild(NumberedPicture(100, 80, 77));
    zoomOut(child);
    QCOMPARE(part<QScrollArea>(child, "ScrollBox")->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(part<QScrollArea>(child, "ScrollBox")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    resetZoom(child);
    QCOMPARE(part<QScrollArea>(child, "ScrollBox")->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(part<QScrollArea>(child, "ScrollBox")->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    zoomIn(child);
    QCOMPARE(part<QScrollArea>(child, "ScrollBox")->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(part<QScrollArea>(child, "ScrollBox")->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    // The window fits the zoomed control exactly, so no bar is needed.
    QVERIFY(!part<QScrollArea>(child, "ScrollBox")->horizontalScrollBar()->isVisible());
}

void ChildWindowTest::resetOfAPastedPictureTakesTheControlSize()
{
    TChild *child = openChild(NumberedPicture(64, 48, 77), "");
    resetZoom(child);
    QCOMPARE(child->PictureW(), 64);
    QCOMPARE(child->PictureH(), 48);
    QCOMPARE(imageOf(child)->size(), QSize(64, 48));
}

void ChildWindowTest::leftDragSelectsInClientCoordinates()
{
    TChild *child = openChild(NumberedPicture(100, 80, 77));
    const int toolBar = toolBarHeight(child);
    QVERIFY(!part(child, "actCopyToClipboard")->isEnabled());
    press(imageOf(child), QPoint(40, 30));
    drag(imageOf(child), QPoint(20, 35));
    drag(imageOf(child), QPoint(10, 5));
    const TSelection &s = ProgramSelection();
    QCOMPARE(s.SelX1, 40);
    QCOMPARE(s.SelY1, 30 + toolBar);
    QCOMPARE(s.SelX2, 10);
    QCOMPARE(s.SelY2, 5 + toolBar);
    QVERIFY(part(child, "actCopyToClipboard")->isEnabled());
    // The intermediate frame was erased when the corner moved on.
    QCOMPARE(imageOf(child)->Frames(), QList<QRect>{QRect(QPoint(10, 5), QPoint(39, 29))});
}

void ChildWindowTest::otherButtonsAndModifiersLeaveTheSelectionAlone()
{
    TChild *child = openChild(NumberedPicture(100, 80, 77));
    press(imageOf(child), QPoint(10, 10));
    drag(imageOf(child), QPoint(30, 30));
    const TSelection before = ProgramSelection();

    press(imageOf(child), QPoint(50, 50), Qt::RightButton);
    press(imageOf(child), QPoint(50, 50), Qt::LeftButton, Qt::ControlModifier);
    press(imageOf(child), QPoint(50, 50), Qt::LeftButton, Qt::ShiftModifier);
    press(imageOf(child), QPoint(50, 50), Qt::LeftButton, Qt::AltModifier);
    press(imageOf(child), QPoint(50, 50), Qt::MiddleButton);
    sendMouse(imageOf(child), QEvent::MouseButtonDblClick, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
    drag(imageOf(child), QPoint(60, 60), Qt::RightButton);
    drag(imageOf(child), QPoint(60, 60), Qt::LeftButton, Qt::ShiftModifier);
    drag(imageOf(child), QPoint(60, 60), Qt::LeftButton | Qt::RightButton);

    const TSelection &after = ProgramSelection();
    QCOMPARE(after.SelX1, before.SelX1);
    QCOMPARE(after.SelY1, before.SelY1);
    QCOMPARE(after.SelX2, before.SelX2);
    QCOMPARE(after.SelY2, before.SelY2);
    QCOMPARE(imageOf(child)->Frames().size(), 1);
}

void ChildWindowTest::clickWithoutDragLeavesCopyDisabled()
{
    TChild *child = openChild(NumberedPicture(100, 80, 77));
    press(imageOf(child), QPoint(10, 10));
    drag(imageOf(child), QPoint(30, 30));
    QVERIFY(part(child, "actCopyToClipboard")->isEnabled());
    press(imageOf(child), QPoint(15, 15));
    QVERIFY(!ProgramSelection().Exists());
    QVERIFY(!part(child, "actCopyToClipboard")->isEnabled());
    drag(imageOf(child), QPoint(40, 15)); // a line, still no area
    QVERIFY(!part(child, "actCopyToClipboard")->isEnabled());
}

void ChildWindowTest::newPressErasesTheOldFrame()
{
    TChild *child = openChild(NumberedPicture(100, 80, 77));
    press(imageOf(child), QPoint(10, 10));
    drag(imageOf(child), QPoint(30, 30));
    QCOMPARE(imageOf(child)->Frames().size(), 1);
    press(imageOf(child), QPoint(50, 50));
    QVERIFY(imageOf(child)->Frames().isEmpty());
}

void ChildWindowTest::selectAllCoversTheControl()
{
    TChild *child = openChild(NumberedPicture(100, 80, 77));
    part(child, "MnuSelectAll")->trigger();
    const TSelection &s = ProgramSelection();
    QCOMPARE(s.SelX1, 0);
    QCOMPARE(s.SelY1, toolBarHeight(child));
    QCOMPARE(s.SelX2, 100);
    QCOMPARE(s.SelY2, 80 + toolBarHeight(child));
    QVERIFY(part(child, "actCopyToClipboard")->isEnabled());
    QCOMPARE(imageOf(child)->Frames(), QList<QRect>{QRect(0, 0, 100, 80)});
}

void ChildWindowTest::frameInvertsAllFourEdgesAndNothingElse()
{
    TBitmap white(60, 40, PixelFormat::pf24bit);
    for (int y = 0; y < 40; ++y)
        std::fill_n(white.scanLine(y), 60 * 3, uint8_t{255});
    TChild *child = openChild(white);
    imageOf(child)->DrawFrame(10, 5, 30, 25);
    const QImage drawn = imageOf(child)->grab().toImage();
    const auto darkIn = [&drawn](QRect area) {
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(drawn.pixel(x, y)) < 128;
        return dark;
    };
    QVERIFY(darkIn(QRect(11, 5, 18, 1)) > 0);  // top
    QVERIFY(darkIn(QRect(11, 24, 18, 1)) > 0); // bottom
    QVERIFY(darkIn(QRect(10, 6, 1, 18)) > 0);  // left
    QVERIFY(darkIn(QRect(29, 6, 1, 18)) > 0);  // right
    QCOMPARE(darkIn(QRect(0, 0, 60, 40)),
             darkIn(QRect(10, 5, 20, 1)) + darkIn(QRect(10, 24, 20, 1)) + darkIn(QRect(10, 6, 1, 18))
                 + darkIn(QRect(29, 6, 1, 18)));

    imageOf(child)->DrawFrame(30, 25, 10, 5); // the same frame, drawn from the other corner
    QCOMPARE(imageOf(child)->grab().toImage().convertToFormat(QImage::Format_RGB32),
             QImage(toQImageForTest(white)));
}

void ChildWindowTest::switchingWindowsClearsTheSelection()
{
    TChild *first = openChild(NumberedPicture(100, 80, 77));
    TChild *second = openChild(NumberedPicture(90, 70, 77));
    area_->setActiveSubWindow(first);
    press(imageOf(first), QPoint(10, 10));
    drag(imageOf(first), QPoint(30, 30));
    QVERIFY(ProgramSelection().Exists());
    QVERIFY(part(second, "actCopyToClipboard")->isEnabled()); // the selection is the program's

    area_->setActiveSubWindow(second);
    QVERIFY(!ProgramSelection().Exists());
    QVERIFY(imageOf(first)->Frames().isEmpty());
    QVERIFY(!part(first, "actCopyToClipboard")->isEnabled());
    QVERIFY(!part(second, "actCopyToClipboard")->isEnabled());
}

void ChildWindowTest::statusBarShowsThePositionWithoutButtons()
{
    TChild *child = openChild(NumberedPicture(200, 100, 77));
    drag(imageOf(child), QPoint(120, 45), Qt::NoButton);
    QCOMPARE(part<QLabel>(child, "StatusPanel0")->text(), QStringLiteral("120:45"));
    QVERIFY(!ProgramSelection().Exists());
    QVERIFY(part<QLabel>(child, "StatusPanel1")->text().isEmpty());
}

void ChildWindowTest::fiveCommandsKeepFourUndoSteps()
{
    const TBitmap original = NumberedPicture(30, 20, 77);
    TChild *child = openChild(original);
    for (const char *command : {"invert", "flipdown", "mirror-horizontal", "greyscale", "invert"})
        part(child, command)->trigger();
    QCOMPARE(child->UndoList().size(), size_t{4});
    QCOMPARE(child->RedoList().size(), size_t{1});
    for (int i = 0; i < 4; ++i)
        part(child, "actUndo")->trigger();
    QVERIFY(imageOf(child)->Picture() != original); // the state before the first command is gone
    TBitmap inverted = original;
    Invert(inverted);
    QCOMPARE(imageOf(child)->Picture(), inverted);
}

void ChildWindowTest::undoThenRedoShowsTheSamePictureFirst()
{
    const TBitmap original = NumberedPicture(30, 20, 77);
    TChild *child = openChild(original);
    part(child, "invert")->trigger();
    const TBitmap changed = imageOf(child)->Picture();
    QVERIFY(changed != original);

    part(child, "actUndo")->trigger();
    QCOMPARE(imageOf(child)->Picture(), original);
    part(child, "actRedo")->trigger();
    QCOMPARE(imageOf(child)->Picture(), original);
    part(child, "actRedo")->trigger();
    QCOMPARE(imageOf(child)->Picture(), changed);
}

void ChildWindowTest::undoAndRedoOnANewWindowDoNothing()
{
    const TBitmap original = NumberedPicture(30, 20, 77);
    TChild *child = openChild(original);
    QVERIFY(part(child, "actUndo")->isEnabled());
    QVERIFY(part(child, "actRedo")->isEnabled());
    part(child, "actUndo")->trigger();
    part(child, "actRedo")->trigger();
    QCOMPARE(imageOf(child)->Picture(), original);
    QVERIFY(child->UndoList().empty());
}

void ChildWindowTest::rotateRightThenLeftRestoresPixelsAndTheControlSize()
{
    const TBitmap original = NumberedPicture(40, 25, 77);
    TChild *child = openChild(original);
    part(child, "rotate-right")->trigger();
    QCOMPARE(imageOf(child)->Picture().width(), 25);
    QCOMPARE(imageOf(child)->Picture().height(), 40);
    QCOMPARE(imageOf(child)->size(), QSize(25, 40));
    part(child, "rotate-left")->trigger();
    QCOMPARE(imageOf(child)->Picture(), original);
    QCOMPARE(imageOf(child)->size(), QSize(40, 25));
    QCOMPARE(child->PictureW(), 40);
}

void ChildWindowTest::cancelledEnhancementStillRecordsAStep()
{
    const TBitmap original = NumberedPicture(30, 20, 77);
    TChild *child = openChild(original);
    whenDialogShows([](TPicEnhanceForm &dialog) {
        dialog.ImgFuncCbo->setCurrentIndex(0);
        dialog.SpinEdit1->setValue(-1);
        dialog.SpeedButton2->click();
        dialog.SpeedButton3->click();
    });
    part(child, "actImgEnhance")->trigger();
    QCOMPARE(imageOf(child)->Picture(), original);
    QCOMPARE(child->UndoList().size(), size_t{1});
    QCOMPARE(child->RedoList().size(), size_t{1});
    part(child, "actUndo")->trigger();
    QCOMPARE(imageOf(child)->Picture(), original);
}

void ChildWindowTest::acceptedEnhancementReplacesThePicture()
{
    const TBitmap original = NumberedPicture(30, 20, 77);
    TChild *child = openChild(original);
    whenDialogShows([](TPicEnhanceForm &dialog) {
        dialog.ImgFuncCbo->setCurrentIndex(0); // Solorize with -1 inverts everything
        dialog.SpinEdit1->setValue(-1);
        dialog.SpeedButton2->click();
        dialog.SpeedButton1->click();
    });
    part(child, "actImgEnhance")->trigger();
    TBitmap inverted = original;
    Invert(inverted);
    QCOMPARE(imageOf(child)->Picture(), inverted);
    part(child, "actUndo")->trigger();
    QCOMPARE(imageOf(child)->Picture(), original);
}

void ChildWindowTest::menusCarryTheOutputCommandsAndTheLaterOnesDisabled()
{
    TChild *child = openChild(NumberedPicture(10, 10, 77));
    QStringList titles;
    for (QMenu *menu : child->Menus())
        titles << menu->title();
    QCOMPARE(titles, (QStringList{"File", "Tools", "Markup", "Window", "&Help"}));
    for (const char *output : {"Open1", "SaveAs1", "Print1", "Printdialog2", "Sendasmail1"})
        QVERIFY2(part(child, output)->isEnabled(), output);
    QVERIFY(!part(child, "MnuConvertToIcon")->isVisible());
    QVERIFY(!part(child, "Exit1")->isVisible());
    QCOMPARE(part(child, "actCopyToClipboard")->text(), QStringLiteral("Copy  to clipboard"));
    QCOMPARE(part(child, "PasteAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));

    QStringList tools;
    for (QAction *action : part<QMenu>(child, "ToolsMenu")->actions())
        tools << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(tools, (QStringList{"Rotate 90° (R)", "Rotate 90° (L)", "-", "Flip Right", "Flip Down", "Mirror horizontal",
                                 "Mirror vertical", "-", "Emboss", "Shadow", "Grey scale", "Anti alias", "Invert", "-",
                                 "Image Enhancements", "-", "Redact"}));

    part(child, "PasteAction")->setEnabled(true);
    part(child, "PasteAction")->trigger();
    QCOMPARE(host_->pasteRequests, 1);
}

void ChildWindowTest::activationReportsThePictureFolder()
{
    TChild *first = openChild(NumberedPicture(10, 10, 77), "/pictures/a/one.jpg");
    TChild *second = openChild(NumberedPicture(10, 10, 77), "");
    area_->setActiveSubWindow(first);
    QCOMPARE(host_->activatedFolder, std::string("/pictures/a/"));
    area_->setActiveSubWindow(second); // a pasted picture has no folder: the frame's stays
    QCOMPARE(host_->activatedFolder, std::string("/pictures/a/"));
}

void ChildWindowTest::helpOpensTheProgramFoldersHelpFile()
{
    QTemporaryDir home;
    qputenv("VISTREL_HOME", home.path().toUtf8());
    testing::UrlRecorder viewer;
    part(openChild(NumberedPicture(10, 10, 77)), "Help2")->trigger();
    QVERIFY(viewer.opened.isEmpty());

    const QString helpFile = home.filePath(QStringLiteral("Vistrel.hlp"));
    QFile file(helpFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    part(openChild(NumberedPicture(10, 10, 77)), "Help2")->trigger();
    QCOMPARE(viewer.opened.size(), 1);
    QCOMPARE(QFileInfo(viewer.opened.first().toLocalFile()).canonicalFilePath(), QFileInfo(helpFile).canonicalFilePath());
    QVERIFY(viewer.opened.first().toLocalFile().endsWith(QStringLiteral(".html")));
    qunsetenv("XDG_CACHE_HOME");
    qunsetenv("VISTREL_HOME");
}

void ChildWindowTest::closeAllClosesEveryWindowLastFirst()
{
    QStringList closed;
    for (const char *name : {"/p/one.jpg", "/p/two.jpg", "/p/three.jpg"}) {
        TChild *child = openChild(NumberedPicture(10, 10, 77), name);
        connect(child, &QObject::destroyed, this, [&closed, title = child->windowTitle()] { closed << title; });
    }
    part(qobject_cast<TChild *>(area_->subWindowList().first()), "CloseAll1")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(closed, (QStringList{"three.jpg", "two.jpg", "one.jpg"}));
    QVERIFY(area_->subWindowList().isEmpty());
}

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::ChildWindowTest>(argc, argv);
}

#include "child_window_test.moc"
