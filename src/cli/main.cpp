// quillon-cli: optimizes GIF files from the command line with the desktop program's engine,
// settings and messages. Everything happens in cli_run.
#include <string>
#include <vector>

#include "cli/cli_run.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return run_cli(arguments);
}
