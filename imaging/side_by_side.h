#pragma once

#include <exception>
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

} // namespace vistrel
