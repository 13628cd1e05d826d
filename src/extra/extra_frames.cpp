#include "extra/extra_frames.h"

#include <algorithm>

namespace {

constexpr std::size_t kSortedColours = 65536;     // rectangles up to this size sort their colours
constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;  // colours are 24 bits
constexpr std::size_t kIndexSlots = 1024;         // a table of at most 256 colours, a quarter full

std::size_t index_slot(std::uint32_t colour) { return (colour * 0x9E3779B1u) >> (32 - 10); }

// What unchanged pixels (the same before and after) become inside the frame.
enum class Unchanged : std::uint8_t {
    Transparent,  // all transparent
    Drawn,        // all drawn in their colour
    Runs,         // drawn where that continues the run before them, transparent elsewhere
    Chosen,       // drawn or transparent, whichever the encoder finds shorter, pixel by pixel
};

struct Region {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool clear_after = false;  // pixels shown now are transparent on the next screen
};

int bits_for(int largest)
{
    int bits = 2;
    while ((1 << bits) <= largest)
        ++bits;
    return bits;
}

// The rectangle holding every changed pixel and every pixel the next screen needs cleared;
// false when a pixel would have to turn transparent without having been cleared.
bool find_region(const FrameScreens& s, Region& region)
{
    region = {s.width, s.height, 0, 0, false};
    for (int y = 0; y < s.height; ++y) {
        std::size_t row = static_cast<std::size_t>(y) * s.width;
        for (int x = 0; x < s.width; ++x) {
            ScreenPixel before = s.before_at(row + x), target = s.target[row + x];
            bool changed = before != target;
            if (changed && target == kTransparent)
                return false;
            bool clear = s.next && target != kTransparent && s.next[row + x] == kTransparent;
            if (!changed && !clear)
                continue;
            region.clear_after = region.clear_after || clear;
            region.left = std::min(region.left, x);
            region.right = std::max(region.right, x + 1);
            region.top = std::min(region.top, y);
            region.bottom = std::max(region.bottom, y + 1);
        }
    }
    if (s.first)
        region = {0, 0, s.width, s.height, region.clear_after};
    else if (region.right == 0)
        region = {0, 0, 1, 1, false};
    return true;
}

}  // namespace

struct FramePlanner::Choice {
    Region region;
    Unchanged unchanged = Unchanged::Transparent;
    bool global = false;
    const std::vector<std::uint32_t>* local_colours = nullptr;  // sorted, for a local table
};

FramePlanner::FramePlanner(const std::vector<std::uint32_t>& global_table) : m_global_size(global_table.size())
{
    for (std::size_t i = 0; i < global_table.size(); ++i)
        m_global_map.push_back(static_cast<std::uint64_t>(global_table[i]) << 8 | i);
    std::sort(m_global_map.begin(), m_global_map.end());
}

// The frame's pixels under the choice into m_pixels, the transparent ones marked in
// m_transparent (their index is chosen afterwards, from the entries left unused), the table
// entries they use and whether any is transparent; false when a pixel cannot be shown.
bool FramePlanner::build_stream(const FrameScreens& s, const Choice& choice, std::vector<bool>& used, bool& uses_clear)
{
    const Region& r = choice.region;
    ScreenPixel last_pixel = kTransparent;
    int last_index = -1;
    index_colours(choice);
    // Recordings repeat one colour for long stretches: the last answer is kept.
    auto pixel_index = [&](ScreenPixel pixel) -> int {
        if (pixel != last_pixel) {
            last_pixel = pixel;
            last_index = index_of(pixel & 0xFFFFFFu);
        }
        return last_index;
    };
    const std::size_t count = static_cast<std::size_t>(r.right - r.left) * (r.bottom - r.top);
    m_pixels.resize(count);
    m_transparent.assign((count + 63) / 64, 0);
    m_choices.clear();
    const bool chosen = choice.unchanged == Unchanged::Chosen;
    bool previous_clear = true;
    int previous = -1;
    uses_clear = r.clear_after;
    used.assign(256, false);
    std::size_t at = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        std::size_t row = static_cast<std::size_t>(y) * s.width;
        for (int x = r.left; x < r.right; ++x, ++at) {
            ScreenPixel before = s.before_at(row + x), target = s.target[row + x];
            bool draw = false;
            int index = -1;
            if (target != kTransparent) {
                index = pixel_index(target);
                bool must = before != target;
                if (must && index < 0)
                    return false;
                draw = must || choice.unchanged == Unchanged::Drawn ||
                    (choice.unchanged == Unchanged::Runs && index >= 0 && !previous_clear && previous == index);
                if (draw && index < 0)
                    return false;
                if (draw) {
                    used[static_cast<std::size_t>(index)] = true;
                } else if (chosen && index >= 0) {
                    used[static_cast<std::size_t>(index)] = true;
                    if (m_choices.empty())
                        m_choices.resize(count, LzwChoiceEncoder::kNoChoice);
                    m_choices[at] = static_cast<std::uint16_t>(index);
                }
            }
            if (draw) {
                m_pixels[at] = static_cast<std::uint8_t>(index);
            } else {
                m_transparent[at >> 6] |= std::uint64_t{1} << (at & 63);
                uses_clear = true;
            }
            previous_clear = !draw;
            previous = index;
        }
    }
    return true;
}

bool FramePlanner::try_choice(const FrameScreens& s, Choice& choice, std::size_t& best_cost, PlannedFrame& best,
                              std::vector<std::uint8_t>& best_pixels)
{
    const Region& r = choice.region;
    const bool chosen = choice.unchanged == Unchanged::Chosen;
    std::vector<bool> used;
    bool uses_clear = false;
    if (!build_stream(s, choice, used, uses_clear))
        return false;
    PlannedFrame frame;
    int largest = 0;
    std::size_t table_size = 0;
    if (choice.global) {
        largest = static_cast<int>(std::find(used.rbegin(), used.rend(), true) - used.rbegin());
        largest = 255 - largest;
    } else {
        largest = static_cast<int>(choice.local_colours->size()) - 1;
    }
    if (uses_clear) {
        int free_index = static_cast<int>(std::find(used.begin(), used.end(), false) - used.begin());
        if (!choice.global)
            free_index = static_cast<int>(choice.local_colours->size());
        if (free_index >= (choice.global ? static_cast<int>(m_global_size) : 256))
            return false;
        frame.has_transparent = true;
        frame.transparent_index = static_cast<std::uint8_t>(free_index);
        largest = std::max(largest, free_index);
    }
    if (!choice.global) {
        table_size = 2;
        while (table_size <= static_cast<std::size_t>(largest))
            table_size *= 2;
        if (table_size * 3 >= best_cost)
            return false;
    }
    for (std::size_t word = 0; word < m_transparent.size(); ++word) {
        for (std::uint64_t bits = m_transparent[word]; bits != 0; bits &= bits - 1)
            m_pixels[word * 64 + static_cast<std::size_t>(__builtin_ctzll(bits))] = frame.transparent_index;
    }
    if (chosen && m_choices.empty())
        return false;  // the same as all transparent
    if (chosen)
        frame.data =
            m_choice_encoder.encode(m_pixels.data(), m_choices.data(), m_pixels.size(), bits_for(largest), &m_chosen);
    else
        frame.data = m_encoder.encode_within(m_pixels.data(), m_pixels.size(), bits_for(largest),
                                             best_cost == SIZE_MAX ? SIZE_MAX : best_cost - table_size * 3);
    if (!choice.global) {
        frame.local_table.assign(table_size, 0);
        std::copy(choice.local_colours->begin(), choice.local_colours->end(), frame.local_table.begin());
    }
    if (frame.data.empty() || frame.cost() >= best_cost)
        return false;  // empty: stopped once it could no longer win
    frame.left = static_cast<std::uint16_t>(r.left);
    frame.top = static_cast<std::uint16_t>(r.top);
    frame.width = static_cast<std::uint16_t>(r.right - r.left);
    frame.height = static_cast<std::uint16_t>(r.bottom - r.top);
    frame.disposal = r.clear_after ? 2 : 1;
    best_cost = frame.cost();
    best = std::move(frame);
    std::swap(best_pixels, chosen ? m_chosen : m_pixels);
    return true;
}

// The colours of the table being tried, with the first index of each in the global table.
void FramePlanner::index_colours(const Choice& choice)
{
    m_index_keys.assign(kIndexSlots, kNoColour);
    m_index_values.resize(kIndexSlots);
    auto put = [&](std::uint32_t colour, std::uint8_t index) {
        for (std::size_t at = index_slot(colour);; at = (at + 1) & (kIndexSlots - 1)) {
            if (m_index_keys[at] == colour)
                return;
            if (m_index_keys[at] == kNoColour) {
                m_index_keys[at] = colour;
                m_index_values[at] = index;
                return;
            }
        }
    };
    if (choice.global) {
        for (std::uint64_t entry : m_global_map)
            put(static_cast<std::uint32_t>(entry >> 8), static_cast<std::uint8_t>(entry));
    } else {
        for (std::size_t i = 0; i < choice.local_colours->size(); ++i)
            put((*choice.local_colours)[i], static_cast<std::uint8_t>(i));
    }
}

int FramePlanner::index_of(std::uint32_t colour) const
{
    for (std::size_t at = index_slot(colour);; at = (at + 1) & (kIndexSlots - 1)) {
        if (m_index_keys[at] == colour)
            return m_index_values[at];
        if (m_index_keys[at] == kNoColour)
            return -1;
    }
}

// Adds a colour to the set; false when it was there already. The set grows to stay at most
// half full; `count` is the number of colours it holds.
bool FramePlanner::add_colour(std::uint32_t colour, std::size_t count)
{
    if (m_seen.size() < 2 * (count + 1)) {
        std::vector<std::uint32_t> old = std::move(m_seen);
        m_seen.assign(std::max<std::size_t>(4096, old.size() * 2), kNoColour);
        for (std::uint32_t kept : old) {
            if (kept != kNoColour)
                (void)add_colour(kept, 0);
        }
    }
    const std::size_t mask = m_seen.size() - 1;
    for (std::size_t at = (colour * 0x9E3779B97F4A7C15u >> 40) & mask;; at = (at + 1) & mask) {
        if (m_seen[at] == colour)
            return false;
        if (m_seen[at] == kNoColour) {
            m_seen[at] = colour;
            return true;
        }
    }
}

void FramePlanner::collect_colours(const FrameScreens& s, int left, int top, int right, int bottom, bool changed_only,
                                   std::vector<std::uint32_t>& colours)
{
    colours.clear();
    // Small rectangles sort their colours; large ones put them through a set first.
    const bool marks = static_cast<std::size_t>(right - left) * (bottom - top) > kSortedColours;
    std::uint32_t last = kNoColour;
    for (int y = top; y < bottom; ++y) {
        std::size_t row = static_cast<std::size_t>(y) * s.width;
        for (int x = left; x < right; ++x) {
            ScreenPixel target = s.target[row + x];
            if (target == kTransparent || (changed_only && s.before_at(row + x) == target))
                continue;
            std::uint32_t colour = target & 0xFFFFFFu;
            if (colour == last)
                continue;
            last = colour;
            if (marks && !add_colour(colour, colours.size()))
                continue;
            colours.push_back(colour);
        }
    }
    if (marks)
        std::fill(m_seen.begin(), m_seen.end(), kNoColour);
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
}

bool FramePlanner::keep_source(const FrameScreens& s, int left, int top, int right, int bottom, bool clear_after,
                               PlannedFrame& frame) const
{
    const RawImage* image = s.source;
    if (!image || !s.source_indexes || (clear_after && !image->has_transparent))
        return false;
    // Every changed pixel and every pixel to clear lies inside the image.
    if (left < image->left || top < image->top || right > image->left + image->width ||
        bottom > image->top + image->height)
        return false;
    if (s.first && !image->has_transparent && (image->width != s.width || image->height != s.height))
        return false;
    for (int y = 0; y < image->height; ++y) {
        const std::uint8_t* indexes = s.source_indexes->row(y);
        std::size_t row = static_cast<std::size_t>(y + image->top) * s.width + image->left;
        for (int x = 0; x < image->width; ++x) {
            if (image->has_transparent && indexes[x] == image->transparent_index &&
                s.before_at(row + x) != s.target[row + x])
                return false;
        }
    }
    frame = PlannedFrame();
    frame.left = image->left;
    frame.top = image->top;
    frame.width = image->width;
    frame.height = image->height;
    frame.disposal = clear_after ? 2 : 1;
    frame.has_transparent = image->has_transparent;
    frame.transparent_index = image->transparent_index;
    frame.interlaced = image->interlaced;
    frame.local_table = image->local_table;
    frame.data.assign(s.source_bytes + image->data.offset, s.source_bytes + image->data.offset + image->data.length);
    return true;
}

bool FramePlanner::plan(const FrameScreens& s, const PlanLevers& levers, PlannedFrame& frame)
{
    Region changed;
    if (!find_region(s, changed))
        return false;
    const Region region = levers.crop ? changed : Region{0, 0, s.width, s.height, changed.clear_after};
    std::vector<std::uint32_t> changed_colours, all_colours;
    collect_colours(s, region.left, region.top, region.right, region.bottom, false, all_colours);
    collect_colours(s, region.left, region.top, region.right, region.bottom, true, changed_colours);

    std::size_t best_cost = SIZE_MAX;
    std::vector<std::uint8_t> best_pixels;
    // The table is chosen with unchanged pixels transparent; the other treatments of
    // unchanged pixels are tried with the table that won.
    bool use_global = levers.global_table && m_global_size > 0;
    bool use_local = levers.local_tables;
    const Unchanged modes[] = {Unchanged::Transparent, Unchanged::Runs, Unchanged::Chosen, Unchanged::Drawn};
    for (Unchanged mode : modes) {
        if ((!levers.transparent_pixels && mode != Unchanged::Drawn) ||
            (!levers.chosen_pixels && mode == Unchanged::Chosen))
            continue;
        const std::vector<std::uint32_t>& colours = mode == Unchanged::Drawn ? all_colours : changed_colours;
        Choice choice{region, mode, false, &colours};
        if (use_global) {
            choice.global = true;
            (void)try_choice(s, choice, best_cost, frame, best_pixels);
        }
        if (use_local && colours.size() <= 256) {
            choice.global = false;
            (void)try_choice(s, choice, best_cost, frame, best_pixels);
        }
        if (best_cost != SIZE_MAX && use_global && use_local) {
            use_global = frame.local_table.empty();
            use_local = !use_global;
        }
    }
    PlannedFrame kept;
    bool has_kept = levers.input_frames &&
        keep_source(s, changed.left, changed.top, changed.right, changed.bottom, changed.clear_after, kept);
    // The thorough encoding gains a few percent: not worth trying when the input's own
    // image is clearly shorter.
    if (best_cost != SIZE_MAX && levers.final_effort != LzwEffort::Quick &&
        (!has_kept || frame.cost() * 100 < kept.cost() * 104)) {
        frame.data = m_encoder.improve(best_pixels.data(), best_pixels.size(), std::move(frame.data));
    }
    if (has_kept && kept.cost() <= frame.cost()) {
        frame = std::move(kept);
        return true;
    }
    return best_cost != SIZE_MAX;
}
