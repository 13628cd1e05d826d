// One libFuzzer program per target: the build names the target in QUILLON_FUZZ_TARGET.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::QUILLON_FUZZ_TARGET(data, size);
}
