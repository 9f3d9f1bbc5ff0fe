#include "shellctl/thumb_cache.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
#include "platform/safe_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace vistrel {

namespace {

const char *const kUriKey = "Thumb::URI";
const char *const kMTimeKey = "Thumb::MTime";
const char *const kWidthKey = "Thumb::Image::Width";
const char *const kHeightKey = "Thumb::Image::Height";
const char *const kSizeKey = "Thumb::Size";
const QString kProgramFolder = QStringLiteral("vistrel-" VISTREL_VERSION);
// The largest a PNG of box x box pixels can be: 16-bit RGBA stored without compression, with
// room for its keys. Anything larger is not one of ours or anybody's thumbnail.
uint64_t MaxEntryBytes(int box)
{
    const uint64_t side = static_cast<uint64_t>(box);
    return side * (side * 8 + 1) * 101 / 100 + (64u << 10);
}

struct SizeFolder {
    int box;
    const char *name;
};
const SizeFolder kSizeFolders[] = {{128, "normal"}, {256, "large"}, {512, "x-large"}, {1024, "xx-large"}};

QByteArray ReadWholeFile(const QString &path, uint64_t maxBytes)
{
    InputFile file(QFile::encodeName(path).toStdString());
    if (file.size() > maxBytes)
        throw Error("too large");
    QByteArray bytes(static_cast<qsizetype>(file.size()), Qt::Uninitialized);
    if (!bytes.isEmpty())
        file.readAt(0, reinterpret_cast<uint8_t *>(bytes.data()), static_cast<size_t>(bytes.size()));
    return bytes;
}

// The PNG at path when it is one and its keys name uri at mtime; nothing otherwise.
std::optional<PngPicture> ReadKeyedPng(const QString &path, const QString &uri, int64_t mtime, int maxSide)
{
    try {
        const QByteArray bytes = ReadWholeFile(path, MaxEntryBytes(maxSide));
        PngPicture png = ReadPngMemory(reinterpret_cast<const uint8_t *>(bytes.constData()),
                                       static_cast<size_t>(bytes.size()), maxSide);
        if (png.Text[kUriKey] != uri.toStdString() || png.Text[kMTimeKey] != std::to_string(mtime))
            return std::nullopt;
        return png;
    } catch (const Error &) {
        return std::nullopt;
    }
}

int PositiveNumber(const std::string &text)
{
    const int value = QString::fromStdString(text).toInt();
    return value > 0 ? value : 0;
}

void MakeFolder(const QString &path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
        throw Error("Cannot create the thumbnail folder " + path.toStdString() + ": " + std::strerror(errno));
}

// Written beside its final name and renamed over it: a reader sees the old entry or the new
// one, never a part. The folder is ours, so whatever has the name now is replaced, not followed.
void WriteAtomically(const QString &path, const std::vector<uint8_t> &bytes)
{
    try {
        WriteFileSafely(QFile::encodeName(path).toStdString(), bytes.data(), bytes.size(), Replacing::PrivateName);
    } catch (const Error &error) {
        throw Error(std::string("Cannot write the thumbnail: ") + error.what());
    }
}

// As g_filename_to_uri: letters, digits and these stay, every other byte is %XX.
bool StaysUnescaped(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
           || (c != 0 && std::strchr("!$&'()*+,-./:=@_~", c) != nullptr);
}

std::vector<std::pair<std::string, std::string>> Keys(const QString &uri, int64_t mtime)
{
    return {{kUriKey, uri.toStdString()}, {kMTimeKey, std::to_string(mtime)}, {"Software", "Vistrel"}};
}

QString Md5Name(const QString &uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex())
           + QStringLiteral(".png");
}

} // namespace

ThumbnailCache::ThumbnailCache(int box, QString root) : box_(box), root_(std::move(root)) {}

QString ThumbnailCache::DefaultRoot()
{
    const QString cacheHome = QFile::decodeName(qgetenv("XDG_CACHE_HOME"));
    const QString base = QDir::isAbsolutePath(cacheHome) ? cacheHome : QDir::homePath() + QStringLiteral("/.cache");
    return base + QStringLiteral("/thumbnails");
}

int ThumbnailCache::BoxFor(int side)
{
    for (const SizeFolder &folder : kSizeFolders)
        if (side <= folder.box)
            return folder.box;
    return 0;
}

QString ThumbnailCache::FolderForBox(int box)
{
    for (const SizeFolder &folder : kSizeFolders)
        if (box == folder.box)
            return QString::fromLatin1(folder.name);
    return {};
}

QString ThumbnailCache::UriOf(const std::string &absolutePath)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char byte : absolutePath) {
        const auto c = static_cast<unsigned char>(byte);
        if (StaysUnescaped(c)) {
            uri += byte;
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return QString::fromLatin1(uri.data(), static_cast<qsizetype>(uri.size()));
}

QString ThumbnailCache::EntryPath(const QString &uri) const
{
    return root_ + '/' + FolderForBox(box_) + '/' + Md5Name(uri);
}

QString ThumbnailCache::FailPath(const QString &uri) const
{
    return root_ + QStringLiteral("/fail/") + kProgramFolder + '/' + Md5Name(uri);
}

bool ThumbnailCache::Covers(const std::string &absolutePath) const
{
    const std::string root = QFile::encodeName(root_).toStdString() + '/';
    return absolutePath.compare(0, root.size(), root) == 0;
}

std::optional<ThumbnailCache::Entry> ThumbnailCache::Read(const QString &uri, int64_t mtime) const
{
    std::optional<PngPicture> png = ReadKeyedPng(EntryPath(uri), uri, mtime, box_);
    if (!png)
        return std::nullopt;
    Entry entry;
    entry.FullWidth = PositiveNumber(png->Text[kWidthKey]);
    entry.FullHeight = PositiveNumber(png->Text[kHeightKey]);
    // Entries of programs that leave the original size out: their own proportions will do.
    if (entry.FullWidth == 0 || entry.FullHeight == 0) {
        entry.FullWidth = png->Bitmap.width();
        entry.FullHeight = png->Bitmap.height();
    }
    entry.Picture = std::move(png->Bitmap);
    return entry;
}

bool ThumbnailCache::HasFailure(const QString &uri, int64_t mtime) const
{
    return ReadKeyedPng(FailPath(uri), uri, mtime, 16).has_value();
}

void ThumbnailCache::Write(const QString &uri, int64_t mtime, const Entry &entry) const
{
    std::vector<std::pair<std::string, std::string>> keys = Keys(uri, mtime);
    keys.emplace_back(kWidthKey, std::to_string(entry.FullWidth));
    keys.emplace_back(kHeightKey, std::to_string(entry.FullHeight));
    if (entry.FileBytes > 0)
        keys.emplace_back(kSizeKey, std::to_string(entry.FileBytes));
    const std::vector<uint8_t> png = WritePngMemory(entry.Picture, keys);
    QDir().mkpath(QFileInfo(root_).path());
    MakeFolder(root_);
    MakeFolder(root_ + '/' + FolderForBox(box_));
    WriteAtomically(EntryPath(uri), png);
}

void ThumbnailCache::WriteFailure(const QString &uri, int64_t mtime) const
{
    const std::vector<uint8_t> mark = WritePngMemory(TBitmap(1, 1), Keys(uri, mtime));
    QDir().mkpath(QFileInfo(root_).path());
    MakeFolder(root_);
    MakeFolder(root_ + QStringLiteral("/fail"));
    MakeFolder(root_ + QStringLiteral("/fail/") + kProgramFolder);
    WriteAtomically(FailPath(uri), mark);
}

} // namespace vistrel
