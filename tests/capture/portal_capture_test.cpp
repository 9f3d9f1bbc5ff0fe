// "Start" where the screen has to be asked for: the launcher against a stand-in portal on the
// private session bus that dbus-run-session gives this test.

#include "capture/capture_shell.h"
#include "capture/erase_form.h"
#include "capture/start_form.h"
#include "platform/jpeg_codec.h"
#include "platform/portal_screen_source.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

using namespace vistrel;

namespace {

constexpr int kWaitMs = 8000; // a bound for a hung test, far above the portal timeouts below

class RecordingShell : public CaptureShell {
public:
    explicit RecordingShell(std::string shots) : shots_(std::move(shots)) {}
    std::string settingsFile() const override { return shots_ + ".ini"; }
    std::string shotsFolder() const override { return shots_; }
    std::string lastShotPath() const override { return lastShot; }
    std::string lastPicturePath() const override { return {}; }
    void recordShot(const std::string &path) override { lastShot = path; }
    void showMainWindow() override {}
    void openPicture(const std::string &) override {}
    void setListDirectory(const std::string &) override {}
    void selectTreePath(const std::string &) override {}
    void reportError(const std::exception &error, QWidget *) override { errors.push_back(error.what()); }

    std::string lastShot;
    std::vector<std::string> errors;

private:
    std::string shots_;
};

QRgb picturePixel(int x, int y) { return qRgb(x & 255, y & 255, (x / 256 + y / 256 * 8) & 255); }

} // namespace

class PortalCaptureTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    QProcess portal_;
    std::shared_ptr<RecordingShell> shell_;
    QString picture_, log_;
    QSize screen_;

    void startPortal(const QString &mode)
    {
        portal_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        portal_.start(QStringLiteral(PORTAL_STAND_IN), {mode, picture_, log_});
        QVERIFY(portal_.waitForStarted(kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(PortalScreenSource::isAvailable(), kWaitMs);
    }

    QStringList portalLog()
    {
        QFile log(log_);
        if (!log.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        return QString::fromUtf8(log.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    std::unique_ptr<TStartF> launcher()
    {
        auto source = std::make_shared<PortalScreenSource>(QDBusConnection::sessionBus(), PortalTimeouts{500, 800, 800});
        auto launcher = std::make_unique<TStartF>(shell_, source);
        launcher->show();
        if (!QTest::qWaitForWindowExposed(launcher.get()))
            qWarning("launcher not shown");
        return launcher;
    }

    QString parentOf(const TStartF &launcher) const
    {
        return QStringLiteral("x11:%1").arg(launcher.windowHandle()->winId(), 0, 16);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(folder_.isValid());
        QVERIFY2(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"), "run under dbus-run-session");
        // The portal's picture is the desktop at twice its logical size, as on a doubled display.
        screen_ = QGuiApplication::primaryScreen()->geometry().size();
        QImage picture(screen_ * 2, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, picturePixel(x, y));
        picture_ = folder_.filePath(QStringLiteral("desktop.png"));
        QVERIFY(picture.save(picture_));
    }

    void init()
    {
        log_ = folder_.filePath(QStringLiteral("portal.log"));
        QFile::remove(log_);
        QDir(folder_.filePath(QStringLiteral("Shots"))).removeRecursively();
        shell_ = std::make_shared<RecordingShell>(folder_.filePath(QStringLiteral("Shots")).toStdString());
    }

    void cleanup()
    {
        if (portal_.state() != QProcess::NotRunning) {
            portal_.kill();
            portal_.waitForFinished(kWaitMs);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!PortalScreenSource::isAvailable(), kWaitMs);
    }

    void answeredRequestFreezesThePortalsPictureAtItsScale()
    {
        startPortal(QStringLiteral("answer"));
        auto start = launcher();
        start->SpeedButton1->click();
        QTRY_VERIFY_WITH_TIMEOUT(start->overlay() && start->overlay()->isVisible(), kWaitMs);
        TEraseF *overlay = start->overlay();
        QCOMPARE(portalLog(), QStringList{QStringLiteral("call %1 0").arg(parentOf(*start))});
        QCOMPARE(overlay->screenCopy().virtualRect().size(), screen_);
        QCOMPARE(overlay->screenCopy().monitors().front().devicePixelRatio, 2.0);

        // F1 without a rectangle: the whole desktop less the outline's border, in physical pixels.
        QTimer::singleShot(200, overlay, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->button(QMessageBox::No)->click();
        });
        QTest::keyClick(overlay, Qt::Key_F1);
        QTRY_VERIFY_WITH_TIMEOUT(!shell_->lastShot.empty(), kWaitMs);
        const TBitmap shot = ReadJpegFile(shell_->lastShot);
        QCOMPARE(shot.width(), (screen_.width() - 2) * 2);
        QCOMPARE(shot.height(), (screen_.height() - 2) * 2);
        const PaletteEntry p = shot.pixel(600, 300);
        const QRgb expected = picturePixel(602, 302);
        QVERIFY(std::abs(p.r - qRed(expected)) < 24 && std::abs(p.g - qGreen(expected)) < 24);
        QTRY_VERIFY_WITH_TIMEOUT(start->isVisible(), kWaitMs);
        QVERIFY2(!QFile::exists(picture_ + ".1.png"), "the portal's file in the temporary folder was left behind");
    }

    void portalThatWantsConsentIsAskedAgainInteractively()
    {
        // The portal's file lands in the user's picture folder this time: it is the user's to keep.
        QVERIFY(qputenv("XDG_CONFIG_HOME", folder_.path().toUtf8()));
        QFile dirs(folder_.filePath(QStringLiteral("user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write("XDG_PICTURES_DIR=\"" + folder_.path().toUtf8() + "\"\n");
        dirs.close();
        startPortal(QStringLiteral("confirm"));
        auto start = launcher();
        start->SpeedButton3->click();
        QTRY_VERIFY_WITH_TIMEOUT(start->overlay() && start->overlay()->isVisible(), kWaitMs);
        QVERIFY(!start->overlay()->SingleShoot());
        const QString parent = parentOf(*start);
        QCOMPARE(portalLog(), (QStringList{QStringLiteral("call %1 0").arg(parent), QStringLiteral("call %1 1").arg(parent)}));
        QVERIFY(shell_->errors.empty());
        QVERIFY2(QFile::exists(picture_ + ".1.png"), "a file in the picture folder was removed");
        qunsetenv("XDG_CONFIG_HOME");
    }

    void launcherComesBackWhenNoPictureComes_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("message"); // a part of the message shown; empty: none shown
        QTest::addColumn<QStringList>("log");
        QTest::newRow("refused") << "refuse" << "refused" << QStringList{"call P 0", "call P 1"};
        QTest::newRow("cancelled by the user") << "cancel" << "" << QStringList{"call P 0"};
        QTest::newRow("never answers") << "silent" << "did not answer" << QStringList{"call P 0", "close"};
        QTest::newRow("never takes the call") << "mute" << "did not answer" << QStringList{"call P 0"};
        QTest::newRow("no portal at all") << "" << "install xdg-desktop-portal" << QStringList{};
        QTest::newRow("portal without a screenshot backend") << "nobackend" << "no portal backend offers screenshots"
                                                             << QStringList{};
    }

    void launcherComesBackWhenNoPictureComes()
    {
        QFETCH(QString, mode);
        QFETCH(QString, message);
        QFETCH(QStringList, log);
        if (!mode.isEmpty())
            startPortal(mode);
        auto start = launcher();
        start->SpeedButton1->click();
        QTRY_VERIFY(!start->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(start->isVisible(), kWaitMs);
        QVERIFY(!start->overlay());
        if (message.isEmpty()) {
            QVERIFY(shell_->errors.empty());
        } else {
            QCOMPARE(shell_->errors.size(), size_t(1));
            QVERIFY2(QString::fromStdString(shell_->errors.front()).contains(message), shell_->errors.front().c_str());
        }
        log.replaceInStrings(QStringLiteral("P"), parentOf(*start));
        QTRY_COMPARE_WITH_TIMEOUT(portalLog(), log, kWaitMs);
    }

    void parentIsNamedOnlyForX11Windows()
    {
        QCOMPARE(PortalScreenSource::parentWindowHandle(nullptr), QString());
        QWindow window;
        window.create();
        QCOMPARE(PortalScreenSource::parentWindowHandle(&window), QStringLiteral("x11:%1").arg(window.winId(), 0, 16));
    }
};

QTEST_MAIN(PortalCaptureTest)
#include "portal_capture_test.moc"
