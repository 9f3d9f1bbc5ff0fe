#include "platform/screen_source.h"

#include "platform/error.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace vistrel {

namespace {

const char *const kNoScreenMessage =
    "The screen cannot be captured in this session: Vistrel reads the screen through X11, "
    "and this desktop does not offer it (a Wayland session without X11 access gives no picture). "
    "Log in to an X11 session to take screenshots.";
const char *const kUnreadScreenMessage =
    "The screen could not be read: the desktop gave back no picture of it. No screenshot was taken.";

// Output pixels [first, last) whose centres fall inside [from, to) logical units of the output's
// own axis, at `scale` pixels per unit.
std::pair<int, int> coveredPixels(double from, double to, double scale, int size)
{
    const int first = static_cast<int>(std::ceil(from * scale - 0.5));
    const int last = static_cast<int>(std::ceil(to * scale - 0.5));
    return {std::clamp(first, 0, size), std::clamp(last, 0, size)};
}

// The monitor's pixel under the centre of output pixel `index`, on one axis.
int sourcePixel(int index, double scale, double offset, double ratio, int limit)
{
    const int pixel = static_cast<int>(std::floor(((index + 0.5) / scale + offset) * ratio));
    return std::clamp(pixel, 0, limit - 1);
}

} // namespace

ScreenCopy::ScreenCopy(std::vector<MonitorCopy> monitors) : monitors_(std::move(monitors))
{
    for (auto &monitor : monitors_) {
        if (monitor.pixels.format() != QImage::Format_RGB32)
            monitor.pixels = monitor.pixels.convertToFormat(QImage::Format_RGB32);
        // Drawn at its logical size, one image pixel per device pixel on its own monitor.
        monitor.pixels.setDevicePixelRatio(monitor.devicePixelRatio);
        virtualRect_ = virtualRect_.united(monitor.logicalRect);
    }
}

qreal ScreenCopy::scaleFor(const QRect &logical) const
{
    qreal scale = 0;
    for (const auto &monitor : monitors_)
        if (monitor.logicalRect.intersects(logical))
            scale = std::max(scale, monitor.devicePixelRatio);
    return scale > 0 ? scale : 1.0;
}

TBitmap ScreenCopy::copyRect(const QRect &logical) const
{
    const qreal scale = scaleFor(logical);
    const int width = qRound(logical.width() * scale);
    const int height = qRound(logical.height() * scale);
    TBitmap::checkSize(width, height);
    TBitmap out(width, height, PixelFormat::pf24bit);
    for (const auto &monitor : monitors_)
        if (monitor.logicalRect.intersects(logical))
            copyMonitor(monitor, logical, scale, out);
    return out;
}

void ScreenCopy::copyMonitor(const MonitorCopy &monitor, const QRect &logical, qreal scale, TBitmap &out) const
{
    const QRect &place = monitor.logicalRect;
    const QImage &pixels = monitor.pixels;
    if (pixels.isNull())
        return;
    const auto [x0, x1] = coveredPixels(place.left() - logical.left(), place.left() + place.width() - logical.left(),
                                        scale, out.width());
    const auto [y0, y1] = coveredPixels(place.top() - logical.top(), place.top() + place.height() - logical.top(),
                                        scale, out.height());
    const double ratio = monitor.devicePixelRatio;
    std::vector<int> sourceX(static_cast<size_t>(std::max(0, x1 - x0)));
    for (int x = x0; x < x1; ++x)
        sourceX[x - x0] = sourcePixel(x, scale, logical.left() - place.left(), ratio, pixels.width());
    for (int y = y0; y < y1; ++y) {
        const int sy = sourcePixel(y, scale, logical.top() - place.top(), ratio, pixels.height());
        const auto *in = reinterpret_cast<const QRgb *>(pixels.constScanLine(sy));
        uint8_t *dst = out.scanLine(y) + static_cast<size_t>(x0) * 3;
        for (int sx : sourceX) {
            const QRgb pixel = in[sx];
            dst[0] = static_cast<uint8_t>(qBlue(pixel));
            dst[1] = static_cast<uint8_t>(qGreen(pixel));
            dst[2] = static_cast<uint8_t>(qRed(pixel));
            dst += 3;
        }
    }
}

MonitorCopy GrabbedMonitor(const QRect &logicalRect, qreal devicePixelRatio, QImage pixels)
{
    const QSize expected(qRound(logicalRect.width() * devicePixelRatio), qRound(logicalRect.height() * devicePixelRatio));
    if (pixels.isNull() || pixels.size() != expected)
        throw Error(kUnreadScreenMessage);
    return {logicalRect, devicePixelRatio, std::move(pixels)};
}

void DirectScreenSource::request(const QWindow *, Done done, Failed failed)
{
    ScreenCopy copy;
    try {
        copy = grab();
    } catch (const std::exception &error) {
        failed(error.what());
        return;
    }
    done(std::move(copy));
}

bool QScreenSource::readsThisSession()
{
    return QGuiApplication::platformName() == QLatin1String("xcb") && !QGuiApplication::screens().isEmpty();
}

ScreenCopy QScreenSource::grab()
{
    if (!readsThisSession())
        throw Error(kNoScreenMessage);
    std::vector<MonitorCopy> monitors;
    for (QScreen *screen : QGuiApplication::screens()) {
        // An all-black screen is a real one (a bare session, a dark video frame) and is captured.
        monitors.push_back(
            GrabbedMonitor(screen->geometry(), screen->devicePixelRatio(), screen->grabWindow(0).toImage()));
    }
    return ScreenCopy(std::move(monitors));
}

ScreenCopy DesktopPictureToScreenCopy(const QImage &picture, const std::vector<QRect> &monitors)
{
    if (monitors.empty())
        return ScreenCopy({{picture.rect(), 1.0, picture}});
    QRect desktop;
    for (const QRect &place : monitors)
        desktop = desktop.united(place);
    const double scaleX = double(picture.width()) / desktop.width();
    const double scaleY = double(picture.height()) / desktop.height();
    std::vector<MonitorCopy> copies;
    for (const QRect &place : monitors) {
        const QPoint from = place.topLeft() - desktop.topLeft();
        const QPoint to = from + QPoint(place.width(), place.height());
        const QRect physical(QPoint(qRound(from.x() * scaleX), qRound(from.y() * scaleY)),
                             QPoint(qRound(to.x() * scaleX) - 1, qRound(to.y() * scaleY) - 1));
        QImage pixels = picture.copy(physical);
        // A picture stretched unevenly is fitted to the horizontal scale on both axes.
        const QSize fitted(qRound(place.width() * scaleX), qRound(place.height() * scaleX));
        if (pixels.size() != fitted)
            pixels = pixels.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        copies.push_back({place, scaleX, std::move(pixels)});
    }
    return ScreenCopy(std::move(copies));
}

std::vector<QRect> MonitorPlaces()
{
    std::vector<QRect> places;
    for (const QScreen *screen : QGuiApplication::screens())
        places.push_back(screen->geometry());
    return places;
}

} // namespace vistrel
