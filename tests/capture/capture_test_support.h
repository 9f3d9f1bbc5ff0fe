// What the capture window tests share: a stand-in main window, a synthetic desktop of known
// pixels, and overlays opened over it.
#pragma once

#include "capture/capture_shell.h"
#include "capture/erase_form.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "platform/screen_source.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <memory>

namespace vistrel::capture_test {


class StubShell : public CaptureShell {
public:
    explicit StubShell(std::string shots) : shots_(std::move(shots)) {}

    std::string shotsFolder() const override { return shots_; }
    std::string settingsFile() const override { return shots_ + ".ini"; }
    std::string lastShotPath() const override { return lastShot; }
    std::string lastPicturePath() const override { return lastPicture; }
    void recordShot(const std::string &path) override
    {
        lastShot = path;
        lastPicture = path.substr(0, path.rfind('/') + 1);
    }
    void showMainWindow() override { mainShown = true; }
    void openPicture(const std::string &path) override { opened.push_back(path); }
    void setListDirectory(const std::string &folder) override
    {
        if (!QDir(QString::fromStdString(folder)).exists())
            throw Error("Directory does not exist");
        listDirectory = folder;
    }
    void selectTreePath(const std::string &folder) override { treePath = folder; }
    void reportError(const std::exception &error, QWidget *) override { errors.push_back(error.what()); }

    std::string lastShot, lastPicture, listDirectory, treePath;
    std::vector<std::string> opened, errors;
    bool mainShown = false;

private:
    std::string shots_;
};

QRgb patternPixel(int x, int y, int tint)
{
    // Flat 8 × 8 cells of distinct colours: sharp enough that a one-pixel shift shows.
    const int cx = x / 8, cy = y / 8;
    return qRgb((cx * 37 + tint) & 255, (cy * 53) & 255, ((cx + cy) * 29 + tint * 3) & 255);
}

QImage pattern(int width, int height, int tint)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, patternPixel(x, y, tint));
    return image;
}

std::shared_ptr<DirectScreenSource> screenOf(std::vector<MonitorCopy> monitors)
{
    return std::make_shared<SyntheticScreenSource>(ScreenCopy(std::move(monitors)));
}

std::shared_ptr<DirectScreenSource> plainScreen(int width = 1024, int height = 768)
{
    return screenOf({{QRect(0, 0, width, height), 1.0, pattern(width, height, 0)}});
}

// Clicks `answer` in the next message box that opens; counts the boxes it saw.
class MessageBoxAnswerer : public QObject {
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer) : answer_(answer)
    {
        connect(&timer_, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            ++seen;
            text = box->text();
            box->button(answer_)->click();
        });
        timer_.start(5);
    }
    int seen = 0;
    QString text;

private:
    QMessageBox::StandardButton answer_;
    QTimer timer_;
};

void drag(QWidget *widget, QPoint from, QPoint to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    QTest::mouseMove(widget, (from + to) / 2);
    QTest::mouseMove(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

// The decoded file must equal the same pixels encoded and decoded again: same encoder, same result.
void expectShotHolds(const std::string &path, const TBitmap &expected)
{
    const TBitmap shot = ReadJpegFile(path);
    QCOMPARE(shot.width(), expected.width());
    QCOMPARE(shot.height(), expected.height());
    const TBitmap reference = ReadJpegMemory(WriteJpegMemory(expected).data(), WriteJpegMemory(expected).size());
    QVERIFY(shot == reference);
    const PaletteEntry a = shot.pixel(shot.width() / 2, shot.height() / 2);
    const PaletteEntry b = expected.pixel(shot.width() / 2, shot.height() / 2);
    QVERIFY(std::abs(a.r - b.r) < 24 && std::abs(a.g - b.g) < 24 && std::abs(a.b - b.b) < 24);
}

TBitmap expectedPixels(int left, int top, int width, int height, int tint = 0)
{
    TBitmap bitmap(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb p = patternPixel(left + x, top + y, tint);
            bitmap.setPixel(x, y, {static_cast<uint8_t>(qBlue(p)), static_cast<uint8_t>(qGreen(p)),
                                   static_cast<uint8_t>(qRed(p)), 0});
        }
    return bitmap;
}

std::string readText(const std::string &path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}


class CaptureTestBase : public QObject {
protected:
    QTemporaryDir home_;
    std::string shots_;
    std::shared_ptr<StubShell> shell_;

    void prepare()
    {
        QVERIFY(home_.isValid());
        shots_ = (home_.path() + "/Shots").toStdString();
        QDir(QString::fromStdString(shots_)).removeRecursively();
        shell_ = std::make_shared<StubShell>(shots_);
    }

    TEraseF *openOverlay(const std::shared_ptr<DirectScreenSource> &screen, bool single = true, TRect kept = {},
                         std::vector<QRect> windowFrames = {})
    {
        auto *overlay = new TEraseF(shell_);
        overlay->setSingleShoot(single);
        overlay->setKeptRect(kept);
        overlay->ShowFrozen(screen->grab(), std::move(windowFrames));
        if (!QTest::qWaitForWindowActive(overlay))
            qWarning("overlay not active");
        return overlay;
    }

    // Presses `key` on the overlay, answering the capture message with `answer`.
    int pressAnswering(TEraseF *overlay, Qt::Key key, QMessageBox::StandardButton answer)
    {
        MessageBoxAnswerer answerer(answer);
        QTest::keyClick(overlay, key);
        return answerer.seen;
    }
};

} // namespace vistrel::capture_test
