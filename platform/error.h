#pragma once

#include <stdexcept>
#include <string>

namespace vistrel {

// The one error type of the program: every failure carries the message text
// that the GUI shows in a message box and vistrel-cli prints on stderr.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string &message) : std::runtime_error(message) {}
};

} // namespace vistrel
