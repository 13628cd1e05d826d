// Monotonic millisecond tick count (32 bits, wraps like the system tick count) and sleep.
#pragma once
#include <cstdint>

namespace platform {

std::uint32_t tick_count();
void sleep_ms(std::uint32_t milliseconds);

}  // namespace platform
