#include "document/child_window.h"

#include "imaging/effects.h"
#include "imaging/enhance_form.h"
#include "platform/qimage_bridge.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QScrollBar>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace vistrel {

namespace {

// Pixel (x, y) holds b = x, g = y, r = 77 (coordinates below 256).
TBitmap numberedPicture(int width, int height)
{
    TBitmap picture(width, height, PixelFormat::pf24bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, PaletteEntry{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 77, 0});
    return picture;
}

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
    void firstZoomStartsFromTheNaturalSize();
    void scrollBarsFollowTheNaturalSize();
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
    void rotateRightThenLeftRestoresPixelsAndKeepsTheControlSize();
    void cancelledEnhancementStillRecordsAStep();
    void acceptedEnhancementReplacesThePicture();

    void menusCarryTheCommandsOfLaterWorkDisabled();
    void activationReportsThePictureFolder();

private:
    TChild *openChild(const TBitmap &picture, const std::string &name = "/pictures/a/photo.jpg");

    QMdiArea *area_ = nullptr;
    std::string lastPicturePath_;
    int pasteRequests_ = 0;
};

void ChildWindowTest::init()
{
    area_ = new QMdiArea;
    area_->resize(1000, 800);
    area_->show();
    QVERIFY(QTest::qWaitForWindowExposed(area_));
    lastPicturePath_.clear();
    pasteRequests_ = 0;
}

void ChildWindowTest::cleanup()
{
    delete area_;
    area_ = nullptr;
    ProgramSelection().Clear();
}

// Sets the window up as the opener does.
TChild *ChildWindowTest::openChild(const TBitmap &picture, const std::string &name)
{
    TChildHost host;
    host.SettingsFile = "/tmp/Vistrel.ini";
    host.SetLastPicturePath = [this](const std::string &folder) { lastPicturePath_ = folder; };
    host.PasteAsImage = [this] { ++pasteRequests_; };
    auto *child = new TChild(host);
    area_->addSubWindow(child);
    child->PicName = name;
    child->Image->resize(picture.width(), picture.height());
    child->Image->SetPicture(picture);
    child->PictureW = picture.width();
    child->PictureH = picture.height();
    child->SetClientSize(std::max(picture.width(), 140),
                         picture.height() + child->ToolBar1->height() + child->StatusBar1->height() + 10);
    child->FormW = child->ClientWidth();
    child->FormH = child->ClientHeight();
    child->show();
    area_->setActiveSubWindow(child);
    return child;
}

void ChildWindowTest::zoomStepsScaleControlAndFitTheWindow()
{
    TChild *child = openChild(numberedPicture(200, 160));
    const int bars = child->ToolBar1->height() + child->StatusBar1->height();
    QCOMPARE(child->ClientWidth(), 200);
    QCOMPARE(child->ClientHeight(), 160 + bars + 10);

    child->ZoomIn();
    QCOMPARE(child->Image->size(), QSize(230, 184));
    QVERIFY(child->Image->Stretch());
    QCOMPARE(child->ClientWidth(), 230);
    QCOMPARE(child->ClientHeight(), 184 + bars);

    child->ZoomOut(); // 230 - 34, 184 - 27: not back at the start
    QCOMPARE(child->Image->size(), QSize(196, 157));

    child->ResetZoom();
    QCOMPARE(child->Image->size(), QSize(200, 160));
    QVERIFY(!child->Image->Stretch());
    QCOMPARE(child->ClientWidth(), child->FormW);
    QCOMPARE(child->ClientHeight(), child->FormH);
}

void ChildWindowTest::firstZoomStartsFromTheNaturalSize()
{
    TChild *child = openChild(numberedPicture(100, 80));
    child->Image->resize(300, 300);
    QVERIFY(!child->ZoomReady());
    child->ToolButton1->trigger();
    QVERIFY(child->ZoomReady());
    QCOMPARE(child->Image->size(), QSize(115, 92));

    TChild *other = openChild(numberedPicture(100, 80));
    other->ToolButton2->trigger();
    QCOMPARE(other->Image->size(), QSize(85, 68));
}

void ChildWindowTest::scrollBarsFollowTheNaturalSize()
{
    TChild *child = openChild(numberedPicture(100, 80));
    child->ZoomOut();
    QCOMPARE(child->ScrollBox->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(child->ScrollBox->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    child->ResetZoom();
    QCOMPARE(child->ScrollBox->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(child->ScrollBox->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    child->ZoomIn();
    QCOMPARE(child->ScrollBox->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(child->ScrollBox->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    // The window fits the zoomed control exactly, so no bar is needed.
    QVERIFY(!child->ScrollBox->horizontalScrollBar()->isVisible());
}

void ChildWindowTest::resetOfAPastedPictureTakesTheControlSize()
{
    TChild *child = openChild(numberedPicture(64, 48));
    child->PictureW = 0;
    child->PictureH = 0;
    child->ResetZoom();
    QCOMPARE(child->PictureW, 64);
    QCOMPARE(child->PictureH, 48);
    QCOMPARE(child->Image->size(), QSize(64, 48));
}

void ChildWindowTest::leftDragSelectsInClientCoordinates()
{
    TChild *child = openChild(numberedPicture(100, 80));
    const int toolBar = child->ToolBar1->height();
    QVERIFY(!child->actCopyToClipboard->isEnabled());
    press(child->Image, QPoint(40, 30));
    drag(child->Image, QPoint(20, 35));
    drag(child->Image, QPoint(10, 5));
    const TSelection &s = ProgramSelection();
    QCOMPARE(s.SelX1, 40);
    QCOMPARE(s.SelY1, 30 + toolBar);
    QCOMPARE(s.SelX2, 10);
    QCOMPARE(s.SelY2, 5 + toolBar);
    QVERIFY(child->actCopyToClipboard->isEnabled());
    // The intermediate frame was erased when the corner moved on.
    QCOMPARE(child->Image->Frames(), QList<QRect>{QRect(QPoint(10, 5), QPoint(39, 29))});
}

void ChildWindowTest::otherButtonsAndModifiersLeaveTheSelectionAlone()
{
    TChild *child = openChild(numberedPicture(100, 80));
    press(child->Image, QPoint(10, 10));
    drag(child->Image, QPoint(30, 30));
    const TSelection before = ProgramSelection();

    press(child->Image, QPoint(50, 50), Qt::RightButton);
    press(child->Image, QPoint(50, 50), Qt::LeftButton, Qt::ControlModifier);
    press(child->Image, QPoint(50, 50), Qt::LeftButton, Qt::ShiftModifier);
    press(child->Image, QPoint(50, 50), Qt::LeftButton, Qt::AltModifier);
    press(child->Image, QPoint(50, 50), Qt::MiddleButton);
    sendMouse(child->Image, QEvent::MouseButtonDblClick, QPoint(50, 50), Qt::LeftButton, Qt::LeftButton);
    drag(child->Image, QPoint(60, 60), Qt::RightButton);
    drag(child->Image, QPoint(60, 60), Qt::LeftButton, Qt::ShiftModifier);
    drag(child->Image, QPoint(60, 60), Qt::LeftButton | Qt::RightButton);

    const TSelection &after = ProgramSelection();
    QCOMPARE(after.SelX1, before.SelX1);
    QCOMPARE(after.SelY1, before.SelY1);
    QCOMPARE(after.SelX2, before.SelX2);
    QCOMPARE(after.SelY2, before.SelY2);
    QCOMPARE(child->Image->Frames().size(), 1);
}

void ChildWindowTest::clickWithoutDragLeavesCopyDisabled()
{
    TChild *child = openChild(numberedPicture(100, 80));
    press(child->Image, QPoint(10, 10));
    drag(child->Image, QPoint(30, 30));
    QVERIFY(child->actCopyToClipboard->isEnabled());
    press(child->Image, QPoint(15, 15));
    QVERIFY(!ProgramSelection().Exists());
    QVERIFY(!child->actCopyToClipboard->isEnabled());
    drag(child->Image, QPoint(40, 15)); // a line, still no area
    QVERIFY(!child->actCopyToClipboard->isEnabled());
}

void ChildWindowTest::newPressErasesTheOldFrame()
{
    TChild *child = openChild(numberedPicture(100, 80));
    press(child->Image, QPoint(10, 10));
    drag(child->Image, QPoint(30, 30));
    QCOMPARE(child->Image->Frames().size(), 1);
    press(child->Image, QPoint(50, 50));
    QVERIFY(child->Image->Frames().isEmpty());
}

void ChildWindowTest::selectAllCoversTheControl()
{
    TChild *child = openChild(numberedPicture(100, 80));
    child->MnuSelectAll->trigger();
    const TSelection &s = ProgramSelection();
    QCOMPARE(s.SelX1, 0);
    QCOMPARE(s.SelY1, child->ToolBar1->height());
    QCOMPARE(s.SelX2, 100);
    QCOMPARE(s.SelY2, 80 + child->ToolBar1->height());
    QVERIFY(child->actCopyToClipboard->isEnabled());
    QCOMPARE(child->Image->Frames(), QList<QRect>{QRect(0, 0, 100, 80)});
}

void ChildWindowTest::frameInvertsAllFourEdgesAndNothingElse()
{
    TBitmap white(60, 40, PixelFormat::pf24bit);
    for (int y = 0; y < 40; ++y)
        std::fill_n(white.scanLine(y), 60 * 3, uint8_t{255});
    TChild *child = openChild(white);
    child->Image->DrawFrame(10, 5, 30, 25);
    const QImage drawn = child->Image->grab().toImage();
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

    child->Image->DrawFrame(30, 25, 10, 5); // the same frame, drawn from the other corner
    QCOMPARE(child->Image->grab().toImage().convertToFormat(QImage::Format_RGB32),
             QImage(toQImageForTest(white)));
}

void ChildWindowTest::switchingWindowsClearsTheSelection()
{
    TChild *first = openChild(numberedPicture(100, 80));
    TChild *second = openChild(numberedPicture(90, 70));
    area_->setActiveSubWindow(first);
    press(first->Image, QPoint(10, 10));
    drag(first->Image, QPoint(30, 30));
    QVERIFY(ProgramSelection().Exists());
    QVERIFY(second->actCopyToClipboard->isEnabled()); // the selection is the program's

    area_->setActiveSubWindow(second);
    QVERIFY(!ProgramSelection().Exists());
    QVERIFY(first->Image->Frames().isEmpty());
    QVERIFY(!first->actCopyToClipboard->isEnabled());
    QVERIFY(!second->actCopyToClipboard->isEnabled());
}

void ChildWindowTest::statusBarShowsThePositionWithoutButtons()
{
    TChild *child = openChild(numberedPicture(200, 100));
    drag(child->Image, QPoint(120, 45), Qt::NoButton);
    QCOMPARE(child->StatusPanel0->text(), QStringLiteral("120:45"));
    QVERIFY(!ProgramSelection().Exists());
    QVERIFY(child->StatusPanel1->text().isEmpty());
}

void ChildWindowTest::fiveCommandsKeepFourUndoSteps()
{
    const TBitmap original = numberedPicture(30, 20);
    TChild *child = openChild(original);
    for (QAction *command : {child->Invert1, child->FlipDown1, child->Mirror1, child->Greyscale1, child->Invert1})
        command->trigger();
    QCOMPARE(child->UndoList().size(), size_t{4});
    QCOMPARE(child->RedoList().size(), size_t{1});
    for (int i = 0; i < 4; ++i)
        child->actUndo->trigger();
    QVERIFY(child->Image->Picture() != original); // the state before the first command is gone
    TBitmap inverted = original;
    Invert(inverted);
    QCOMPARE(child->Image->Picture(), inverted);
}

void ChildWindowTest::undoThenRedoShowsTheSamePictureFirst()
{
    const TBitmap original = numberedPicture(30, 20);
    TChild *child = openChild(original);
    child->Invert1->trigger();
    const TBitmap changed = child->Image->Picture();
    QVERIFY(changed != original);

    child->actUndo->trigger();
    QCOMPARE(child->Image->Picture(), original);
    child->actRedo->trigger();
    QCOMPARE(child->Image->Picture(), original);
    child->actRedo->trigger();
    QCOMPARE(child->Image->Picture(), changed);
}

void ChildWindowTest::undoAndRedoOnANewWindowDoNothing()
{
    const TBitmap original = numberedPicture(30, 20);
    TChild *child = openChild(original);
    QVERIFY(child->actUndo->isEnabled());
    QVERIFY(child->actRedo->isEnabled());
    child->actUndo->trigger();
    child->actRedo->trigger();
    QCOMPARE(child->Image->Picture(), original);
    QVERIFY(child->UndoList().empty());
}

void ChildWindowTest::rotateRightThenLeftRestoresPixelsAndKeepsTheControlSize()
{
    const TBitmap original = numberedPicture(40, 25);
    TChild *child = openChild(original);
    child->Rotate90R1->trigger();
    QCOMPARE(child->Image->Picture().width(), 25);
    QCOMPARE(child->Image->Picture().height(), 40);
    QCOMPARE(child->Image->size(), QSize(40, 25));
    child->Rotate90L1->trigger();
    QCOMPARE(child->Image->Picture(), original);
    QCOMPARE(child->Image->size(), QSize(40, 25));
    QCOMPARE(child->PictureW, 40);
}

void ChildWindowTest::cancelledEnhancementStillRecordsAStep()
{
    const TBitmap original = numberedPicture(30, 20);
    TChild *child = openChild(original);
    whenDialogShows([](TPicEnhanceForm &dialog) {
        dialog.ImgFuncCbo->setCurrentIndex(0);
        dialog.SpinEdit1->setValue(-1);
        dialog.SpeedButton2->click();
        dialog.SpeedButton3->click();
    });
    child->actImgEnhance->trigger();
    QCOMPARE(child->Image->Picture(), original);
    QCOMPARE(child->UndoList().size(), size_t{1});
    QCOMPARE(child->RedoList().size(), size_t{1});
    child->actUndo->trigger();
    QCOMPARE(child->Image->Picture(), original);
}

void ChildWindowTest::acceptedEnhancementReplacesThePicture()
{
    const TBitmap original = numberedPicture(30, 20);
    TChild *child = openChild(original);
    whenDialogShows([](TPicEnhanceForm &dialog) {
        dialog.ImgFuncCbo->setCurrentIndex(0); // Solorize with -1 inverts everything
        dialog.SpinEdit1->setValue(-1);
        dialog.SpeedButton2->click();
        dialog.SpeedButton1->click();
    });
    child->actImgEnhance->trigger();
    TBitmap inverted = original;
    Invert(inverted);
    QCOMPARE(child->Image->Picture(), inverted);
    child->actUndo->trigger();
    QCOMPARE(child->Image->Picture(), original);
}

void ChildWindowTest::menusCarryTheCommandsOfLaterWorkDisabled()
{
    TChild *child = openChild(numberedPicture(10, 10));
    QStringList titles;
    for (QMenu *menu : child->Menus())
        titles << menu->title();
    QCOMPARE(titles, (QStringList{"File", "Tools", "Window", "&Help"}));
    for (QAction *later : {child->Open1, child->SaveAs1, child->Print1, child->Printdialog2, child->Sendasmail1,
                           child->MnuConvertToIcon, child->About1, child->Donate1})
        QVERIFY2(!later->isEnabled(), qPrintable(later->text()));
    QVERIFY(!child->MnuConvertToIcon->isVisible());
    QVERIFY(!child->Exit1->isVisible());
    QCOMPARE(child->actCopyToClipboard->text(), QStringLiteral("Copy  to clipboard"));
    QCOMPARE(child->PasteAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_X));

    QStringList tools;
    for (QAction *action : child->ToolsMenu->actions())
        tools << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(tools, (QStringList{"Rotate 90° (R)", "Rotate 90° (L)", "-", "Flip Right", "Flip Down", "Mirror horizontal",
                                 "Mirror vertical", "-", "Emboss", "Shadow", "Grey scale", "Anti alias", "Invert", "-",
                                 "Image Enhancements"}));

    child->PasteAction->setEnabled(true);
    child->PasteAction->trigger();
    QCOMPARE(pasteRequests_, 1);
}

void ChildWindowTest::activationReportsThePictureFolder()
{
    TChild *first = openChild(numberedPicture(10, 10), "/pictures/a/one.jpg");
    TChild *second = openChild(numberedPicture(10, 10), "");
    area_->setActiveSubWindow(first);
    QCOMPARE(lastPicturePath_, std::string("/pictures/a/"));
    area_->setActiveSubWindow(second);
    QCOMPARE(lastPicturePath_, std::string());
}

} // namespace vistrel

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vistrel::ChildWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "child_window_test.moc"
