#pragma once

#include "shellctl/thumb_cache.h"

#include <string>

namespace vistrel {

// The picture a thumbnail is drawn from: reduced to fit the cache's box, with the original size
// that the tile's geometry follows. The same for the list and for vistrel-cli.
struct ThumbSource {
    ThumbnailCache::Entry Entry;
    std::string CachePath;
    bool FromCache = false;
    std::string CacheError; // why the entry could not be stored; the picture is good all the same
};

class Thumbnailer {
public:
    explicit Thumbnailer(ThumbnailCache cache) : cache_(std::move(cache)) {}

    const ThumbnailCache &Cache() const { return cache_; }

    // From the cache when its entry is current, else decoded (JPEG, BMP or PNG by content, JPEGs
    // at a reduced scale) and stored there. path is raw bytes, any encoding. Throws Error for
    // anything that is not a readable picture file; a file that was read but fails to decode is
    // recorded in the cache's failures, and such a record makes later calls fail at once unless
    // retryFailed is set. Never waits on a FIFO or a device.
    ThumbSource Make(const std::string &path, bool retryFailed = false) const;

private:
    void RecordFailure(const std::string &uri, int64_t mtime) const;

    ThumbnailCache cache_;
};

} // namespace vistrel
