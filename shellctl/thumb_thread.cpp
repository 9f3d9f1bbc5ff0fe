#include "shellctl/thumb_thread.h"

#include "platform/error.h"

#include <algorithm>
#include <new>

namespace vistrel {

TShThumbThread::TShThumbThread(QString cacheRoot, Deliver deliver)
    : cacheRoot_(std::move(cacheRoot)), deliver_(std::move(deliver))
{
}

TShThumbThread::~TShThumbThread()
{
    {
        const std::lock_guard<std::mutex> hold(lock_);
        terminated_ = true;
        queue_.clear();
    }
    if (thread_.joinable())
        thread_.join();
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

void TShThumbThread::StartIfNeeded()
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (running_ || queue_.empty() || terminated_)
        return;
    // A thread that found the queue empty has cleared running_ and is only returning.
    if (thread_.joinable())
        thread_.join();
    running_ = true;
    thread_ = std::thread([this] { Run(); });
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
    return running_;
}

size_t TShThumbThread::Queued() const
{
    const std::lock_guard<std::mutex> hold(lock_);
    return queue_.size();
}

// Settings are copied with each item, so a change of tile size reaches the very next one.
bool TShThumbThread::TakeJob(Job &job)
{
    const std::lock_guard<std::mutex> hold(lock_);
    if (queue_.empty() || terminated_) {
        running_ = false;
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

void TShThumbThread::Run()
{
    Job job;
    while (TakeJob(job))
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
