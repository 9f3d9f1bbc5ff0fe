#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace vistrel {

// What the command line asks of the program before any window exists.
struct StartCommand {
    std::vector<std::string> Files;   // pictures to open, in order
    std::optional<int> ExitCode;      // set when the program is done without a window
};

// Reads the arguments after the program name: --help, -h and --version print to `out`, a wrong
// option prints the usage to `err`, and a missing display is one line on `err`. "--" ends the
// options, so a file may begin with "-".
StartCommand ReadStartCommand(const std::vector<std::string> &args, bool displayAvailable, std::ostream &out,
                              std::ostream &err);

// Whether the environment names a display that Qt's platform plugin could open.
bool DisplayConfigured(const std::function<const char *(const char *)> &variable);

} // namespace vistrel

namespace vistrel {

// While alive, holds back Qt's messages, and turns the fatal one of a platform plugin that cannot
// reach its display into one line on stderr and exit status 1 (Qt would abort). Constructing the
// application inside it: the held-back messages go out when it ends.
class DisplayOpening {
public:
    DisplayOpening();
    ~DisplayOpening();
    DisplayOpening(const DisplayOpening &) = delete;
    DisplayOpening &operator=(const DisplayOpening &) = delete;
};

} // namespace vistrel
