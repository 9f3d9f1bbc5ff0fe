#include "cli/cli_run.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args == std::vector<std::string>{"--version"}) {
        std::cout << "vistrel-cli " VISTREL_VERSION "\n";
        return 0;
    }
    return vistrel::RunCli(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
