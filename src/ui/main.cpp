// quillon: the desktop program. Everything happens in program_entry; --version alone only
// tells the version, before any window.
#include <cstdio>
#include <cstring>

#include "ui/application.h"

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quillon %s\n", QUILLON_VERSION);
        return 0;
    }
    return program_entry(argc, argv, 1);
}
