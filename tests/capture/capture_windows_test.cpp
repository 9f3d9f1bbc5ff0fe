#include "capture_test_support.h"

#include "capture/capture_settings.h"
#include "capture/capture_shell.h"
#include "capture/erase_form.h"
#include "capture/shape_form.h"
#include "capture/start_form.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "platform/png_codec.h"
#include "platform/qimage_bridge.h"
#include "tests/support/qt_test_main.h"
#include "widgets/error_message.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <fstream>
#include <functional>

using namespace vistrel;

using namespace vistrel::capture_test;

class CaptureWindowsTest : public capture_test::CaptureTestBase {
    Q_OBJECT

private Q_SLOTS:
    void init() { prepare(); }

    void dragAndF2WritesTheInsetRectangle()
    {
        TEraseF *overlay = openOverlay(plainScreen());
        QSignalSpy back(overlay, &TEraseF::launcherRequested);
        drag(overlay, {300, 200}, {100, 50});
        QCOMPARE(pressAnswering(overlay, Qt::Key_F2, QMessageBox::No), 1);
        const std::string path = shots_ + "/SShot2_0.jpg";
        expectShotHolds(path, expectedPixels(101, 51, 198, 148));
        QCOMPARE(shell_->lastShot, path);
        QCOMPARE(shell_->lastPicture, shots_ + "/");
        QCOMPARE(overlay->LastShotName(), path);
        QVERIFY(!overlay->isVisible());
        QCOMPARE(back.count(), 1);
        QCOMPARE(back.at(0).at(0).toInt(), 50);
    }

    void pngShotsAreExactAndNumberedWithTheJpegs()
    {
        WriteShotFormat(shell_->settingsFile(), PictureFormat::Png);
        QDir().mkpath(QString::fromStdString(shots_));
        std::ofstream(shots_ + "/SShot1_0.jpg") << "older";
        TEraseF *overlay = openOverlay(plainScreen());
        drag(overlay, {302, 200}, {100, 50});
        pressAnswering(overlay, Qt::Key_F1, QMessageBox::No);
        QCOMPARE(shell_->lastShot, shots_ + "/SShot1_1.png");
        QVERIFY(ReadPngFile(shell_->lastShot) == expectedPixels(101, 51, 200, 148)); // whole 4-byte rows
        QFile::remove(QString::fromStdString(shell_->settingsFile()));
    }

    void captureMessageNamesTheFile()
    {
        TEraseF *overlay = openOverlay(plainScreen());
        MessageBoxAnswerer answerer(QMessageBox::Yes);
        QTest::keyClick(overlay, Qt::Key_F11);
        QCOMPARE(answerer.text,
                 QStringLiteral("Screenshot SShot11_0.jpg done ! \n\rDo you want to make another screen shoot?"));
        QVERIFY(overlay->isVisible()); // "Yes" stays for the next rectangle
        overlay->close();
    }

    void functionKeyWithoutRectangleTakesTheWholeScreenLessItsBorder()
    {
        TEraseF *overlay = openOverlay(plainScreen(1024, 768));
        pressAnswering(overlay, Qt::Key_F5, QMessageBox::No);
        expectShotHolds(shots_ + "/SShot5_0.jpg", expectedPixels(1, 1, 1022, 766));
    }

    void numberingFillsGapsAndNeverOverwrites()
    {
        QDir().mkpath(QString::fromStdString(shots_));
        std::ofstream(shots_ + "/SShot1_0.jpg") << "older";
        std::ofstream(shots_ + "/SShot1_2.jpg") << "older still";
        TEraseF *overlay = openOverlay(plainScreen());
        drag(overlay, {10, 10}, {50, 40});
        pressAnswering(overlay, Qt::Key_F1, QMessageBox::Yes);
        pressAnswering(overlay, Qt::Key_F1, QMessageBox::Yes);
        QVERIFY(QFileInfo::exists(QString::fromStdString(shots_ + "/SShot1_1.jpg")));
        QCOMPARE(shell_->lastShot, shots_ + "/SShot1_3.jpg");
        QCOMPARE(readText(shots_ + "/SShot1_0.jpg"), std::string("older"));
        QCOMPARE(readText(shots_ + "/SShot1_2.jpg"), std::string("older still"));
        QFile::remove(QString::fromStdString(shots_ + "/SShot1_1.jpg"));
        pressAnswering(overlay, Qt::Key_F1, QMessageBox::No);
        QCOMPARE(shell_->lastShot, shots_ + "/SShot1_1.jpg");
        expectShotHolds(shell_->lastShot, expectedPixels(11, 11, 38, 28));
    }

    void upperCaseQStaysLowerCaseQAndEscapeLeave()
    {
        TEraseF *overlay = openOverlay(plainScreen());
        QSignalSpy back(overlay, &TEraseF::launcherRequested);
        QTest::keyClick(overlay, 'Q');
        QTest::sendKeyEvent(QTest::Click, overlay, Qt::Key_Q, QStringLiteral("Q"), Qt::ShiftModifier);
        QVERIFY(overlay->isVisible());
        QCOMPARE(back.count(), 0);
        QTest::keyClick(overlay, 'q');
        QVERIFY(!overlay->isVisible());
        QCOMPARE(back.count(), 1);

        TEraseF *second = openOverlay(plainScreen());
        QSignalSpy secondBack(second, &TEraseF::launcherRequested);
        QTest::keyClick(second, Qt::Key_Escape);
        QVERIFY(!second->isVisible());
        QCOMPARE(secondBack.count(), 1);
    }

    void failedWriteReportsAndKeepsEverything()
    {
        std::ofstream(shots_) << "a file where the folder belongs";
        shell_->lastShot = "/earlier/SShot1_0.jpg";
        TEraseF *overlay = openOverlay(plainScreen());
        drag(overlay, {10, 10}, {50, 40});
        QCOMPARE(pressAnswering(overlay, Qt::Key_F3, QMessageBox::No), 0);
        QCOMPARE(shell_->errors.size(), size_t(1));
        QVERIFY(overlay->isVisible());
        QCOMPARE(shell_->lastShot, std::string("/earlier/SShot1_0.jpg"));
        QCOMPARE(overlay->state().SelRect, (TRect{10, 10, 50, 40}));
        QCOMPARE(overlay->outlines().outlines().size(), size_t(1));
        overlay->close();
        QFile::remove(QString::fromStdString(shots_));
    }

    void tinySelectionIsRefusedWithoutWriting()
    {
        TEraseF *overlay = openOverlay(plainScreen());
        drag(overlay, {10, 10}, {12, 60});
        QCOMPARE(pressAnswering(overlay, Qt::Key_F4, QMessageBox::No), 0);
        QCOMPARE(shell_->errors.size(), size_t(1));
        QVERIFY(!QFileInfo::exists(QString::fromStdString(shots_ + "/SShot4_0.jpg")));
        overlay->close();
    }

    void outlineInvertsOnlyTheBorderAndComesOffAgain()
    {
        TEraseF *overlay = openOverlay(plainScreen(400, 300));
        const QImage frozen = overlay->screenCopy().monitors().front().pixels;
        drag(overlay, {40, 30}, {140, 90});
        const QImage drawn = overlay->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int inverted = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x) {
                const bool border = (x == 40 || x == 139) && y >= 30 && y <= 89;
                const bool edge = (y == 30 || y == 89) && x >= 40 && x <= 139;
                const QRgb was = frozen.pixel(x, y) & 0xffffff;
                const QRgb now = drawn.pixel(x, y) & 0xffffff;
                if (now == (~was & 0xffffff))
                    ++inverted;
                if (!border && !edge && !overlay->aidsArea().contains(QPoint(x, y)))
                    QVERIFY2(now == was, qPrintable(QString("%1,%2").arg(x).arg(y)));
            }
        QVERIFY(inverted > 60); // dotted: about every other border pixel
        QTest::mousePress(overlay, Qt::LeftButton, {}, {200, 200});
        QTest::mouseRelease(overlay, Qt::LeftButton, {}, {200, 200});
        const QImage after = overlay->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                if (!overlay->aidsArea().contains(QPoint(x, y)))
                    QVERIFY2(after.pixel(x, y) == frozen.pixel(x, y), qPrintable(QString("%1,%2").arg(x).arg(y)));
        overlay->close();
    }

    void secondMonitorOfDoubleDensityGivesItsPhysicalPixels()
    {
        auto screen = screenOf({{QRect(0, 0, 1920, 1080), 1.0, pattern(1920, 1080, 0)},
                                {QRect(1920, 0, 1280, 800), 2.0, pattern(2560, 1600, 7)}});
        TEraseF *overlay = openOverlay(screen);
        QCOMPARE(overlay->geometry(), QRect(0, 0, 3200, 1080));
        drag(overlay, {2000, 100}, {2202, 202});
        pressAnswering(overlay, Qt::Key_F6, QMessageBox::Yes);
        expectShotHolds(shots_ + "/SShot6_0.jpg", expectedPixels(162, 202, 400, 200, 7));
        drag(overlay, {1900, 10}, {1942, 32}); // across: left half from the first monitor, doubled
        pressAnswering(overlay, Qt::Key_F6, QMessageBox::No);
        const TBitmap across = ReadJpegFile(shots_ + "/SShot6_1.jpg");
        QCOMPARE(across.width(), 80);
        QCOMPARE(across.height(), 40);
    }

    void monitorLeftOfTheOriginKeepsClientAndDesktopApart()
    {
        auto screen = screenOf({{QRect(-800, 0, 800, 600), 1.0, pattern(800, 600, 3)},
                                {QRect(0, 0, 1024, 768), 1.0, pattern(1024, 768, 0)}});
        TEraseF *overlay = openOverlay(screen);
        QCOMPARE(overlay->geometry().topLeft(), QPoint(-800, 0));
        drag(overlay, {100, 100}, {180, 160}); // client coordinates: inside the left monitor
        pressAnswering(overlay, Qt::Key_F8, QMessageBox::No);
        expectShotHolds(shots_ + "/SShot8_0.jpg", expectedPixels(101, 101, 78, 58, 3));
    }

    void multiPictureRectangleSurvivesIntoTheNextOverlay()
    {
        TStartF launcher(shell_, plainScreen());
        launcher.show();
        launcher.SpeedButton3->click();
        QVERIFY(!launcher.isVisible());
        QTRY_VERIFY(launcher.overlay() && launcher.overlay()->isVisible());
        TEraseF *first = launcher.overlay();
        QVERIFY(!first->SingleShoot());
        QVERIFY(QTest::qWaitForWindowActive(first));
        drag(first, {300, 200}, {100, 50});
        QTest::keyClick(first, 'q');
        QTRY_VERIFY(launcher.isVisible());
        QCOMPARE(launcher.RememberedRect, (TRect{300, 200, 100, 50}));

        launcher.SpeedButton3->click();
        QTRY_VERIFY(launcher.overlay() && launcher.overlay() != first && launcher.overlay()->isVisible());
        TEraseF *second = launcher.overlay();
        QVERIFY(QTest::qWaitForWindowActive(second));
        QCOMPARE(second->state().SelRect, (TRect{300, 200, 100, 50}));
        QCOMPARE(second->outlines().outlines().size(), size_t(1));
        QCOMPARE(second->outlines().outlines().front().style, PenStyle::Dashed);
        pressAnswering(second, Qt::Key_F1, QMessageBox::No);
        expectShotHolds(shots_ + "/SShot1_0.jpg", expectedPixels(101, 51, 198, 148));
        QTRY_VERIFY(launcher.isVisible());
    }

    void newLauncherStartsWithoutRectangleAndSingleShotIgnoresIt()
    {
        TStartF launcher(shell_, plainScreen());
        QCOMPARE(launcher.RememberedRect, TRect{});
        launcher.RememberedRect = {10, 10, 90, 90};
        launcher.SpeedButton1->click();
        QTRY_VERIFY(launcher.overlay() && launcher.overlay()->isVisible());
        QVERIFY(launcher.overlay()->SingleShoot());
        QCOMPARE(launcher.overlay()->state().SelRect, TRect{});
        QTest::keyClick(launcher.overlay(), Qt::Key_Escape);
        QTRY_VERIFY(launcher.isVisible());
    }

    void popupMenuKeepsShotTypeAndDelayAndTheCountDownPrecedesTheOverlay()
    {
        TStartF launcher(shell_, plainScreen());
        launcher.show();
        Q_EMIT launcher.popupMenu()->aboutToShow();
        auto *png = launcher.popupMenu()->findChild<QAction *>(QStringLiteral("ShotsAsPng"));
        QVERIFY(!png->isChecked());
        png->trigger();
        QCOMPARE(ReadShotFormat(shell_->settingsFile()), PictureFormat::Png);
        launcher.popupMenu()->findChild<QAction *>(QStringLiteral("Delay1"))->trigger();
        QCOMPARE(ReadCaptureDelay(shell_->settingsFile()), 1);

        launcher.SpeedButton1->click();
        QLabel *countDown = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->objectName() == QLatin1String("CountDown"))
                countDown = qobject_cast<QLabel *>(window);
        QVERIFY(countDown && countDown->isVisible());
        QCOMPARE(countDown->text(), QStringLiteral("1"));
        QVERIFY(!launcher.overlay()->isVisible());
        QTRY_VERIFY(launcher.overlay()->isVisible());
        QVERIFY(!countDown->isVisible());
        QTest::keyClick(launcher.overlay(), Qt::Key_Escape);
        QFile::remove(QString::fromStdString(shell_->settingsFile()));
    }

    void unreadableScreenBringsTheLauncherBackWithAMessage()
    {
        TStartF launcher(shell_, std::make_shared<QScreenSource>()); // offscreen: no X11
        launcher.show();
        launcher.SpeedButton1->click();
        QTRY_VERIFY(launcher.isVisible());
        QCOMPARE(shell_->errors.size(), size_t(1));
        QVERIFY(QString::fromStdString(shell_->errors.front()).contains("X11"));
    }

    // The main window is hidden while the launcher is up, and the launcher keeps no program alive:
    // closing a message must not end the program as closing its last window does.
    void messagesOverTheLauncherNeverEndTheProgram()
    {
        // Made with new: a program that ends closes its windows, and the launcher deletes itself then.
        QPointer<TStartF> launcher = new TStartF(shell_, plainScreen());
        launcher->show();
        QVERIFY(QTest::qWaitForWindowExposed(launcher));
        for (QWidget *over : {static_cast<QWidget *>(launcher), static_cast<QWidget *>(nullptr)}) {
            QObject scope; // ends the timers below with this round
            Qt::WindowFlags flags;
            bool survived = false;
            QTimer closer;
            connect(&closer, &QTimer::timeout, &scope, [&] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    flags = box->windowFlags();
                    box->button(QMessageBox::Ok)->click();
                }
            });
            closer.start(5);
            // The program's own event loop, which a last closed window would end.
            QTimer::singleShot(0, &scope, [&] {
                ShowErrorMessage(Error("The screen could not be read"), over);
                QTimer::singleShot(100, &scope, [&] {
                    survived = true;
                    QCoreApplication::exit(0);
                });
            });
            QTimer::singleShot(5000, &scope, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
            QVERIFY(survived);
            QCOMPARE(flags.testFlag(Qt::WindowStaysOnTopHint), over != nullptr);
        }
        delete launcher;
    }

    void offOpensTheLastShotAndPointsTheBrowserAtTheShots()
    {
        QDir().mkpath(QString::fromStdString(shots_));
        const std::string shot = shots_ + "/SShot2_0.jpg";
        WriteJpegFile(expectedPixels(0, 0, 16, 16), shot);
        shell_->recordShot(shot);
        auto *launcher = new TStartF(shell_, plainScreen());
        QPointer<TStartF> alive(launcher);
        launcher->show();
        launcher->SpeedButton2->click();
        QVERIFY(shell_->mainShown);
        QCOMPARE(shell_->opened, std::vector<std::string>{shot});
        QCOMPARE(shell_->listDirectory, shots_ + "/");
        QCOMPARE(shell_->treePath, shots_);
        QVERIFY(!launcher->isVisible());
        QTRY_VERIFY(!alive);
    }

    void offWithoutShotFileOpensNothingButDoesTheRest()
    {
        QDir().mkpath(QString::fromStdString(shots_));
        shell_->lastShot = shots_ + "/SShot9_0.jpg"; // deleted since
        shell_->lastPicture = home_.path().toStdString() + "/";
        TStartF launcher(shell_, plainScreen());
        launcher.show();
        launcher.SpeedButton2Click();
        QVERIFY(shell_->opened.empty());
        QCOMPARE(shell_->listDirectory, shell_->lastPicture);
        QCOMPARE(shell_->treePath, shots_);
    }

    void offWithMissingPictureFolderKeepsTheLauncher()
    {
        shell_->lastPicture = "/no/such/folder/";
        TStartF launcher(shell_, plainScreen());
        launcher.show();
        launcher.SpeedButton2Click();
        QCOMPARE(shell_->errors, std::vector<std::string>{"Directory does not exist"});
        QVERIFY(launcher.isVisible());
        QVERIFY(shell_->treePath.empty());
    }

    void ctrlAltKeyHidesTheLauncherButNotWithShift()
    {
        TStartF launcher(shell_, plainScreen());
        launcher.show();
        QVERIFY(QTest::qWaitForWindowExposed(&launcher));
        QTest::keyClick(&launcher, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
        QVERIFY(launcher.isVisible());
        QTest::keyClick(&launcher, Qt::Key_K, Qt::ControlModifier);
        QVERIFY(launcher.isVisible());
        QTest::keyClick(&launcher, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!launcher.isVisible());
    }

    void launcherHasItsButtonsAndCameraShape()
    {
        TStartF launcher(shell_, plainScreen());
        QCOMPARE(launcher.size(), QSize(193, 254));
        QCOMPARE(launcher.SpeedButton1->text(), QStringLiteral("Start"));
        QCOMPARE(launcher.SpeedButton1->geometry(), QRect(138, 7, 42, 28));
        QCOMPARE(launcher.SpeedButton2->text(), QStringLiteral("Off"));
        QVERIFY(launcher.SpeedButton2->toolTip().isEmpty());
        QCOMPARE(launcher.SpeedButton3->text(), QStringLiteral("Multi\npicture"));
        QVERIFY(launcher.SpeedButton3->toolTip().startsWith("go to screenshoot mode. Remembers last rectangle.\n"));
        QVERIFY(launcher.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(launcher.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!launcher.mask().contains(QPoint(0, 0)));
        QVERIFY(launcher.mask().contains(QPoint(100, 100)));
        QVERIFY(launcher.ShapeForm1->Mask()->Region.has_value());
    }

    void shapeFormStaysAtTheCornerAndDragsOnlyWithTheLeftButton()
    {
        QWidget form;
        form.resize(120, 90);
        auto *shape = new TShapeForm(&form);
        QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(shape->geometry(), QRect(0, 0, 120, 90));
        shape->setTop(50);
        shape->setLeft(7);
        QCOMPARE(shape->pos(), QPoint(0, 0));
        form.move(100, 100);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QPoint start = form.pos();
        QTest::mousePress(shape, Qt::RightButton, {}, {10, 10});
        QTest::mouseMove(shape, {40, 30});
        QTest::mouseRelease(shape, Qt::RightButton, {}, {40, 30});
        QCOMPARE(form.pos(), start);
        QTest::mousePress(shape, Qt::LeftButton, {}, {10, 10});
        QTest::mouseMove(shape, {40, 30});
        QTest::mouseRelease(shape, Qt::LeftButton, {}, {40, 30});
        QCOMPARE(form.pos(), start + QPoint(30, 20));
    }

    void shapeFormMaskRoundTripsAndRefusesHostileData()
    {
        QWidget form;
        form.resize(60, 60);
        auto *shape = new TShapeForm(&form);
        QBuffer none;
        none.setData(QByteArray(4, '\0'));
        none.open(QIODevice::ReadOnly);
        shape->ReadMask(none);
        QVERIFY(!shape->Mask()->Region);
        QVERIFY(form.mask().isEmpty()); // rectangular

        const auto bytes = WriteMask2(MakeRegion({{10, 0, 50, 10}, {0, 10, 60, 60}}));
        QBuffer good;
        good.setData(reinterpret_cast<const char *>(bytes.data()), static_cast<int>(bytes.size()));
        good.open(QIODevice::ReadOnly);
        shape->ReadMask(good);
        QVERIFY(!form.mask().contains(QPoint(2, 2)));
        QVERIFY(form.mask().contains(QPoint(30, 30)));
        QBuffer written;
        written.open(QIODevice::WriteOnly);
        shape->WriteMask(written);
        QCOMPARE(written.data(), good.data());

        QByteArray lying = good.data();
        lying[12] = 9; // rectangle count
        QBuffer hostile;
        hostile.setData(lying);
        hostile.open(QIODevice::ReadOnly);
        QVERIFY_THROWS_EXCEPTION(Error, shape->ReadMask(hostile));
        QBuffer shortData;
        shortData.setData(good.data().left(30));
        shortData.open(QIODevice::ReadOnly);
        QVERIFY_THROWS_EXCEPTION(Error, shape->ReadMask(shortData));
        QVERIFY(form.mask().contains(QPoint(30, 30))); // the shape stays as it was

        shape->SetPicture(QPixmap(60, 60)); // a new picture drops the region reference
        QVERIFY(!shape->Mask()->Region);
        QVERIFY(form.mask().contains(QPoint(30, 30)));
    }
};

int main(int argc, char **argv)
{
    return vistrel::testing::RunQtTest<CaptureWindowsTest>(argc, argv);
}

#include "capture_windows_test.moc"
