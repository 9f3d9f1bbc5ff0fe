#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vistrel {

// Runs work(0) .. work(count - 1) on up to `threads` threads and hands each result to `report`
// on the calling thread in index order, each as soon as it and every one before it are done.
// `work` must not throw.
template <typename Work, typename Report>
void RunInOrder(size_t count, int threads, Work work, Report report)
{
    using Result = decltype(work(size_t{}));
    std::vector<std::optional<Result>> results(count);
    std::mutex mutex;
    std::condition_variable finished;
    size_t next = 0;
    const auto worker = [&] {
        for (;;) {
            size_t index;
            {
                const std::lock_guard<std::mutex> lock(mutex);
                if (next == count)
                    return;
                index = next++;
            }
            Result result = work(index);
            {
                const std::lock_guard<std::mutex> lock(mutex);
                results[index].emplace(std::move(result));
            }
            finished.notify_one();
        }
    };
    // Joined on every way out, also when a report throws.
    struct Pool {
        std::vector<std::thread> threads;
        ~Pool()
        {
            for (std::thread &thread : threads)
                thread.join();
        }
    } pool;
    const size_t size = std::min(static_cast<size_t>(std::max(threads, 1)), count);
    for (size_t i = 0; i < size; ++i)
        pool.threads.emplace_back(worker);
    for (size_t shown = 0; shown < count; ++shown) {
        std::unique_lock<std::mutex> lock(mutex);
        finished.wait(lock, [&] { return results[shown].has_value(); });
        Result result = std::move(*results[shown]);
        results[shown].reset();
        lock.unlock();
        report(result);
    }
}

} // namespace vistrel
