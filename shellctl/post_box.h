#pragma once

#include <mutex>
#include <utility>
#include <vector>

namespace vistrel {

// Values that worker threads hand to the GUI thread: they wait here under a lock, and one queued
// call takes all that have gathered, so a burst of tiles costs one call and the hand-over is a
// plain mutex that race checkers can follow.
template <typename T>
class PostBox {
public:
    // True when the box was empty: the caller then asks the GUI thread to take what is there.
    bool Post(T value)
    {
        const std::lock_guard<std::mutex> hold(lock_);
        values_.push_back(std::move(value));
        return values_.size() == 1;
    }

    std::vector<T> Take()
    {
        const std::lock_guard<std::mutex> hold(lock_);
        return std::exchange(values_, {});
    }

private:
    std::mutex lock_;
    std::vector<T> values_;
};

} // namespace vistrel
