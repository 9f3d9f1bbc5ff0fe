// The overlay on the real X display: the desktop's clipboard and its windows.
#include "capture_test_support.h"

#include "capture/capture_settings.h"
#include "platform/png_codec.h"
#include "platform/qimage_bridge.h"
#include "platform/x11_windows.h"
#include "tests/support/qt_test_main.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>

using namespace vistrel;
using namespace vistrel::capture_test;

namespace {

// What another program reads from the clipboard: the event loop runs meanwhile, as the program
// owning the clipboard has to answer.
QByteArray clipboardAsRead(const QString &target)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                          QStringLiteral("-t"), target, QStringLiteral("-o")});
    QElapsedTimer waited;
    waited.start();
    while (xclip.state() != QProcess::NotRunning && waited.elapsed() < 10000)
        QTest::qWait(20);
    return xclip.readAllStandardOutput();
}

TBitmap clipboardPicture() { return fromQImage(QImage::fromData(clipboardAsRead(QStringLiteral("image/png")), "PNG")); }

} // namespace

class CaptureX11Test : public CaptureTestBase {
    Q_OBJECT

private Q_SLOTS:
    void init() { prepare(); }

    void ctrlCAndEnterCopyTheRectangleWithoutAFileAndStay()
    {
        // Widths of whole 4-byte rows: bitmaps compare their row padding too.
        TEraseF *overlay = openOverlay(plainScreen());
        drag(overlay, {302, 200}, {100, 50});
        QTest::keyClick(overlay, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(clipboardPicture() == expectedPixels(101, 51, 200, 148));
        const QByteArray targets = clipboardAsRead(QStringLiteral("TARGETS"));
        QVERIFY2(targets.contains("image/png") && targets.contains("image/bmp"), targets.constData());
        QVERIFY(overlay->findChild<QLabel *>(QStringLiteral("Notice"))->isVisible());
        drag(overlay, {10, 20}, {60, 50});
        QTest::keyClick(overlay, Qt::Key_Return);
        QVERIFY(clipboardPicture() == expectedPixels(11, 21, 48, 28));
        QVERIFY(overlay->isVisible());
        QVERIFY(!QFileInfo::exists(QString::fromStdString(shots_)));
        overlay->close();
    }

    void doubleClickSelectsTheWindowUnderThePointerWhoseShotIsThatWindow()
    {
        QWidget window(nullptr, Qt::Window);
        window.setGeometry(200, 150, 160, 90);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const std::vector<QRect> frames = StackedWindowFrames();
        QVERIFY(!frames.empty());
        QCOMPARE(frames.front(), window.frameGeometry());
        TEraseF *overlay = openOverlay(plainScreen(), true, {}, frames);
        const QPoint inside = window.frameGeometry().center();
        QTest::mouseMove(overlay, inside);
        QTRY_VERIFY(overlay->aidsArea().contains(window.frameGeometry().topLeft())); // outlined while resting
        QTest::mouseDClick(overlay, Qt::LeftButton, {}, inside);
        WriteShotFormat(shell_->settingsFile(), PictureFormat::Png); // every pixel exact
        pressAnswering(overlay, Qt::Key_F1, QMessageBox::No);
        const QRect frame = window.frameGeometry();
        QVERIFY(ReadPngFile(shots_ + "/SShot1_0.png") ==
                expectedPixels(frame.x(), frame.y(), frame.width(), frame.height()));
        QFile::remove(QString::fromStdString(shell_->settingsFile()));
    }
};

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<CaptureX11Test>(argc, argv, vistrel::testing::TestDisplay::Real);
}

#include "capture_x11_test.moc"
