#include "shellctl/thumbnailer.h"

#include "platform/bmp_codec.h"
#include "platform/error.h"
#include "platform/jpeg_codec.h"
#include "shellctl/thumb_tile.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <utility>

namespace vistrel {

namespace {

enum class Decoder { None, Jpeg, Bmp };

Decoder DecoderFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") || suffix == QLatin1String("jpe"))
        return Decoder::Jpeg;
    if (suffix == QLatin1String("bmp"))
        return Decoder::Bmp;
    return Decoder::None;
}

ThumbnailCache::Entry Decode(const std::string &path, Decoder decoder, int box)
{
    ThumbnailCache::Entry entry;
    if (decoder == Decoder::Jpeg) {
        ScaledJpeg jpeg = ReadJpegFileScaled(path, box);
        entry.FullWidth = jpeg.FullWidth;
        entry.FullHeight = jpeg.FullHeight;
        // Sized from the original, not from the reduced decode, whose sides are rounded up.
        entry.Picture = ResizedTo(std::move(jpeg.Bitmap), FitInBox(jpeg.FullWidth, jpeg.FullHeight, box));
        return entry;
    }
    TBitmap picture = ReadBmpFile(path);
    entry.FullWidth = picture.width();
    entry.FullHeight = picture.height();
    entry.Picture = ResizedTo(std::move(picture), FitInBox(entry.FullWidth, entry.FullHeight, box));
    return entry;
}

} // namespace

// A cache that cannot be written must not hide why the picture failed.
void Thumbnailer::RecordFailure(const QString &uri, int64_t mtime) const
{
    try {
        cache_.WriteFailure(uri, mtime);
    } catch (const Error &) {
    }
}

ThumbSource Thumbnailer::Make(const QString &path, bool retryFailed) const
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const std::string name = QFile::encodeName(absolute).toStdString();
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw Error("Cannot read picture " + name + ": not a regular file");
    const Decoder decoder = DecoderFor(absolute);
    if (decoder == Decoder::None)
        throw Error("Cannot read picture " + name + ": not a JPEG or BMP file");
    const QString uri = ThumbnailCache::UriOf(absolute);
    const int64_t mtime = static_cast<int64_t>(info.st_mtime);
    ThumbSource source;
    source.CachePath = cache_.EntryPath(uri);
    if (std::optional<ThumbnailCache::Entry> cached = cache_.Read(uri, mtime)) {
        source.Entry = std::move(*cached);
        source.FromCache = true;
        return source;
    }
    if (!retryFailed && cache_.HasFailure(uri, mtime))
        throw Error("Cannot read picture " + name + ": it could not be read before and has not changed since");
    const bool cacheable = !cache_.Covers(absolute);
    try {
        source.Entry = Decode(name, decoder, cache_.Box());
    } catch (const Error &) {
        // An empty file is most likely still being written (a shot reserves its name first):
        // recording it would keep the finished picture from being tried in the same second.
        if (cacheable && info.st_size > 0)
            RecordFailure(uri, mtime);
        throw;
    }
    if (!cacheable) {
        source.CacheError = "pictures inside the thumbnail cache are not cached";
        return source;
    }
    try {
        cache_.Write(uri, mtime, source.Entry);
    } catch (const Error &error) {
        source.CacheError = error.what();
    }
    return source;
}

} // namespace vistrel
