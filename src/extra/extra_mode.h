// The extra compression mode: a GIF rebuilt from its own frames and colours so that it shows
// exactly the same animation (every composed screen, delay, loop count, comment and
// user-input flag) in fewer bytes. Nothing is merged or dropped; when the result is not
// smaller, or when viewers would not agree about what the input shows, the input stands.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "extra/extra_frames.h"

enum class ExtraOutcome : std::uint8_t {
    Smaller,     // the output holds a smaller file showing the same animation
    NotSmaller,  // the rebuilt file was not smaller: keep the input
    Unsettled,   // viewers disagree about some screen of the input, or the mode cannot show it
    Damaged,     // not a complete GIF file
    TooLarge,    // a screen larger than the mode works with
};

// Called with 0 before the first frame and after each frame with the number done.
using ExtraProgress = std::function<void(std::size_t frames_done, std::size_t frame_count)>;

[[nodiscard]] ExtraOutcome extra_compress(const std::uint8_t* bytes, std::size_t size, const PlanLevers& levers,
                                          std::vector<std::uint8_t>& output, const ExtraProgress& progress = {});
