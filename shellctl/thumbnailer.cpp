#include "shellctl/thumbnailer.h"

#include "platform/error.h"
#include "platform/exif_orientation.h"
#include "platform/file_io.h"
#include "platform/jpeg_codec.h"
#include "platform/picture_io.h"
#include "shellctl/thumb_tile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>

#include <utility>

namespace vistrel {

namespace {

ThumbnailCache::Entry Decode(const std::string &path, int box)
{
    ThumbnailCache::Entry entry;
    const PictureFormat format = PictureFormatOfContent(path);
    if (format == PictureFormat::None)
        throw Error("Cannot read picture " + path + ": not a JPEG, BMP or PNG file");
    if (format == PictureFormat::Jpeg) {
        ScaledJpeg jpeg = ReadJpegFileScaled(path, box);
        const int orientation = ReadJpegOrientation(path);
        jpeg.Bitmap = Upright(std::move(jpeg.Bitmap), orientation);
        const bool transposed = orientation >= 5;
        entry.FullWidth = transposed ? jpeg.FullHeight : jpeg.FullWidth;
        entry.FullHeight = transposed ? jpeg.FullWidth : jpeg.FullHeight;
        // Sized from the original, not from the reduced decode, whose sides are rounded up.
        entry.Picture = ResizedTo(std::move(jpeg.Bitmap), FitInBox(entry.FullWidth, entry.FullHeight, box));
        return entry;
    }
    TBitmap picture = ReadPictureFile(path, format);
    entry.FullWidth = picture.width();
    entry.FullHeight = picture.height();
    entry.Picture = ResizedTo(std::move(picture), FitInBox(entry.FullWidth, entry.FullHeight, box));
    return entry;
}

// Opening the file tells a picture that cannot be decoded from one that cannot be read now (a
// permission that a chmod, which leaves the time alone, may grant later): only the first is
// recorded as a failure.
struct stat OpenablePicture(const std::string &path)
{
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0) {
        const std::string reason = std::strerror(errno);
        throw Error("Cannot read picture " + path + ": " + reason);
    }
    if (!S_ISREG(info.st_mode))
        throw Error("Cannot read picture " + path + ": not a regular file");
    return info;
}

std::string AbsolutePath(const std::string &path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}

} // namespace

// A cache that cannot be written must not hide why the picture failed.
void Thumbnailer::RecordFailure(const std::string &uri, int64_t mtime) const
{
    try {
        cache_.WriteFailure(uri, mtime);
    } catch (const Error &) {
    }
}

ThumbSource Thumbnailer::Make(const std::string &path, bool retryFailed) const
{
    const std::string name = AbsolutePath(path);
    const struct stat info = OpenablePicture(name);
    const std::string uri = ThumbnailCache::UriOf(name);
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
    const bool cacheable = !cache_.Covers(name);
    try {
        source.Entry = Decode(name, cache_.Box());
        source.Entry.FileBytes = static_cast<int64_t>(info.st_size);
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
