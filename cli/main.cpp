#include "cli/cli_run.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    return vistrel::RunCli(args, std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0);
}
