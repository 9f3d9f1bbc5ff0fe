#pragma once

#include "platform/bitmap.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace vistrel {

// The shared thumbnail cache of the freedesktop desktops: PNG files named after the MD5 of the
// picture's URI in a folder per size ("normal" 128, "large" 256, "x-large" 512, "xx-large" 1024),
// with the URI and the modification time as text keys; pictures that could not be read are
// recorded in fail/<program>/ so that nobody tries them again until they change.
class ThumbnailCache {
public:
    // root is $XDG_CACHE_HOME/thumbnails (~/.cache/thumbnails without it) unless given.
    explicit ThumbnailCache(int box = 128, QString root = DefaultRoot());

    static QString DefaultRoot();
    // The smallest of the standard sizes that is at least side; 0 beyond the largest.
    static int BoxFor(int side);
    static QString FolderForBox(int box);
    // The file: URI of an absolute path (raw bytes, any encoding), escaped as GLib escapes it,
    // so that entries are shared with the programs built on it.
    static QString UriOf(const std::string &absolutePath);

    int Box() const { return box_; }
    QString EntryPath(const QString &uri) const;
    QString FailPath(const QString &uri) const;
    // Pictures inside the cache itself are never cached.
    bool Covers(const std::string &absolutePath) const;

    struct Entry {
        TBitmap Picture; // reduced to fit Box() × Box()
        int FullWidth = 0;
        int FullHeight = 0;
        int64_t FileBytes = 0; // the picture file's size; 0 leaves it out of the entry
    };
    // The entry of uri when its keys match uri and mtime; nothing when it is missing, stale,
    // damaged or larger than a thumbnail of Box() can be.
    std::optional<Entry> Read(const QString &uri, int64_t mtime) const;
    bool HasFailure(const QString &uri, int64_t mtime) const;

    // Write the entry (or a failure record) to a new file beside it and rename it into place,
    // so readers never see half a file; owner-only permissions as the standard asks. Whatever
    // had the name is replaced, a symbolic link included, and never written through. Throw
    // Error when the cache cannot be written.
    void Write(const QString &uri, int64_t mtime, const Entry &entry) const;
    void WriteFailure(const QString &uri, int64_t mtime) const;

private:
    int box_;
    QString root_;
};

} // namespace vistrel
