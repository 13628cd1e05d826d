// The GIF subsystem's process-wide state, one object reached through gif_state(): the
// reader's limits and warning hook, the warnings of the load in progress, and the file
// operations the writer saves through. One load or one save runs at a time per process.
#pragma once
#include <cstdint>

#include "gif/save_files.h"
#include "gif/warning_queue.h"

struct GifState {
    GifState() = default;
    GifState(const GifState&) = delete;
    GifState& operator=(const GifState&) = delete;

    WarningQueue warnings;
    WarningAsk warning_ask = &ask_warning_alert;
    std::uint64_t canvas_pixel_limit = std::uint64_t{1} << 28;  // pixels of the largest canvas
    std::uint64_t memory_budget = std::uint64_t{2} << 30;       // bytes one document may take
    SaveFileOperations platform_files;
    SaveFileOperations* save_files = &platform_files;  // not owned unless it is platform_files
};

// Created on the first call; the same object afterwards.
GifState& gif_state();
