// Writes the crafted seed inputs of one fuzz target: make_seeds TARGET FOLDER.
#include <cstdio>

#include "app/preferences.h"
#include "foundation/formatter.h"
#include "fuzz/fuzz_targets.h"

int main(int argc, char** argv)
{
    if (argc != 3 || !fuzz::find_target(argv[1])) {
        std::fprintf(stderr, "usage: make_seeds TARGET FOLDER\n");
        return 2;
    }
    FormatterStart();
    initialise_settings();
    const int written = fuzz::write_seeds(argv[1], argv[2]);
    std::printf("%s: %d seed files\n", argv[1], written);
    return written > 0 ? 0 : 1;
}
