// Measures the time from starting a process to its first exposed main window, for vistrel and
// for a minimal Qt window, alternating runs on the current display; prints the medians and ratio.
#include "bench/imaging/bench_support.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr int kRuns = 11;
constexpr auto kTimeout = std::chrono::seconds(30);

// Milliseconds from spawn to exit; negative when the program failed or hung.
double TimedRun(const char *program)
{
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    char *const argv[] = {const_cast<char *>(program), nullptr};
    if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > kTimeout) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? elapsed.count() : -1;
}

} // namespace

int main()
{
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "startup_bench needs a display; run it as: xvfb-run -a %s\n", "startup_bench");
        return 2;
    }
    char home[] = "/tmp/vistrel-bench-XXXXXX";
    if (!mkdtemp(home))
        return 2;
    setenv("VISTREL_HOME", home, 1);
    setenv("VISTREL_BENCH_EXIT_ON_SHOW", "1", 1);

    // One untimed start each fills the file cache and writes the first settings file.
    if (TimedRun(VISTREL_EXE) < 0 || TimedRun(MINIMAL_EXE) < 0) {
        std::fprintf(stderr, "a program failed to start and show its window\n");
        return 1;
    }
    std::vector<double> vistrel, minimal;
    for (int run = 0; run < kRuns; ++run) {
        vistrel.push_back(TimedRun(VISTREL_EXE));
        minimal.push_back(TimedRun(MINIMAL_EXE));
        if (vistrel.back() < 0 || minimal.back() < 0) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
    }
    const double ours = vistrel::bench::Median(vistrel);
    const double reference = vistrel::bench::Median(minimal);
    std::printf("start-up to shown main window, median of %d runs\n", kRuns);
    std::printf("  vistrel              %8.1f ms\n", ours);
    std::printf("  minimal Qt window    %8.1f ms\n", reference);
    std::printf("  ratio                %8.2fx (target <= 1.5x)\n", ours / reference);
    std::filesystem::remove_all(home);
    return 0;
}
