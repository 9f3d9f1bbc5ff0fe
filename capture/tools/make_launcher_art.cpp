// Draws the launcher's camera picture and derives its window region from the picture's outline.
// Run once after changing the drawing: make_launcher_art <folder> writes launcher.png and
// launcher.mask2 into that folder (capture/resources).

#include "capture/region.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdio>

using vistrel::TRect;

namespace {

constexpr int kWidth = 193;
constexpr int kHeight = 254;
const QPointF kLensCentre(96.5, 176.0);

QPainterPath bodyPath()
{
    QPainterPath body;
    body.addRoundedRect(QRectF(4, 34, 185, 216), 22, 22);
    QPainterPath shutter;
    shutter.addRoundedRect(QRectF(134, 4, 50, 40), 11, 11);
    QPainterPath viewfinder;
    viewfinder.addRoundedRect(QRectF(20, 20, 62, 24), 7, 7);
    return body.united(shutter).united(viewfinder);
}

void drawBody(QPainter &p)
{
    QPainterPath shell;
    shell.addRoundedRect(QRectF(4, 34, 185, 216), 22, 22);
    QLinearGradient leather(0, 34, 0, 250);
    leather.setColorAt(0, QColor(0x4b, 0x50, 0x59));
    leather.setColorAt(1, QColor(0x1f, 0x22, 0x27));
    p.fillPath(shell, leather);

    // A fine grain on the lower half, like a leatherette wrap.
    p.save();
    p.setClipPath(shell);
    for (int y = 110; y < 250; y += 3)
        for (int x = 4 + (y / 3) % 2 * 2; x < 190; x += 4)
            p.fillRect(QRectF(x, y, 1, 1), QColor(255, 255, 255, 14));
    QLinearGradient plate(0, 34, 0, 108);
    plate.setColorAt(0, QColor(0xe4, 0xe7, 0xeb));
    plate.setColorAt(0.55, QColor(0xbd, 0xc2, 0xc9));
    plate.setColorAt(1, QColor(0x9a, 0xa0, 0xa8));
    p.fillRect(QRectF(0, 34, kWidth, 74), plate);
    for (int x = 6; x < 190; x += 2) // brushed metal
        p.fillRect(QRectF(x, 36, 1, 70), QColor(255, 255, 255, x % 6 == 0 ? 22 : 8));
    p.fillRect(QRectF(0, 107, kWidth, 2), QColor(0x2a, 0x2d, 0x32));
    p.fillRect(QRectF(0, 109, kWidth, 1), QColor(255, 255, 255, 60));
    p.restore();
    p.setPen(QPen(QColor(0x15, 0x17, 0x1a), 1.5));
    p.drawPath(shell);
}

void drawTopParts(QPainter &p)
{
    QPainterPath viewfinder;
    viewfinder.addRoundedRect(QRectF(20, 20, 62, 24), 7, 7);
    QLinearGradient dark(0, 20, 0, 44);
    dark.setColorAt(0, QColor(0x5a, 0x5f, 0x68));
    dark.setColorAt(1, QColor(0x2b, 0x2e, 0x34));
    p.fillPath(viewfinder, dark);
    p.setPen(QPen(QColor(0x15, 0x17, 0x1a), 1.2));
    p.drawPath(viewfinder);
    p.fillRect(QRectF(36, 25, 30, 8), QColor(0x12, 0x1a, 0x26));
    p.fillRect(QRectF(38, 26, 10, 2), QColor(255, 255, 255, 70));

    QPainterPath shutter;
    shutter.addRoundedRect(QRectF(134, 4, 50, 40), 11, 11);
    QLinearGradient red(0, 4, 0, 44);
    red.setColorAt(0, QColor(0xd6, 0x45, 0x36));
    red.setColorAt(0.5, QColor(0xa8, 0x2a, 0x1e));
    red.setColorAt(1, QColor(0x6e, 0x16, 0x0f));
    p.fillPath(shutter, red);
    p.setPen(QPen(QColor(0x3a, 0x0c, 0x08), 1.2));
    p.drawPath(shutter);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(145, 6.5), QPointF(173, 6.5));
}

void drawFlash(QPainter &p)
{
    const QRectF flash(14, 52, 44, 30);
    p.setPen(QPen(QColor(0x5c, 0x62, 0x6a), 1.5));
    p.setBrush(QColor(0xf6, 0xf1, 0xdc));
    p.drawRoundedRect(flash, 5, 5);
    p.setPen(QPen(QColor(0xc9, 0xc1, 0xa0), 1));
    for (double x = flash.left() + 5; x < flash.right() - 2; x += 5)
        p.drawLine(QPointF(x, flash.top() + 3), QPointF(x, flash.bottom() - 3));
    QLinearGradient glow(flash.topLeft(), flash.bottomLeft());
    glow.setColorAt(0, QColor(255, 255, 255, 120));
    glow.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRoundedRect(flash.adjusted(2, 2, -2, -14), 3, 3);
}

void drawWindowGlass(QPainter &p)
{
    const QRectF frame(64, 54, 51, 45);
    p.setPen(QPen(QColor(0x4a, 0x4f, 0x57), 2));
    p.setBrush(QColor(0x2e, 0x32, 0x38));
    p.drawRoundedRect(frame, 9, 9);
    const QRectF glass = frame.adjusted(3, 3, -3, -3);
    QLinearGradient deep(glass.topLeft(), glass.bottomRight());
    deep.setColorAt(0, QColor(0x24, 0x3b, 0x55));
    deep.setColorAt(1, QColor(0x07, 0x0b, 0x12));
    p.setPen(Qt::NoPen);
    p.setBrush(deep);
    p.drawRoundedRect(glass, 7, 7);
    QPainterPath sheen;
    sheen.moveTo(glass.left() + 4, glass.top() + 2);
    sheen.lineTo(glass.left() + 20, glass.top() + 2);
    sheen.lineTo(glass.left() + 4, glass.top() + 20);
    sheen.closeSubpath();
    p.fillPath(sheen, QColor(255, 255, 255, 35));
}

void drawPowerButton(QPainter &p)
{
    const QRectF outer(143, 64, 35, 35);
    p.setPen(QPen(QColor(0x22, 0x24, 0x28), 2));
    p.setBrush(QColor(0x6a, 0x70, 0x78));
    p.drawEllipse(outer);
    QRadialGradient face(QPointF(156, 76), 18);
    face.setColorAt(0, QColor(0x3d, 0x8b, 0x4a));
    face.setColorAt(1, QColor(0x14, 0x3d, 0x1c));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(outer.adjusted(3, 3, -3, -3));
}

void drawLens(QPainter &p)
{
    QRadialGradient bezel(kLensCentre, 64, kLensCentre + QPointF(-20, -24));
    bezel.setColorAt(0, QColor(0xf2, 0xf4, 0xf6));
    bezel.setColorAt(0.8, QColor(0xa9, 0xaf, 0xb7));
    bezel.setColorAt(1, QColor(0x6c, 0x72, 0x7a));
    p.setPen(QPen(QColor(0x15, 0x17, 0x1a), 1.5));
    p.setBrush(bezel);
    p.drawEllipse(kLensCentre, 63, 63);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x16, 0x18, 0x1b));
    p.drawEllipse(kLensCentre, 55, 55);
    p.setPen(QPen(QColor(0x3c, 0x40, 0x46), 1.2)); // focus ring grip
    for (int tick = 0; tick < 72; ++tick) {
        const double angle = tick * M_PI / 36;
        const QPointF direction(std::cos(angle), std::sin(angle));
        p.drawLine(kLensCentre + direction * 47, kLensCentre + direction * 54);
    }
    p.setPen(QPen(QColor(0x55, 0x5a, 0x62), 1.5));
    p.setBrush(QColor(0x24, 0x27, 0x2c));
    p.drawEllipse(kLensCentre, 44, 44);

    QRadialGradient glass(kLensCentre, 36, kLensCentre + QPointF(8, 10));
    glass.setColorAt(0, QColor(0x5a, 0x3c, 0x8c));
    glass.setColorAt(0.45, QColor(0x1f, 0x2c, 0x6a));
    glass.setColorAt(1, QColor(0x05, 0x07, 0x12));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawEllipse(kLensCentre, 36, 36);
    p.setBrush(QColor(0x02, 0x03, 0x08));
    p.drawEllipse(kLensCentre, 14, 14);

    p.setBrush(QColor(255, 255, 255, 170));
    p.drawEllipse(kLensCentre + QPointF(-15, -16), 7, 5);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(kLensCentre + QPointF(-5, -22), 3, 2);
    p.setPen(QPen(QColor(0xd0, 0x7c, 0xe0, 110), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(kLensCentre - QPointF(27, 27), QSizeF(54, 54)), -30 * 16, -70 * 16);
}

QImage drawCamera()
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(bodyPath(), QColor(0x1a, 0x1c, 0x20)); // the outline's own edge colour
    drawTopParts(p);
    drawBody(p);
    drawFlash(p);
    drawWindowGlass(p);
    drawPowerButton(p);
    drawLens(p);
    return image;
}

// The opaque pixels as bands of rows with equal runs, each run one rectangle.
std::vector<TRect> opaqueRects(const QImage &image)
{
    std::vector<TRect> rects;
    std::vector<std::pair<int, int>> bandRuns;
    size_t bandStart = 0;
    for (int y = 0; y <= image.height(); ++y) {
        std::vector<std::pair<int, int>> runs;
        for (int x = 0; y < image.height() && x < image.width();) {
            while (x < image.width() && qAlpha(image.pixel(x, y)) < 128)
                ++x;
            const int start = x;
            while (x < image.width() && qAlpha(image.pixel(x, y)) >= 128)
                ++x;
            if (x > start)
                runs.emplace_back(start, x);
        }
        if (y > 0 && runs == bandRuns) {
            for (size_t i = bandStart; i < rects.size(); ++i)
                rects[i].Bottom = y + 1;
            continue;
        }
        bandStart = rects.size();
        for (const auto &[left, right] : runs)
            rects.push_back({left, y, right, y + 1});
        bandRuns = std::move(runs);
    }
    return rects;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QImage camera = drawCamera();
    const auto rects = opaqueRects(camera);
    // The window shows the picture over nothing: flatten it onto the edge colour.
    QImage flat(camera.size(), QImage::Format_RGB32);
    flat.fill(QColor(0x1a, 0x1c, 0x20));
    QPainter(&flat).drawImage(0, 0, camera);
    if (!flat.save(folder + "/launcher.png"))
        return 1;
    const auto mask = vistrel::WriteMask2(vistrel::MakeRegion(rects));
    QFile out(folder + "/launcher.mask2");
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(reinterpret_cast<const char *>(mask.data()), static_cast<qint64>(mask.size())) !=
            static_cast<qint64>(mask.size()))
        return 1;
    std::printf("%zu rectangles\n", rects.size());
    return 0;
}
