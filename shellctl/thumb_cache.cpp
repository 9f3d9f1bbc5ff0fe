#include "shellctl/thumb_cache.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/png_codec.h"
#include "platform/safe_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace vistrel {

namespace {

const char *const kUriKey = "Thumb::URI";
const char *const kMTimeKey = "Thumb::MTime";
const char *const kWidthKey = "Thumb::Image::Width";
const char *const kHeightKey = "Thumb::Image::Height";
const QString kProgramFolder = QStringLiteral("vistrel-" VISTREL_VERSION);
// A cached PNG of at most 1024 x 1024 pixels is far smaller than this; anything larger is not
// one of ours or anybody's thumbnail.
constexpr uint64_t kMaxEntryBytes = 16u << 20;

struct SizeFolder {
    int box;
    const char *name;
};
const SizeFolder kSizeFolders[] = {{128, "normal"}, {256, "large"}, {512, "x-large"}, {1024, "xx-large"}};

QByteArray ReadWholeFile(const QString &path)
{
    InputFile file(QFile::encodeName(path).toStdString());
    if (file.size() > kMaxEntryBytes)
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
        const QByteArray bytes = ReadWholeFile(path);
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
// one, never a part. Thumbnails are the owner's alone, as the standard asks.
void WriteAtomically(const QString &path, const std::vector<uint8_t> &bytes)
{
    const std::string target = QFile::encodeName(path).toStdString();
    try {
        WriteFileSafely(target, bytes.data(), bytes.size());
    } catch (const Error &error) {
        throw Error(std::string("Cannot write the thumbnail: ") + error.what());
    }
    ::chmod(target.c_str(), 0600);
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

QString ThumbnailCache::UriOf(const QString &absolutePath)
{
    return QString::fromLatin1(QUrl::fromLocalFile(absolutePath).toEncoded(QUrl::FullyEncoded));
}

QString ThumbnailCache::EntryPath(const QString &uri) const
{
    return root_ + '/' + FolderForBox(box_) + '/' + Md5Name(uri);
}

QString ThumbnailCache::FailPath(const QString &uri) const
{
    return root_ + QStringLiteral("/fail/") + kProgramFolder + '/' + Md5Name(uri);
}

bool ThumbnailCache::Covers(const QString &absolutePath) const
{
    return absolutePath.startsWith(root_ + '/');
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
