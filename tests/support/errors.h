#pragma once

#include "platform/error.h"

#include <functional>
#include <string>

namespace vistrel::testing {

// The message of the Error that action throws, or "no error".
inline std::string ErrorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Error &error) {
        return error.what();
    }
    return "no error";
}

} // namespace vistrel::testing
