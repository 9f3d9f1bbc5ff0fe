#include "shellctl/thumb_cache.h"

#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/file_names.h"
#include "platform/md5.h"
#include "platform/png_codec.h"
#include "platform/safe_file.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace vistrel {

namespace {

const char *const kUriKey = "Thumb::URI";
const char *const kMTimeKey = "Thumb::MTime";
const char *const kWidthKey = "Thumb::Image::Width";
const char *const kHeightKey = "Thumb::Image::Height";
const char *const kSizeKey = "Thumb::Size";
const char *const kProgramFolder = "vistrel-" VISTREL_VERSION;
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

std::vector<uint8_t> ReadWholeFile(const std::string &path, uint64_t maxBytes)
{
    InputFile file(path);
    if (file.size() > maxBytes)
        throw Error("too large");
    std::vector<uint8_t> bytes(static_cast<size_t>(file.size()));
    if (!bytes.empty())
        file.readAt(0, bytes.data(), bytes.size());
    return bytes;
}

// The PNG at path when it is one and its keys name uri at mtime; nothing otherwise.
std::optional<PngPicture> ReadKeyedPng(const std::string &path, const std::string &uri, int64_t mtime, int maxSide)
{
    try {
        const std::vector<uint8_t> bytes = ReadWholeFile(path, MaxEntryBytes(maxSide));
        PngPicture png = ReadPngMemory(bytes.data(), bytes.size(), maxSide);
        if (png.Text[kUriKey] != uri || png.Text[kMTimeKey] != std::to_string(mtime))
            return std::nullopt;
        return png;
    } catch (const Error &) {
        return std::nullopt;
    }
}

int PositiveNumber(const std::string &text)
{
    int value = 0;
    const char *end = text.data() + text.size();
    const std::from_chars_result parsed = std::from_chars(text.data(), end, value);
    return parsed.ec == std::errc() && parsed.ptr == end && value > 0 ? value : 0;
}

void MakeFolder(const std::string &path)
{
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throw Error("Cannot create the thumbnail folder " + path + ": " + std::strerror(errno));
}

// The cache's own folders are private; the ones above it are the user's, made as any program would.
void MakeFolders(const std::string &root, std::initializer_list<std::string> below)
{
    std::error_code ignored; // the folders' own mkdir says what went wrong
    std::filesystem::create_directories(std::filesystem::path(root).parent_path(), ignored);
    MakeFolder(root);
    std::string path = root;
    for (const std::string &folder : below)
        MakeFolder(path += '/' + folder);
}

// Written beside its final name and renamed over it: a reader sees the old entry or the new
// one, never a part. The folder is ours, so whatever has the name now is replaced, not followed.
void WriteAtomically(const std::string &path, const std::vector<uint8_t> &bytes)
{
    try {
        WriteFileSafely(path, bytes.data(), bytes.size(), Replacing::PrivateName);
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

std::vector<std::pair<std::string, std::string>> Keys(const std::string &uri, int64_t mtime)
{
    return {{kUriKey, uri}, {kMTimeKey, std::to_string(mtime)}, {"Software", "Vistrel"}};
}

std::string Md5Name(const std::string &uri) { return Md5Hex(uri) + ".png"; }

} // namespace

ThumbnailCache::ThumbnailCache(int box, std::string root) : box_(box), root_(std::move(root)) {}

std::string ThumbnailCache::DefaultRoot()
{
    // Normal, as the paths that Covers() compares with it are.
    return std::filesystem::path(XdgBaseFolder("XDG_CACHE_HOME", ".cache") + "/thumbnails").lexically_normal().string();
}

int ThumbnailCache::BoxFor(int side)
{
    for (const SizeFolder &folder : kSizeFolders)
        if (side <= folder.box)
            return folder.box;
    return 0;
}

std::string ThumbnailCache::FolderForBox(int box)
{
    for (const SizeFolder &folder : kSizeFolders)
        if (box == folder.box)
            return folder.name;
    return {};
}

std::string ThumbnailCache::UriOf(const std::string &absolutePath)
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
    return uri;
}

std::string ThumbnailCache::EntryPath(const std::string &uri) const
{
    return root_ + '/' + FolderForBox(box_) + '/' + Md5Name(uri);
}

std::string ThumbnailCache::FailPath(const std::string &uri) const
{
    return root_ + "/fail/" + kProgramFolder + '/' + Md5Name(uri);
}

bool ThumbnailCache::Covers(const std::string &absolutePath) const
{
    const std::string root = root_ + '/';
    return absolutePath.compare(0, root.size(), root) == 0;
}

std::optional<ThumbnailCache::Entry> ThumbnailCache::Read(const std::string &uri, int64_t mtime) const
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

bool ThumbnailCache::HasFailure(const std::string &uri, int64_t mtime) const
{
    return ReadKeyedPng(FailPath(uri), uri, mtime, 16).has_value();
}

void ThumbnailCache::Write(const std::string &uri, int64_t mtime, const Entry &entry) const
{
    std::vector<std::pair<std::string, std::string>> keys = Keys(uri, mtime);
    keys.emplace_back(kWidthKey, std::to_string(entry.FullWidth));
    keys.emplace_back(kHeightKey, std::to_string(entry.FullHeight));
    if (entry.FileBytes > 0)
        keys.emplace_back(kSizeKey, std::to_string(entry.FileBytes));
    const std::vector<uint8_t> png = WritePngMemory(entry.Picture, keys);
    MakeFolders(root_, {FolderForBox(box_)});
    WriteAtomically(EntryPath(uri), png);
}

void ThumbnailCache::WriteFailure(const std::string &uri, int64_t mtime) const
{
    const std::vector<uint8_t> mark = WritePngMemory(TBitmap(1, 1), Keys(uri, mtime));
    MakeFolders(root_, {"fail", kProgramFolder});
    WriteAtomically(FailPath(uri), mark);
}

} // namespace vistrel
