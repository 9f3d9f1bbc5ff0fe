#include "app/main_window.h"
#include "tests/app/frame_parts.h"
#include "document/child_window.h"
#include "platform/jpeg_codec.h"
#include "platform/qimage_bridge.h"
#include "tests/document/child_window_parts.h"
#include "tests/support/pictures.h"
#include "tests/support/qt_test_main.h"
#include "tests/support/rendered_text.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QtTest>

namespace vistrel {

using testing::imageOf;
using testing::NumberedPicture;
using testing::part;
using testing::statusBarHeight;
using testing::toolBarHeight;
using testing::zoomIn;

namespace {

void leftDrag(QWidget *image, QPoint from, QPoint to)
{
    QMouseEvent down(QEvent::MouseButtonPress, from, image->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(image, &down);
    QMouseEvent move(QEvent::MouseMove, to, image->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(image, &move);
    QMouseEvent up(QEvent::MouseButtonRelease, to, image->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QCoreApplication::sendEvent(image, &up);
}

} // namespace

// Runs on the real X display: the clipboard is the desktop's.
class ClipboardTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void copyTakesUnscaledPixelsUnderTheFrame();
    void copyWorksTheSameInEveryDragDirection();
    void pasteOpensTheClipboardPictureInANewWindow();
    void pasteIsDisabledAndExplainsItselfWithoutAPicture();
    void documentPasteForwardsToTheFrame();
    void copyTextTakesTheSelectionOrElseTheWholePicture();
    void redactReplacesTheSelectedPixelsAsOneUndoableStep();

private:
    TChild *openNumbered(int width, int height);
    TChild *openFile(const QImage &image);
    QImage clipboardImage() const;

    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<TForm1> frame_;
};

void ClipboardTest::init()
{
    home_ = std::make_unique<QTemporaryDir>();
    qputenv("VISTREL_HOME", home_->path().toUtf8());
    frame_ = std::make_unique<TForm1>();
    frame_->resize(1000, 800);
    frame_->show();
    QVERIFY(QTest::qWaitForWindowExposed(frame_.get()));
}

void ClipboardTest::cleanup()
{
    frame_.reset();
    home_.reset();
}

TChild *ClipboardTest::openNumbered(int width, int height)
{
    return openFile(toQImage(NumberedPicture(width, height, 150)));
}

TChild *ClipboardTest::openFile(const QImage &image)
{
    const QString path = home_->filePath(QStringLiteral("picture%1.bmp").arg(frame_->MDIChildCount()));
    // BMP keeps the exact pixel values the checks compare.
    image.save(path, "BMP");
    frame_->OpenDocumentWindow(path.toStdString());
    auto *child = qobject_cast<TChild *>(frame_->MDIChild(frame_->MDIChildCount() - 1));
    frame_->mdiArea()->setActiveSubWindow(child);
    return child;
}

QImage ClipboardTest::clipboardImage() const
{
    return QGuiApplication::clipboard()->image();
}

void ClipboardTest::copyTakesUnscaledPixelsUnderTheFrame()
{
    TChild *child = openNumbered(120, 90);
    zoomIn(child);
    zoomIn(child); // the frame's coordinates still address the unscaled picture
    leftDrag(imageOf(child), QPoint(10, 20), QPoint(50, 45));
    QVERIFY(part(child, "actCopyToClipboard")->isEnabled());
    part(child, "actCopyToClipboard")->trigger();

    const QImage copied = clipboardImage();
    QCOMPARE(copied.size(), QSize(40, 25));
    QCOMPARE(QColor(copied.pixel(0, 0)), QColor(150, 20, 10));
    QCOMPARE(QColor(copied.pixel(39, 24)), QColor(150, 44, 49));
    // A successful copy ends the selection and its frame.
    QVERIFY(!ProgramSelection().Exists());
    QVERIFY(imageOf(child)->Frames().isEmpty());
    QVERIFY(!part(child, "actCopyToClipboard")->isEnabled());
}

void ClipboardTest::copyWorksTheSameInEveryDragDirection()
{
    TChild *child = openNumbered(60, 60);
    leftDrag(imageOf(child), QPoint(5, 8), QPoint(25, 30));
    part(child, "actCopyToClipboard")->trigger();
    const QImage downRight = clipboardImage();
    leftDrag(imageOf(child), QPoint(25, 30), QPoint(5, 8));
    frame_->activateWindow();
    QTRY_VERIFY(child->isAncestorOf(QApplication::focusWidget()));
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::Copy); // as the menu item does
    QCOMPARE(clipboardImage(), downRight);
}

void ClipboardTest::pasteOpensTheClipboardPictureInANewWindow()
{
    const TBitmap picture = NumberedPicture(70, 50, 150);
    QGuiApplication::clipboard()->setImage(toQImage(picture));
    QTRY_VERIFY(testing::framePart(*frame_, "PasteAction")->isEnabled());
    testing::framePart(*frame_, "PasteAction")->trigger();

    QCOMPARE(frame_->MDIChildCount(), 1);
    auto *child = qobject_cast<TChild *>(frame_->MDIChild(0));
    QCOMPARE(child->windowTitle(), QStringLiteral("Child"));
    QVERIFY(child->PicName().empty());
    QCOMPARE(child->PictureW(), 0);
    QCOMPARE(imageOf(child)->Picture(), picture);
    QCOMPARE(imageOf(child)->size(), QSize(70, 50));
    QVERIFY(!imageOf(child)->Stretch());
    QCOMPARE(child->ClientHeight(), 50 + toolBarHeight(child) + statusBarHeight(child));
    QCOMPARE(child->FormH(), child->ClientHeight());
    QCOMPARE(child->FormW(), child->ClientWidth());

    zoomIn(child); // the natural size comes from the control, which has the picture's size
    QCOMPARE(child->PictureW(), 70);
    QCOMPARE(imageOf(child)->size(), QSize(80, 57));
}

void ClipboardTest::pasteIsDisabledAndExplainsItselfWithoutAPicture()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("only text"));
    QTRY_VERIFY(!testing::framePart(*frame_, "PasteAction")->isEnabled());
    TChild *child = openNumbered(20, 20);
    QVERIFY(!part(child, "PasteAction")->isEnabled());

    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown = box->windowTitle() + QLatin1Char('|') + box->text();
        box->accept();
    });
    frame_->PasteAsImage();
    QCOMPARE(shown, QStringLiteral("Information|There is no Graphic in the Clipboard"));
    QCOMPARE(frame_->MDIChildCount(), 1);
}

void ClipboardTest::documentPasteForwardsToTheFrame()
{
    TChild *child = openNumbered(30, 30);
    QGuiApplication::clipboard()->setImage(toQImage(NumberedPicture(16, 12, 150)));
    QTRY_VERIFY(part(child, "PasteAction")->isEnabled());
    part(child, "PasteAction")->trigger();
    QCOMPARE(frame_->MDIChildCount(), 2);
    auto *pasted = qobject_cast<TChild *>(frame_->MDIChild(1));
    QCOMPARE(imageOf(pasted)->Picture(), NumberedPicture(16, 12, 150));
    frame_->activateWindow();
    QTRY_VERIFY(QApplication::focusWidget());
    QTest::keySequence(QApplication::focusWidget(), QKeySequence::Paste); // Ctrl+X as well as Ctrl+V
    QCOMPARE(frame_->MDIChildCount(), 3);
}

void ClipboardTest::copyTextTakesTheSelectionOrElseTheWholePicture()
{
    const QStringList lines = {QStringLiteral("Northern lights over Tromso"), QStringLiteral("Seven blue herons waited")};
    TChild *child = openFile(testing::RenderedText(lines, QStringLiteral("DejaVu Sans"), 16));
    leftDrag(imageOf(child), QPoint(0, 34), QPoint(imageOf(child)->width(), 56)); // the second line
    part(child, "CopyText")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text().simplified(), lines[1]);

    leftDrag(imageOf(child), QPoint(1, 1), QPoint(1, 1)); // a click: no selection
    part(child, "CopyText")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text().simplified(), lines.join(QLatin1Char(' ')));
}

void ClipboardTest::redactReplacesTheSelectedPixelsAsOneUndoableStep()
{
    TChild *child = openNumbered(64, 48);
    const TBitmap before = child->Picture();
    QVERIFY(!part<QMenu>(child, "RedactMenu")->isEnabled());
    leftDrag(imageOf(child), QPoint(10, 5), QPoint(30, 20));
    part(child, "RedactFill")->trigger();
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const bool hidden = x >= 10 && x < 30 && y >= 5 && y < 20;
            QCOMPARE(child->Picture().pixel(x, y), hidden ? PaletteEntry{} : before.pixel(x, y));
        }
    QVERIFY(child->Document().Modified());
    QVERIFY(!ProgramSelection().Exists());
    part(child, "actUndo")->trigger();
    QCOMPARE(child->Picture(), before);

    // The chosen fill colour is used, and offered again the next time.
    const QColor green(0x20, 0xc0, 0x40);
    QColor offered;
    const auto answerColourDialog = [&offered](const QColor &choose) {
        QTimer::singleShot(0, [&offered, choose] {
            auto *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            offered = dialog->currentColor();
            dialog->setCurrentColor(choose);
            choose.isValid() ? dialog->accept() : dialog->reject();
        });
    };
    for (const QColor &choose : {green, QColor()}) {
        leftDrag(imageOf(child), QPoint(10, 5), QPoint(30, 20));
        answerColourDialog(choose);
        part(child, "RedactFillColour")->trigger();
        QCOMPARE(child->Picture().pixel(12, 7), (PaletteEntry{0x40, 0xc0, 0x20}));
    }
    QCOMPARE(offered, green);
}

} // namespace vistrel

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<vistrel::ClipboardTest>(argc, argv, vistrel::testing::TestDisplay::Real);
}

#include "clipboard_test.moc"
