#include "platform/qimage_bridge.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/file_names.h"
#include "platform/picture_io.h"

#include <QFile>
#include <QImageReader>
#include <QStringList>

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

namespace {

TBitmap fromQImageWithAlpha(const QImage &image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    TBitmap bitmap = TBitmap::Uncleared(argb.width(), argb.height(), PixelFormat::pf32bit);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        uint8_t *out = bitmap.scanLine(y);
        for (int x = 0; x < argb.width(); ++x, out += 4) {
            out[0] = static_cast<uint8_t>(qBlue(in[x]));
            out[1] = static_cast<uint8_t>(qGreen(in[x]));
            out[2] = static_cast<uint8_t>(qRed(in[x]));
            out[3] = static_cast<uint8_t>(qAlpha(in[x]));
        }
    }
    return bitmap;
}

TBitmap readWithQt(const std::string &path)
{
    return ReadNamedPicture(path, [&path] {
        QImageReader reader(QFile::decodeName(path.c_str()));
        reader.setDecideFormatFromContent(true);
        if (!reader.canRead())
            throw Error("not a picture format Vistrel can read");
        const QSize size = reader.size();
        if (size.isValid())
            TBitmap::checkSize(size.width(), size.height());
        const QImage image = reader.read();
        if (image.isNull())
            throw Error(reader.errorString().toStdString());
        return image.hasAlphaChannel() ? fromQImageWithAlpha(image) : fromQImage(image);
    });
}

} // namespace

TBitmap ReadAnyPictureFile(const std::string &path)
{
    const PictureFormat own = PictureFormatOfContent(path);
    if (own != PictureFormat::None)
        return ReadPictureFile(path, own);
    ReadNamedPicture(path, [&path] { RequireRegularFile(path); });
    return readWithQt(path);
}

bool IsPictureFileName(const std::string &path)
{
    if (PictureFormatFor(path, PictureNaming::Opening) != PictureFormat::None)
        return true;
    const std::string extension = ExtractFileExt(path);
    return extension.size() > 1
           && QImageReader::supportedImageFormats().contains(QByteArray::fromStdString(extension.substr(1)).toLower());
}

// Every picture format Qt can read, with ours first, as one "all pictures" entry and one per
// format; the patterns come in both letter cases, since names are matched as they are written.
QStringList PictureFileFilters()
{
    QStringList patterns{QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.bmp"),
                         QStringLiteral("*.png")};
    QStringList filters;
    for (const QByteArray &format : QImageReader::supportedImageFormats()) {
        const QString pattern = QStringLiteral("*.") + QString::fromLatin1(format);
        if (!patterns.contains(pattern))
            patterns.append(pattern);
    }
    for (const QString &pattern : QStringList(patterns))
        patterns.append(pattern.toUpper());
    filters.append(QStringLiteral("All pictures (%1)").arg(patterns.join(QLatin1Char(' '))));
    filters.append(QStringLiteral("JPEG Image (*.jpg *.jpeg *.JPG *.JPEG)"));
    filters.append(QStringLiteral("Bitmap (*.bmp *.BMP)"));
    filters.append(QStringLiteral("PNG Image (*.png *.PNG)"));
    filters.append(QStringLiteral("All files (*)"));
    return filters;
}

} // namespace vistrel
