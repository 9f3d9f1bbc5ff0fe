// Helps the end-to-end capture test.
//   e2e_helper show <picture>: shows the picture as a borderless window at the screen's corner, a
//     desktop whose every pixel the test knows; runs until it is killed.
//   e2e_helper locate <screenshot> <picture> <scale> <left> <top> <width> <height>: finds the
//     top-left corner of the picture, shown at `scale` screen pixels per picture pixel, inside that
//     rectangle of the screenshot and prints its top-left corner. Exit status 1 when it is not there.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRasterWindow>
#include <QRect>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Sample {
    int x, y; // screen offset from the picture's corner
    QRgb colour;
};

// Points at the centres of the scaled pixels, spread over the whole picture.
std::vector<Sample> samplesOf(const QImage &picture, int scale)
{
    std::vector<Sample> samples;
    const int step = std::max(1, std::min(picture.width(), picture.height()) / 12);
    for (int y = step / 2; y < picture.height(); y += step)
        for (int x = step / 2; x < picture.width(); x += step)
            samples.push_back({x * scale + scale / 2, y * scale + scale / 2, picture.pixel(x, y)});
    return samples;
}

int distance(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

bool matchesAt(const QImage &screen, const std::vector<Sample> &samples, int left, int top)
{
    long total = 0;
    for (const Sample &s : samples) {
        const int d = distance(screen.pixel(left + s.x, top + s.y), s.colour);
        if (d > 60)
            return false;
        total += d;
    }
    return total <= static_cast<long>(samples.size()) * 15;
}

class Backdrop : public QRasterWindow {
public:
    explicit Backdrop(QImage image) : image_(std::move(image))
    {
        setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint);
        setTitle(QStringLiteral("e2e-desktop"));
        setGeometry(QRect(QPoint(0, 0), image_.size()));
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, image_); }

private:
    QImage image_;
};

int show(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QImage image(QString::fromLocal8Bit(argv[2]));
    if (image.isNull())
        return 2;
    Backdrop backdrop(image);
    backdrop.show();
    return QGuiApplication::exec();
}

int locate(char **argv)
{
    const QImage screen = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    // The document window may be smaller than the picture; its top-left corner is what must show.
    const QImage whole = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
    const QImage picture = whole.copy(QRect(0, 0, 120, 90).intersected(whole.rect()));
    const int scale = std::atoi(argv[3]);
    if (screen.isNull() || whole.isNull() || scale < 1) {
        std::fprintf(stderr, "cannot read the screenshot or the picture\n");
        return 2;
    }
    const QRect window = QRect(std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]), std::atoi(argv[7]))
                             .intersected(screen.rect());
    const std::vector<Sample> samples = samplesOf(picture, scale);
    for (int top = window.top(); top + picture.height() * scale <= window.bottom() + 1; ++top)
        for (int left = window.left(); left + picture.width() * scale <= window.right() + 1; ++left)
            if (matchesAt(screen, samples, left, top)) {
                std::printf("%d %d\n", left, top);
                return 0;
            }
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "show" && argc == 3)
        return show(argc, argv);
    if (command == "locate" && argc == 9)
        return locate(argv + 1);
    std::fprintf(stderr, "usage: %s show <picture> | locate <screenshot> <picture> <scale> <left> <top> <width> <height>\n",
                 argv[0]);
    return 2;
}
