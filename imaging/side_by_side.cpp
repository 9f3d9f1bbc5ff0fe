#include "imaging/side_by_side.h"

namespace vistrel {

SideBySideWorker::~SideBySideWorker()
{
    if (!thread_.joinable())
        return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SideBySideWorker::Run(const std::function<void()> &first, const std::function<void()> &second)
{
    if (!thread_.joinable() && !unavailable_) {
        try {
            thread_ = std::thread([this] { Serve(); });
        } catch (const std::system_error &) {
            unavailable_ = true;
        }
    }
    if (unavailable_) {
        first();
        second();
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        task_ = &second;
        failure_ = nullptr;
    }
    changed_.notify_all();
    std::exception_ptr firstFailure;
    try {
        first();
    } catch (...) {
        firstFailure = std::current_exception();
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return task_ == nullptr; });
    if (firstFailure)
        std::rethrow_exception(firstFailure);
    if (failure_)
        std::rethrow_exception(failure_);
}

void SideBySideWorker::Serve()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return task_ != nullptr || stopping_; });
        if (stopping_)
            return;
        lock.unlock();
        try {
            (*task_)();
        } catch (...) {
            failure_ = std::current_exception();
        }
        lock.lock();
        task_ = nullptr;
        changed_.notify_all();
    }
}

} // namespace vistrel
