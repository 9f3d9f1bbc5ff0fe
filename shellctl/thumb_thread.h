#pragma once

#include "shellctl/thumb_tile.h"
#include "shellctl/thumbnailer.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vistrel {

// One item to render, named by the list's stable item id.
struct ThumbRequest {
    uint64_t Id = 0;
    std::string Path; // raw bytes, any encoding
};

// A finished tile; an empty Tile means the file gave no picture and the list shows the item's
// icon instead. Generation tells deliveries of an earlier folder from current ones.
struct ThumbDelivery {
    uint64_t Id = 0;
    uint64_t Generation = 0;
    TBitmap Tile;
};

// The list's background renderer: one thread at most, started when items are queued and none
// runs, ending by itself when the queue is empty (both decided under the queue's lock, so an
// item queued as the thread ends is never left behind). The thread never touches the list:
// it takes copies of the requests and hands tiles to `deliver`, which must only post them to
// the GUI thread. Clearing therefore never waits on the GUI, and cannot deadlock with a
// delivery in flight; tiles of a cleared queue arrive with an old generation.
class TShThumbThread {
public:
    using Deliver = std::function<void(ThumbDelivery)>;

    // Tiles are drawn from cache entries under cacheRoot (see ThumbnailCache).
    TShThumbThread(QString cacheRoot, Deliver deliver);
    ~TShThumbThread(); // asks the thread to end and waits for the tile in hand
    TShThumbThread(const TShThumbThread &) = delete;
    TShThumbThread &operator=(const TShThumbThread &) = delete;

    // Applies from the next item on; the cache size follows the tile's larger side.
    void SetTile(int width, int height, const TilePalette &colours);

    void Enqueue(ThumbRequest request);
    // Starts the thread when items wait and none runs.
    void StartIfNeeded();
    // Empties the queue and opens a new generation; does not wait for the thread.
    void Clear();
    uint64_t Generation() const { return generation_.load(); }
    bool Running() const;
    size_t Queued() const;

private:
    struct Job {
        ThumbRequest Request;
        uint64_t Generation = 0;
        int TileW = 0;
        int TileH = 0;
        TilePalette Colours;
        int Box = 0;
    };
    bool TakeJob(Job &job);
    void Run();
    TBitmap Render(const Job &job) const;

    QString cacheRoot_;
    Deliver deliver_;
    mutable std::mutex lock_;
    std::deque<ThumbRequest> queue_;
    bool running_ = false;
    bool terminated_ = false;
    int tileW_ = 60;
    int tileH_ = 80;
    TilePalette colours_;
    std::atomic<uint64_t> generation_{1};
    std::thread thread_;
};

} // namespace vistrel
