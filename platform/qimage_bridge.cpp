#include "platform/qimage_bridge.h"

#include <cstring>

namespace vistrel {

QImage toQImage(const TBitmap &bitmap)
{
    TBitmap rgb = bitmap;
    rgb.setPixelFormat(PixelFormat::pf24bit);
    QImage image(rgb.width(), rgb.height(), QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y) {
        const uint8_t *in = rgb.scanLine(y);
        uchar *out = image.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return image;
}

TBitmap fromQImage(const QImage &image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    TBitmap bitmap(rgb.width(), rgb.height(), PixelFormat::pf24bit);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar *in = rgb.constScanLine(y);
        uint8_t *out = bitmap.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return bitmap;
}

} // namespace vistrel
