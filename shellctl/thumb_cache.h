#pragma once

#include "platform/bitmap.h"

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
    // root is $XDG_CACHE_HOME/thumbnails (~/.cache/thumbnails without it) unless given. Paths
    // here are raw bytes, as the file system holds them.
    explicit ThumbnailCache(int box = 128, std::string root = DefaultRoot());

    static std::string DefaultRoot();
    // The smallest of the standard sizes that is at least side; 0 beyond the largest.
    static int BoxFor(int side);
    static std::string FolderForBox(int box);
    // The file: URI of an absolute path (raw bytes, any encoding), escaped as GLib escapes it,
    // so that entries are shared with the programs built on it.
    static std::string UriOf(const std::string &absolutePath);

    int Box() const { return box_; }
    std::string EntryPath(const std::string &uri) const;
    std::string FailPath(const std::string &uri) const;
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
    std::optional<Entry> Read(const std::string &uri, int64_t mtime) const;
    bool HasFailure(const std::string &uri, int64_t mtime) const;

    // Write the entry (or a failure record) to a new file beside it and rename it into place,
    // so readers never see half a file; owner-only permissions as the standard asks. Whatever
    // had the name is replaced, a symbolic link included, and never written through. Throw
    // Error when the cache cannot be written.
    void Write(const std::string &uri, int64_t mtime, const Entry &entry) const;
    void WriteFailure(const std::string &uri, int64_t mtime) const;

private:
    int box_;
    std::string root_;
};

} // namespace vistrel
