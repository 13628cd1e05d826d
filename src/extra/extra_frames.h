// One output frame of the extra mode: given the screen a viewer holds before it, the screen
// it must show, and whether pixels must be cleared afterwards for the next screen, the
// frame planner tries crops, transparent or drawn unchanged pixels, the global or a local
// colour table and the smallest code size, and keeps the shortest encoding. Every choice
// shows exactly the target screen; colours are never merged.
#pragma once
#include <cstdint>
#include <vector>

#include "codec/lzw_choices.h"
#include "codec/lzw_optimal.h"
#include "extra/extra_screens.h"

struct PlannedFrame {
    std::uint16_t left = 0, top = 0, width = 0, height = 0;
    std::uint8_t disposal = 1;  // 1 keep, 2 cleared to transparency afterwards
    bool has_transparent = false;
    bool interlaced = false;
    std::uint8_t transparent_index = 0;
    std::vector<std::uint32_t> local_table;  // empty: the global table
    std::vector<std::uint8_t> data;          // minimum code size byte, sub-blocks, terminator

    std::size_t cost() const { return data.size() + local_table.size() * 3; }
};

// The screens around one frame. `before` is null while the screen is still empty, `next`
// for the last frame.
struct FrameScreens {
    const ScreenPixel* before = nullptr;
    const ScreenPixel* target = nullptr;
    const ScreenPixel* next = nullptr;
    std::uint16_t width = 0, height = 0;
    bool first = false;  // the first frame covers the whole screen
    // The input's own image for this screen, its colour indexes and the file's bytes: kept
    // as stored when it shows the target and is the shortest.
    const RawImage* source = nullptr;
    const Canvas* source_indexes = nullptr;
    const std::uint8_t* source_bytes = nullptr;

    ScreenPixel before_at(std::size_t at) const { return before ? before[at] : kTransparent; }
};

// The parts of the search, each of which can be turned off to measure what it gains.
struct PlanLevers {
    bool crop = true;
    bool transparent_pixels = true;
    // The encoder picks drawn or transparent per unchanged pixel. Off by default: on the
    // shared corpus it saves 0.1% of the bytes for over a third more time.
    bool chosen_pixels = false;
    bool local_tables = true;
    bool global_table = true;
    bool input_frames = true;  // the input's own encoding of a frame is a candidate
    LzwEffort final_effort = LzwEffort::Thorough;
};

class FramePlanner {
public:
    explicit FramePlanner(const std::vector<std::uint32_t>& global_table);

    // False when no frame can show the target (more than 256 colours would be needed).
    [[nodiscard]] bool plan(const FrameScreens& screens, const PlanLevers& levers, PlannedFrame& frame);

private:
    struct Choice;
    // The input's image as stored, when it shows the target over what the viewer holds.
    [[nodiscard]] bool keep_source(const FrameScreens& screens, int left, int top, int right, int bottom,
                                   bool clear_after, PlannedFrame& frame) const;
    [[nodiscard]] bool build_stream(const FrameScreens& screens, const Choice& choice, std::vector<bool>& used,
                                    bool& uses_clear);
    [[nodiscard]] bool try_choice(const FrameScreens& screens, Choice& choice, std::size_t& best_cost,
                                  PlannedFrame& best, std::vector<std::uint8_t>& best_pixels);

    // The distinct colours of the target in a rectangle, sorted.
    void collect_colours(const FrameScreens& screens, int left, int top, int right, int bottom, bool changed_only,
                         std::vector<std::uint32_t>& colours);
    [[nodiscard]] bool add_colour(std::uint32_t colour, std::size_t count);
    void index_colours(const Choice& choice);
    [[nodiscard]] int index_of(std::uint32_t colour) const;

    std::vector<std::uint64_t> m_global_map;  // colour << 8 | index, sorted, first index of a colour
    std::size_t m_global_size = 0;
    LzwOptimalEncoder m_encoder;
    LzwChoiceEncoder m_choice_encoder;
    std::vector<std::uint16_t> m_choices;  // the other value of each pixel, when it has one
    std::vector<std::uint8_t> m_chosen;
    std::vector<std::uint8_t> m_pixels;        // the frame's pixels under the choice being tried
    std::vector<std::uint64_t> m_transparent;  // one bit per pixel of m_pixels left transparent
    std::vector<std::uint32_t> m_seen;         // open-addressed set of the colours met so far
    // The table being tried, colour to index, open-addressed: one lookup per change of colour.
    std::vector<std::uint32_t> m_index_keys;
    std::vector<std::uint8_t> m_index_values;
};
