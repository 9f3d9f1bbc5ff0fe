#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

namespace vistrel {

// Runs first() here while second() runs on a helper thread (or here afterwards, when no thread can
// be started), and rethrows a failure of either once both have ended.
template <typename First, typename Second>
void RunSideBySide(const First &first, const Second &second)
{
    std::exception_ptr failure;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                second();
            } catch (...) {
                failure = std::current_exception();
            }
        });
    } catch (const std::system_error &) {
        first();
        second();
        return;
    }
    try {
        first();
    } catch (...) {
        helper.join();
        throw;
    }
    helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

// RunSideBySide for work that comes in many small pieces (the strips of a picture): the helper
// thread is started once and kept, since starting one costs about as much as a strip's work.
class SideBySideWorker {
public:
    SideBySideWorker() = default;
    SideBySideWorker(const SideBySideWorker &) = delete;
    SideBySideWorker &operator=(const SideBySideWorker &) = delete;
    ~SideBySideWorker();

    void Run(const std::function<void()> &first, const std::function<void()> &second);

private:
    void Serve();

    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<void()> *task_ = nullptr; // the helper's piece, until it has run
    std::exception_ptr failure_;
    bool stopping_ = false;
    bool unavailable_ = false; // no thread could be started: everything runs here
    std::thread thread_;
};

} // namespace vistrel
