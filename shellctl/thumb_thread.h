#pragma once

#include "shellctl/thumb_tile.h"
#include "shellctl/thumbnailer.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// The list's background renderers: a pool of worker threads (one per processor unless told),
// started when items are queued and ending by themselves when the queue is empty (both decided
// under the queue's lock, so an item queued as the last worker ends is never left behind). The
// workers never touch the list: they take copies of the requests and hand tiles to `deliver`,
// which must only post them to the GUI thread and may be called from several workers at once.
// Clearing therefore never waits on the GUI, and cannot deadlock with a delivery in flight;
// tiles of a cleared queue arrive with an old generation.
class TShThumbThread {
public:
    using Deliver = std::function<void(ThumbDelivery)>;

    // Tiles are drawn from cache entries under cacheRoot (see ThumbnailCache). workers 0: one per
    // processor.
    TShThumbThread(std::string cacheRoot, Deliver deliver, int workers = 0);
    ~TShThumbThread(); // asks the workers to end and waits for the tiles in hand
    TShThumbThread(const TShThumbThread &) = delete;
    TShThumbThread &operator=(const TShThumbThread &) = delete;

    // Applies from the next item on; the cache size follows the tile's larger side.
    void SetTile(int width, int height, const TilePalette &colours);

    void Enqueue(ThumbRequest request);
    // Puts the batch, in its order, before everything queued (what is on screen now goes first),
    // then cuts the queue to `limit` from its end; hands back the ids cut, which were never rendered.
    std::vector<uint64_t> EnqueueFront(std::vector<ThumbRequest> batch, size_t limit);
    // Starts idle workers while items wait.
    void StartIfNeeded();
    // Empties the queue and opens a new generation; does not wait for the workers.
    void Clear();
    uint64_t Generation() const { return generation_.load(); }
    int Workers() const { return static_cast<int>(workers_.size()); }
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
    struct Worker {
        std::thread Thread;
        bool Running = false;
    };
    bool TakeJob(Worker &worker, Job &job);
    void Run(Worker &worker);
    TBitmap Render(const Job &job) const;

    std::string cacheRoot_;
    Deliver deliver_;
    mutable std::mutex lock_;
    std::deque<ThumbRequest> queue_;
    std::deque<Worker> workers_; // a deque: a running worker's entry never moves
    bool terminated_ = false;
    int tileW_ = 60;
    int tileH_ = 80;
    TilePalette colours_;
    std::atomic<uint64_t> generation_{1};
};

} // namespace vistrel
