#include "optimize/palette_reduction.h"

#include "app/report.h"
#include "optimize/colour_merge.h"
#include "optimize/frame_optimizer.h"

#include <algorithm>

namespace {

std::uint32_t colour_at(const std::uint8_t* palette, int index)
{
    const std::uint8_t* rgb = palette + index * 3;
    return static_cast<std::uint32_t>(rgb[0]) << 16 | static_cast<std::uint32_t>(rgb[1]) << 8 | rgb[2];
}

// The colours of the global table: the document's palette, or the default one when the file
// had no global table (its frames then show the default palette).
const std::uint8_t* global_colours(const Document& document)
{
    return document.palette_size ? document.palette.get() : default_palette();
}

// Adds the colours a frame's pixels use, as the given palette shows them.
void add_frame_colours(Octree* tree, ColourTable* table, const Frame& frame, const std::uint8_t* palette,
                       int palette_entries)
{
    const int count = std::min<int>(frame.colour_usage_count, palette_entries);
    for (int i = 0; i < count; ++i)
        if (frame.colour_usage.get()[i])
            add_colour(tree, table, colour_at(palette, i), frame.colour_usage.get()[i]);
}

void map_palette(const ColourTable* table, const Octree* tree, const std::uint8_t* palette, int entries,
                 std::uint8_t* map)
{
    std::fill(map, map + 256, 0);
    for (int i = 0; i < entries; ++i)
        map[i] = reduced_index(table, tree, colour_at(palette, i));
}

// Table, octree and merge order of one reduction.
struct Reduction {
    ColourTablePtr table{ColourTableNew(256)};
    OctreePtr tree{new_octree()};

    void merge()
    {
        ColourTableResetWeights(table.get());
        auto links = build_merge_links(table.get(), tree.get());
        merge_all(links.get(), table.get(), copy_octree(tree.get()));
    }

    std::uint16_t colour_count() const
    {
        return static_cast<std::uint16_t>(std::min<std::uint32_t>(table->count, 255));
    }
};

std::uint32_t units_per_frame(const Document& document, std::uint32_t units)
{
    std::uint32_t frames = ListCount(document.frames.get());
    return frames ? units / frames : 0;
}

}  // namespace

const std::uint8_t* default_palette()
{
    static const struct Ramp {
        std::uint8_t rgb[768];
        Ramp()
        {
            for (int i = 0; i < 256; ++i)
                rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] = static_cast<std::uint8_t>(i);
        }
    } ramp;
    return ramp.rgb;
}

void unify_palettes(Document& document, std::uint32_t units)
{
    List* frames = document.frames.get();
    Reduction reduction;
    for (ListNode* node = frames->first; node; node = node->next) {
        const Frame& frame = *ListPointer<Frame>(node->value);
        if (frame.local_palette)
            add_frame_colours(reduction.tree.get(), reduction.table.get(), frame, frame.local_palette.get(),
                              frame.load_palette_size);
        else
            add_frame_colours(reduction.tree.get(), reduction.table.get(), frame, global_colours(document), 256);
    }
    document.file_colours = reduction.table->count;
    reduction.merge();

    std::uint8_t global_map[256];
    map_palette(reduction.table.get(), reduction.tree.get(), global_colours(document), 256, global_map);
    const std::uint16_t new_count = reduction.colour_count();
    const std::uint32_t step = units_per_frame(document, units);
    for (ListNode* node = frames->first; node; node = node->next) {
        Frame& frame = *ListPointer<Frame>(node->value);
        std::uint8_t local_map[256];
        const std::uint8_t* map = global_map;
        if (frame.local_palette) {
            map_palette(reduction.table.get(), reduction.tree.get(), frame.local_palette.get(),
                        std::min<int>(frame.load_palette_size, 256), local_map);
            map = local_map;
        }
        remap_frame(document, frame, frame.load_palette_size, map, new_count);
        frame.load_palette_size = new_count;
        reporter().advance_progress(step);
        frame.local_palette.reset();
    }
    document.palette_size = build_reduced_palette(reduction.table.get(), document.palette.get());
}

void compact_global_palette(Document& document, std::uint32_t units)
{
    List* frames = document.frames.get();
    const std::uint8_t* colours = global_colours(document);
    Reduction reduction;
    for (ListNode* node = frames->first; node; node = node->next)
        add_frame_colours(reduction.tree.get(), reduction.table.get(), *ListPointer<Frame>(node->value), colours, 256);
    if (reduction.table->count == 256)
        document.has_256_colours = 1;
    if (document.file_colours == 0)  // not already counted before the local tables were merged
        document.file_colours = reduction.table->count;
    reduction.merge();

    // Every index a frame may hold is mapped: entries past the table's count are the colours
    // the palette shows there (zero when the file never filled them).
    const int old_count = document.palette_size;
    std::uint8_t map[256];
    map_palette(reduction.table.get(), reduction.tree.get(), colours, 256, map);
    const std::uint16_t new_count = reduction.colour_count();
    const std::uint32_t step = units_per_frame(document, units);
    for (ListNode* node = frames->first; node; node = node->next) {
        Frame& frame = *ListPointer<Frame>(node->value);
        remap_frame(document, frame, frame.colour_usage_count, map, new_count);
        reporter().advance_progress(step);
    }
    if (document.background_index < old_count)
        document.background_index = map[document.background_index];
    document.palette_size = build_reduced_palette(reduction.table.get(), document.palette.get());
}
