// Capture speed, with the reference figures from the same run:
//  1. an F-key shot of 1920 × 1080 pixels, from the key to the closed file, against
//     `cjpeg -quality 90` compressing the same pixels, and as PNG against libpng's own writer
//     (its simplified interface, default compression) writing the same pixels to a file;
//  2. on an X display (run it under xvfb-run -s "-screen 0 1920x1080x24"), opening the overlay
//     until its first paint is on the screen, against grabbing the screen alone.

#include "capture/capture_settings.h"
#include "capture/capture_shell.h"
#include "capture/erase_form.h"
#include "platform/screen_source.h"

#include <png.h>

#include <QApplication>
#include <QDir>
#include <QPaintEvent>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace vistrel;
using Clock = std::chrono::steady_clock;

namespace {

class BenchShell : public CaptureShell {
public:
    explicit BenchShell(std::string shots) : shots_(std::move(shots)) {}
    std::string shotsFolder() const override { return shots_; }
    std::string settingsFile() const override { return shots_ + ".ini"; }
    std::string lastShotPath() const override { return {}; }
    std::string lastPicturePath() const override { return {}; }
    void recordShot(const std::string &) override {}
    void showMainWindow() override {}
    void openPicture(const std::string &) override {}
    void setListDirectory(const std::string &) override {}
    void selectTreePath(const std::string &) override {}
    void reportError(const std::exception &error, QWidget *) override { std::fprintf(stderr, "%s\n", error.what()); }

private:
    std::string shots_;
};

// A desktop-like picture: smooth backgrounds, window frames, lines of "text" and a photo.
QImage desktopPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(40, 70, 120));
    sky.setColorAt(1, QColor(200, 120, 60));
    p.fillRect(image.rect(), sky);
    for (int w = 0; w < 4; ++w) {
        const QRect frame(80 + w * 420, 60 + w * 140, 760, 560);
        p.fillRect(frame, QColor(245, 245, 245));
        p.fillRect(frame.left(), frame.top(), frame.width(), 28, QColor(60, 90, 150));
        for (int line = 0; line < 30; ++line)
            for (int word = 0; word < 12; ++word)
                p.fillRect(frame.left() + 12 + word * 60, frame.top() + 40 + line * 17, 20 + (word * 7 + line * 3) % 30,
                           9, QColor(30, 30, 30));
    }
    for (int y = 700; y < 1000; ++y) // a noisy "photo"
        for (int x = 1300; x < 1800; ++x)
            image.setPixel(x, y, qRgb((x * 13 + y * 7) % 256, (x * y) % 200, (x + y * 3) % 256));
    return image;
}

double medianMs(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeMs(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<double> timeShots(TEraseF &overlay, const std::string &shots, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(timeMs([&] { overlay.SaveShot(1, {}); }));
        QDir(QString::fromStdString(shots)).removeRecursively();
    }
    return times;
}

void benchShot(const QString &folder)
{
    // The shot leaves out the outline's one-pixel border: a 1922 × 1082 screen gives 1920 × 1080.
    const QImage screen = desktopPicture(1922, 1082);
    const std::string shots = (folder + "/Shots").toStdString();
    const auto shell = std::make_shared<BenchShell>(shots);
    TEraseF overlay(shell);
    overlay.ShowFrozen(ScreenCopy({{QRect(0, 0, 1922, 1082), 1.0, screen}}));

    constexpr int kRuns = 25;
    const std::vector<double> ours = timeShots(overlay, shots, kRuns);
    const QString ppm = folder + "/shot.ppm";
    const QImage shot = screen.copy(1, 1, 1920, 1080).convertToFormat(QImage::Format_RGB888);
    shot.save(ppm, "PPM");
    std::vector<double> reference;
    for (int i = 0; i < kRuns; ++i)
        reference.push_back(timeMs([&] {
            QProcess::execute(QStringLiteral("cjpeg"),
                              {QStringLiteral("-quality"), QStringLiteral("90"), QStringLiteral("-outfile"),
                               folder + "/reference.jpg", ppm});
        }));
    double a = medianMs(ours), b = medianMs(reference);
    std::printf("F-key shot 1920x1080, key to closed file: %.2f ms   cjpeg -quality 90: %.2f ms   ratio %.2f\n", a, b,
                a / b);

    WriteShotFormat(shell->settingsFile(), PictureFormat::Png);
    const std::vector<double> oursPng = timeShots(overlay, shots, kRuns);
    const std::string referencePng = (folder + "/reference.png").toStdString();
    std::vector<double> libpng;
    for (int i = 0; i < kRuns; ++i)
        libpng.push_back(timeMs([&] {
            png_image image{};
            image.version = PNG_IMAGE_VERSION;
            image.width = 1920;
            image.height = 1080;
            image.format = PNG_FORMAT_RGB;
            if (!png_image_write_to_file(&image, referencePng.c_str(), 0, shot.constBits(),
                                         static_cast<png_int_32>(shot.bytesPerLine()), nullptr))
                std::fprintf(stderr, "libpng: %s\n", image.message);
            png_image_free(&image);
        }));
    a = medianMs(oursPng), b = medianMs(libpng);
    std::printf("F-key PNG shot 1920x1080, key to closed file: %.2f ms   libpng's writer: %.2f ms   ratio %.2f\n", a,
                b, a / b);
}

// Counts its paints, so the bench knows when the frozen screen is on the display.
class TimedOverlay : public TEraseF {
public:
    using TEraseF::TEraseF;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        TEraseF::paintEvent(event);
        ++paints;
    }
};

// What the screen shows while the overlay opens: a blank X display would be refused.
class Backdrop : public QWidget {
public:
    Backdrop() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    {
        const QRect desktop = QGuiApplication::primaryScreen()->geometry();
        picture_ = desktopPicture(desktop.width(), desktop.height());
        setGeometry(desktop);
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, picture_); }

private:
    QImage picture_;
};

void benchOverlay(const QString &folder)
{
    Backdrop backdrop;
    backdrop.show();
    if (!QTest::qWaitForWindowExposed(&backdrop))
        std::fprintf(stderr, "the backdrop was never shown\n");
    QTest::qWait(100);
    auto screen = std::make_shared<QScreenSource>();
    auto shell = std::make_shared<BenchShell>((folder + "/Shots").toStdString());
    constexpr int kRuns = 15;
    std::vector<double> grab, open;
    for (int i = 0; i < kRuns; ++i) {
        grab.push_back(timeMs([&] { screen->grab(); }));
        auto *overlay = new TimedOverlay(shell);
        open.push_back(timeMs([&] {
            overlay->ShowFrozen(screen->grab());
            while (overlay->paints == 0)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QGuiApplication::sync();
        }));
        overlay->close();
        QTest::qWait(50);
    }
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    const double g = medianMs(grab), o = medianMs(open);
    std::printf("overlay open on %dx%d, to its first paint: %.2f ms   screen grab alone: %.2f ms   more: %.2f ms "
                "(one frame: 16.7 ms)\n",
                desktop.width(), desktop.height(), o, g, o - g);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir folder;
    benchShot(folder.path());
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        benchOverlay(folder.path());
    else
        std::printf("overlay open: needs an X display (run under xvfb-run -s \"-screen 0 1920x1080x24\")\n");
    return 0;
}
