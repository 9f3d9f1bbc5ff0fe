#include "shellctl/thumb_thread.h"

#include "platform/error.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <new>

namespace vistrel {

TShThumbThread::TShThumbThread(std::string cacheRoot, Deliver deliver, int workers)
    : cacheRoot_(std::move(cacheRoot)), deliver_(std::move(deliver))
{
    const int count = workers > 0 ? workers : static_cast<int>(std::thread::hardware_concurrency());
    workers_.resize(static_cast<size_t>(std::max(1, count)));
}

TShThumbThread::~TShThumbThread()
{
    {
        const std::lock_guard<std::mutex> hold(lock_);
        terminated_ = true;
        queue_.clear();
    }
    for (Worker &worker : workers_)
        if (worker.Thread.joinable())
            worker.Thread.join();
}

void TShThumbThread::SetTile(int width, int height, const TilePalette &colours)
{
    const std::lock_guard<std::mutex> hold(lock_);
    tileW_ = width;
    tileH_ = height;
    colours_ = colours;
}

void TShThumbThread::Enqueue(ThumbRequest request)
{
    const std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(std::move(request));
}

std::vector<uint64_t> TShThumbThread::EnqueueFront(std::vector<ThumbRequest> batch, size_t limit)
{
    const std::lock_guard<std::mutex> hold(lock_);
    queue_.insert(queue_.begin(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
    std::vector<uint64_t> cut;
    while (queue_.size() > limit) {
        cut.push_back(queue_.back().Id);
        queue_.pop_back();
    }
    return cut;
}

void TShThumbThread::StartIfNeeded()
{
    const std::lock_guard<std::mutex> hold(lock_);
    size_t waiting = queue_.size();
    for (Worker &worker : workers_) {
        if (waiting == 0 || terminated_)
            return;
        if (worker.Running)
            continue;
        // A worker that found the queue empty has cleared Running and is only returning.
        if (worker.Thread.joinable())
            worker.Thread.join();
        worker.Running = true;
        worker.Thread = std::thread([this, &worker] { Run(worker); });
        --waiting;
    }
}

void TShThumbThread::Clear()
{
    const std::lock_guard<std::mutex> hold(lock_);
    queue_.clear();
    ++generation_;
}

bool TShThumbThread::Running() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return std::any_of(workers_.begin(), workers_.end(), [](const Worker &worker) { return worker.Running; });
}

size_t TShThumbThread::Queued() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return queue_.size();
}

// Settings are copied with each item, so a change of tile size reaches the very next one.
bool TShThumbThread::TakeJob(Worker &worker, Job &job)
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (queue_.empty() || terminated_) {
        worker.Running = false;
        return false;
    }
    job.Request = std::move(queue_.front());
    queue_.pop_front();
    job.Generation = generation_.load();
    job.TileW = tileW_;
    job.TileH = tileH_;
    job.Colours = colours_;
    const int box = ThumbnailCache::BoxFor(std::max(tileW_, tileH_));
    job.Box = box > 0 ? box : 1024;
    return true;
}

void TShThumbThread::Run(Worker &worker)
{
    // The GUI thread goes first, so that the list scrolls smoothly while tiles are made. On
    // Linux a thread's nice value is its own; where it cannot be changed the worker runs as is.
    constexpr int kWorkerNice = 5;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), kWorkerNice);
    Job job;
    while (TakeJob(worker, job))
        deliver_(ThumbDelivery{job.Request.Id, job.Generation, Render(job)});
}

TBitmap TShThumbThread::Render(const Job &job) const
{
    try {
        const Thumbnailer thumbnailer{ThumbnailCache(job.Box, cacheRoot_)};
        const ThumbnailCache::Entry entry = thumbnailer.Make(job.Request.Path).Entry;
        return RenderTile(entry.Picture, entry.FullWidth, entry.FullHeight, job.TileW, job.TileH, job.Colours);
    } catch (const Error &) {
        return {};
    } catch (const std::bad_alloc &) {
        return {};
    }
}

} // namespace vistrel
