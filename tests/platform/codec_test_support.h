#pragma once

#include "tests/support/files.h"
#include "tests/support/pictures.h"

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace vistrel::testing {

// Lets writes beyond `bytes` fail with EFBIG, as a full disk would, for the guard's lifetime.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

} // namespace vistrel::testing
