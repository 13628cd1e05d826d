#include "optimize/frame_optimizer.h"

#include "app/report.h"
#include "app/settings.h"
#include "codec/frame_coding.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kEmpty = 255;

// Rectangles are worked on as plain ints and always kept inside the screen, whatever the
// frame records say, so that no canvas is read or written outside its pixels.
struct Box {
    int top = 0, left = 0, bottom = 0, right = 0;

    bool empty() const { return bottom <= top || right <= left; }
    ScreenRect rect() const
    {
        return ScreenRect{static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                          static_cast<std::int16_t>(bottom), static_cast<std::int16_t>(right)};
    }
};

Box clipped(const ScreenRect& rect, const Canvas& canvas)
{
    Box box;
    box.top = std::clamp<int>(rect.top, 0, canvas.height);
    box.left = std::clamp<int>(rect.left, 0, canvas.width);
    box.bottom = std::clamp<int>(rect.bottom, box.top, canvas.height);
    box.right = std::clamp<int>(rect.right, box.left, canvas.width);
    return box;
}

Box bounding_union(const Box& a, const Box& b)
{
    return Box{std::min(a.top, b.top), std::min(a.left, b.left), std::max(a.bottom, b.bottom),
               std::max(a.right, b.right)};
}

// Canvases are filled to screen size before they are used; a missing pixel block would only
// come from a zero-sized screen, where there is nothing to draw.
void draw(Canvas& canvas, const Frame& frame)
{
    // The frames hold our own encodings; a decoding fault leaves what was drawn, and the
    // rectangles computed from it still describe the screen as composed here.
    static_cast<void>(
        decode_frame_onto(canvas, frame, frame.transparent ? TransparentAware::Yes : TransparentAware::No));
}

void clear(Canvas& canvas, const ScreenRect& rect) { canvas_fill_rect(canvas, rect, kEmpty); }

// Copies the part of the rectangle that lies inside both canvases (of the same size).
void copy_rect(Canvas& to, const Canvas& from, const ScreenRect& rect)
{
    const Box box = clipped(rect, to);
    if (box.empty())
        return;
    for (int y = box.top; y < box.bottom; ++y)
        std::memcpy(to.row(y) + box.left, from.row(y) + box.left, static_cast<std::size_t>(box.right - box.left));
}

bool rows_differ(const std::uint8_t* a, const std::uint8_t* b, int from, int to)
{
    return to > from && std::memcmp(a + from, b + from, static_cast<std::size_t>(to - from)) != 0;
}

// Rightmost column in [from, to) where the rows differ, or from - 1.
int last_difference(const std::uint8_t* a, const std::uint8_t* b, int from, int to)
{
    for (int x = to - 1; x >= from; --x)
        if (a[x] != b[x])
            return x;
    return from - 1;
}

int first_difference(const std::uint8_t* a, const std::uint8_t* b, int from, int to)
{
    for (int x = from; x < to; ++x)
        if (a[x] != b[x])
            return x;
    return to;
}

// The changed rectangle: the frame's rectangle trimmed where before and after agree, right
// columns first, then bottom rows, left columns, top rows; each side keeps at least one
// column or row. Working row by row gives the same sides as peeling one column at a time.
Box changed_rectangle(const Canvas& before, const Canvas& after, Box box)
{
    if (box.empty())
        return box;
    int last = box.left - 1;
    for (int y = box.top; y < box.bottom && last < box.right - 1; ++y)
        last = std::max(last, last_difference(before.row(y), after.row(y), last + 1, box.right));
    box.right = std::max(last + 1, box.left + 1);

    int bottom = box.bottom;
    while (bottom > box.top + 1 && !rows_differ(before.row(bottom - 1), after.row(bottom - 1), box.left, box.right))
        --bottom;
    box.bottom = bottom;

    int first = box.right;
    for (int y = box.top; y < box.bottom && first > box.left; ++y)
        first = std::min(first, first_difference(before.row(y), after.row(y), box.left, first));
    box.left = std::min(first, box.right - 1);

    int top = box.top;
    while (top < box.bottom - 1 && !rows_differ(before.row(top), after.row(top), box.left, box.right))
        ++top;
    box.top = top;
    return box;
}

// A pixel the frame's disposal must clear: drawn after the frame, empty after the next one.
bool needs_clearing(const Canvas& after, const Canvas& next, int x, int y)
{
    return after.row(y)[x] != kEmpty && next.row(y)[x] == kEmpty;
}

bool column_needs_clearing(const Canvas& after, const Canvas& next, int x, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        if (needs_clearing(after, next, x, y))
            return true;
    return false;
}

bool row_needs_clearing(const Canvas& after, const Canvas& next, int y, int left, int right)
{
    const std::uint8_t* a = after.row(y);
    const std::uint8_t* n = next.row(y);
    for (int x = left; x < right; ++x)
        if (a[x] != kEmpty && n[x] == kEmpty)
            return true;
    return false;
}

// The disposal area: the frame's rectangle trimmed to the pixels its disposal must clear,
// left side first, then top, right, bottom. May come out empty.
Box disposal_area(const Canvas& after, const Canvas& next, Box box)
{
    while (box.left < box.right && !column_needs_clearing(after, next, box.left, box.top, box.bottom))
        ++box.left;
    while (box.top < box.bottom && !row_needs_clearing(after, next, box.top, box.left, box.right))
        ++box.top;
    while (box.right > box.left && !column_needs_clearing(after, next, box.right - 1, box.top, box.bottom))
        --box.right;
    while (box.bottom > box.top && !row_needs_clearing(after, next, box.bottom - 1, box.left, box.right))
        --box.bottom;
    return box;
}

// Whether moving a frame that restores the background to the top-left corner would make it
// clear pixels outside its own rectangle that are still visible after the next frame.
bool move_would_clear_visible(const Canvas& next, const Box& own, const Box& moved)
{
    for (int y = moved.top; y < moved.bottom; ++y) {
        const std::uint8_t* row = next.row(y);
        for (int x = moved.left; x < moved.right; ++x) {
            bool inside_own = y >= own.top && y < own.bottom && x >= own.left && x < own.right;
            if (!inside_own && row[x] != kEmpty)
                return true;
        }
    }
    return false;
}

// Counts the pixels of each index below 255 over the box of the canvas. The counters cover
// at least the palette; an index beyond it (never made by a load) widens them so the
// encoding still gets a code size that holds every pixel.
void count_usage(Frame& frame, const Canvas& canvas, const Box& box, std::uint16_t palette_size)
{
    std::uint32_t counts[256] = {};
    for (int y = box.top; y < box.bottom; ++y) {
        const std::uint8_t* row = canvas.row(y);
        for (int x = box.left; x < box.right; ++x)
            ++counts[row[x]];
    }
    std::uint16_t size = palette_size;
    for (int i = kEmpty - 1; i >= palette_size; --i) {
        if (counts[i]) {
            size = static_cast<std::uint16_t>(i + 1);
            break;
        }
    }
    size = std::min<std::uint16_t>(size, kEmpty);
    frame_reset_usage(frame, size);
    std::memcpy(frame.colour_usage.get(), counts, sizeof(std::uint32_t) * size);
}

int highest_used(const Frame& frame)
{
    for (int i = frame.colour_usage_count - 1; i > 0; --i)
        if (frame.colour_usage.get()[i])
            return i;
    return 0;
}

bool holds_empty_pixel(const Canvas& canvas, const Box& box)
{
    for (int y = box.top; y < box.bottom; ++y)
        if (std::memchr(canvas.row(y) + box.left, kEmpty, static_cast<std::size_t>(box.right - box.left)))
            return true;
    return false;
}

// The first step of modes 0 to 2: unchanged and empty pixels become transparent.
void unchanged_transparent(const std::uint8_t* cur, const std::uint8_t* prev, int w, std::uint8_t t, std::uint8_t* out)
{
    for (int x = 0; x < w; ++x)
        out[x] = (cur[x] == prev[x] || cur[x] == kEmpty) ? t : cur[x];
}

// Mode 3: only empty pixels are transparent.
void unchanged_only_empty(const std::uint8_t* cur, int w, std::uint8_t t, std::uint8_t* out)
{
    for (int x = 0; x < w; ++x)
        out[x] = cur[x] < kEmpty ? cur[x] : t;
}

// Mode 1 on top of the first step: a pixel that continues the colour of its drawn
// neighbour is drawn too, left to right and then right to left.
void extend_runs(const std::uint8_t* cur, int w, std::uint8_t t, std::uint8_t* out)
{
    for (int x = 1; x < w; ++x)
        if (out[x - 1] != t && cur[x] == out[x - 1])
            out[x] = cur[x];
    for (int x = w - 1; x >= 1; --x)
        if (out[x] != t && cur[x - 1] == out[x])
            out[x - 1] = cur[x - 1];
}

// Mode 2 on top of the first step: every non-empty pixel next to a drawn one is drawn.
void fill_around(const std::uint8_t* cur, int w, std::uint8_t t, std::uint8_t* out)
{
    for (int x = 1; x < w; ++x)
        if (out[x - 1] != t && cur[x] < kEmpty)
            out[x] = cur[x];
    for (int x = w - 1; x >= 1; --x)
        if (out[x] != t && cur[x - 1] < kEmpty)
            out[x - 1] = cur[x - 1];
}

// The rows of one candidate encoding: the after-canvas with unchanged pixels substituted.
struct Substitution {
    const Canvas* before;
    const Canvas* after;
    int left;
    int width;
    std::uint8_t transparent;
    SubstitutionMode mode;
    std::uint8_t* out;
};

const std::uint8_t* produce_row(void* context, int y)
{
    auto* s = static_cast<Substitution*>(context);
    substitute_row(s->mode, s->after->row(y) + s->left, s->before->row(y) + s->left, s->width, s->transparent, s->out);
    return s->out;
}

// Marks the modes whose rows all equal those of an earlier mode: their encoding would be
// just as long, and an equal length never replaces the kept one, so they need no encoding.
void find_repeated_modes(const Substitution& s, int top, int bottom, bool repeated[4])
{
    const int w = s.width;
    MemPtr<std::uint8_t> buffer(static_cast<std::uint8_t*>(MemAlloc(static_cast<std::size_t>(w > 0 ? w : 1) * 4)));
    std::uint8_t* out[4];
    for (int m = 0; m < 4; ++m)
        out[m] = buffer.get() + static_cast<std::size_t>(m) * static_cast<std::size_t>(w);
    bool same[4][4] = {};
    for (int k = 1; k < 4; ++k)
        for (int j = 0; j < k; ++j)
            same[k][j] = true;
    int pairs = 6;
    const std::size_t bytes = static_cast<std::size_t>(w);
    for (int y = top; y < bottom && pairs > 0; ++y) {
        const std::uint8_t* cur = s.after->row(y) + s.left;
        const std::uint8_t* prev = s.before->row(y) + s.left;
        unchanged_transparent(cur, prev, w, s.transparent, out[0]);
        std::memcpy(out[1], out[0], bytes);
        extend_runs(cur, w, s.transparent, out[1]);
        std::memcpy(out[2], out[0], bytes);
        fill_around(cur, w, s.transparent, out[2]);
        unchanged_only_empty(cur, w, s.transparent, out[3]);
        for (int k = 1; k < 4; ++k) {
            for (int j = 0; j < k; ++j) {
                if (same[k][j] && std::memcmp(out[k], out[j], bytes) != 0) {
                    same[k][j] = false;
                    --pairs;
                }
            }
        }
    }
    for (int k = 0; k < 4; ++k) {
        repeated[k] = false;
        for (int j = 0; j < k; ++j)
            repeated[k] = repeated[k] || same[k][j];
    }
}

struct Encoding {
    MemPtr<std::uint8_t> data;
    std::uint32_t length = 0;
};

// An encoding whose length would reach give_up_at is abandoned (null data): the candidates
// only ever replace the kept encoding when they are shorter.
Encoding encode_mode(Substitution& s, const ScreenRect& rect, bool interlaced, std::uint16_t colour_count,
                     std::uint32_t give_up_at = LzwEncoder::kNoLimit)
{
    ProducedPixelSource source(rect, interlaced, produce_row, &s);
    Encoding result;
    result.data = encode_source(source, colour_count, end_code_from_settings(), result.length, give_up_at);
    return result;
}

// Encodes the frame rectangle of the canvas pixel for pixel, without substitution.
Encoding encode_straight(const Canvas& canvas, const Frame& frame, std::uint16_t colour_count,
                         std::uint32_t give_up_at = LzwEncoder::kNoLimit)
{
    CanvasPixelSource source(canvas, frame.rect, frame.interlaced != 0);
    Encoding result;
    result.data = encode_source(source, colour_count, end_code_from_settings(), result.length, give_up_at);
    return result;
}

struct Canvases {
    Canvas before;
    Canvas& after;
    Canvas next;
};

void optimize_frame(Document& document, Canvases& canvases, Frame& frame, bool first)
{
    const Settings& options = settings();
    const Box own = clipped(frame.rect, canvases.after);
    Box box = changed_rectangle(canvases.before, canvases.after, own);
    if (frame.disposal == Disposal::RestoreBackground) {
        Box area = disposal_area(canvases.after, canvases.next, own);
        if (area.empty())
            frame.disposal = Disposal::Keep;
        else
            box = bounding_union(box, area);
    }
    if (options.offset_frames == 0) {
        Box moved{0, 0, box.bottom, box.right};
        // A frame that clears its rectangle afterwards must not clear more than it did.
        if (frame.disposal != Disposal::RestoreBackground || !move_would_clear_visible(canvases.next, own, moved))
            box = moved;
    }
    if (options.crop_first_frame == 0 && first)
        box = Box{0, 0, canvases.after.height, canvases.after.width};

    const std::uint16_t palette_size = document.palette_size;
    count_usage(frame, canvases.after, box, palette_size);
    frame.transparent = 1;
    frame.transparent_index = transparent_index_for(palette_size, frame.colour_usage.get(), frame.colour_usage_count);
    frame.rect = box.rect();
    frame_drop_encoding(frame);

    encode_frame_candidates(canvases.before, canvases.after, frame, frame.disposal, frame.interlaced != 0,
                            frame.transparent_index, colours_needed(palette_size, frame));

    // Without transparency the code size may drop by a bit: worth a try when the
    // transparent index alone needs that bit and no pixel has to stay see-through.
    const int transparent = frame.transparent_index;
    const bool power_of_two = transparent != 0 && (transparent & (transparent - 1)) == 0;
    if (frame.disposal != Disposal::Keep || transparent <= highest_used(frame) || !power_of_two ||
        holds_empty_pixel(canvases.after, box))
        return;
    frame.transparent = 0;
    Encoding straight =
        encode_straight(canvases.after, frame, colours_needed(palette_size, frame), frame.encoded_length + 1);
    if (straight.data && straight.length <= frame.encoded_length)
        frame_set_encoding(frame, std::move(straight.data), straight.length);
    else
        frame.transparent = 1;
}

}  // namespace

void substitute_row(SubstitutionMode mode, const std::uint8_t* cur, const std::uint8_t* prev, int width,
                    std::uint8_t transparent, std::uint8_t* out)
{
    if (mode == SubstitutionMode::None) {
        unchanged_only_empty(cur, width, transparent, out);
        return;
    }
    unchanged_transparent(cur, prev, width, transparent, out);
    if (mode == SubstitutionMode::ExtendRuns)
        extend_runs(cur, width, transparent, out);
    else if (mode == SubstitutionMode::FillAround)
        fill_around(cur, width, transparent, out);
}

std::uint8_t transparent_index_for(std::uint16_t palette_size, const std::uint32_t* usage, std::uint16_t usage_count)
{
    return transparent_index_for(palette_size, usage, usage_count, settings().transparent_index_rule());
}

std::uint8_t transparent_index_for(std::uint16_t palette_size, const std::uint32_t* usage, std::uint16_t usage_count,
                                   int rule)
{
    const int n = palette_size;
    auto used = [&](int i) { return i < usage_count && usage[i] != 0; };
    int index = n;
    switch (rule) {
    case 1:
        for (int i = n - 1; i >= 0; --i) {
            if (!used(i)) {
                index = i;
                break;
            }
        }
        break;
    case 2: {
        index = 0;
        for (int i = n - 1; i >= 0; --i) {
            if (used(i)) {
                index = i + 1;
                break;
            }
        }
        break;
    }
    case 3:
        break;
    case 4: {
        int log = n > 1 ? 31 - __builtin_clz(static_cast<unsigned>(n)) : 0;
        index = ((1 << (log + 1)) - 1) & 0xFF;
        break;
    }
    case 5:
        index = n < 2 ? 1 : n < 4 ? 3 : n < 8 ? 7 : n < 16 ? 15 : 255;
        break;
    case 6:
        index = 255;
        break;
    default:  // rule 0, and any value a damaged preference file might hold
        for (int i = 0; i < n; ++i) {
            if (!used(i)) {
                index = i;
                break;
            }
        }
        break;
    }
    return static_cast<std::uint8_t>(index);
}

std::uint16_t colours_needed(std::uint16_t /*palette_size*/, const Frame& frame)
{
    int highest = frame.colour_usage ? highest_used(frame) : 0;
    if (frame.transparent)
        highest = std::max<int>(highest, frame.transparent_index);
    return static_cast<std::uint16_t>(highest + 1);
}

SubstitutionMode encode_frame_candidates(const Canvas& before, const Canvas& after, Frame& frame, Disposal disposal,
                                         bool interlaced, std::uint8_t transparent_index, std::uint16_t colour_count)
{
    const Box box = clipped(frame.rect, after);
    frame.rect = box.rect();
    const int width = box.right - box.left;
    MemPtr<std::uint8_t> row(static_cast<std::uint8_t*>(MemAlloc(width > 0 ? width : 1)));
    Substitution s{&before, &after, box.left, width, transparent_index, SubstitutionMode::None, row.get()};

    SubstitutionMode modes[4] = {SubstitutionMode::AllUnchanged, SubstitutionMode::ExtendRuns,
                                 SubstitutionMode::FillAround, SubstitutionMode::None};
    int mode_count = 4;
    if (settings().transparency_search == 0) {
        modes[0] = SubstitutionMode::None;
        mode_count = 1;
    } else if (disposal == Disposal::RestoreBackground) {
        mode_count = 1;
    }

    bool repeated[4] = {};
    if (mode_count == 4)
        find_repeated_modes(s, box.top, box.bottom, repeated);

    Encoding kept;
    SubstitutionMode kept_mode = modes[0];
    for (int i = 0; i < mode_count; ++i) {
        if (repeated[i])
            continue;
        s.mode = modes[i];
        const bool first = !kept.data;
        Encoding candidate =
            encode_mode(s, frame.rect, interlaced, colour_count, first ? LzwEncoder::kNoLimit : kept.length);
        if (first || (candidate.data && candidate.length < kept.length)) {
            kept = std::move(candidate);
            kept_mode = modes[i];
        }
    }
    frame_set_encoding(frame, std::move(kept.data), kept.length);
    return kept_mode;
}

void remap_frame(Document& document, Frame& frame, std::uint16_t old_count, const std::uint8_t* map,
                 std::uint16_t new_count)
{
    // Merged usage, summed over every old counter before the array takes the new size.
    MemPtr<std::uint32_t> old_usage = std::move(frame.colour_usage);
    const std::uint16_t old_usage_count = frame.colour_usage_count;
    frame_reset_usage(frame, new_count);
    const int counted = std::min<int>(old_count, old_usage_count);
    for (int i = 0; i < counted; ++i)
        if (old_usage.get()[i] && map[i] < new_count)
            frame.colour_usage.get()[map[i]] += old_usage.get()[i];

    Canvas& canvas = document.canvas;
    static_cast<void>(decode_frame_onto(canvas, frame, TransparentAware::No));

    std::uint8_t pixel_map[256];
    std::memcpy(pixel_map, map, 256);
    if (frame.transparent) {
        // Chosen for the new colour count: a rule that ignores usage could otherwise pick an
        // index that a real colour of the re-mapped frame now has.
        std::uint8_t t = transparent_index_for(new_count, frame.colour_usage.get(), frame.colour_usage_count);
        pixel_map[frame.transparent_index] = t;
        frame.transparent_index = t;
    }
    const Box box = clipped(frame.rect, canvas);
    for (int y = box.top; y < box.bottom; ++y) {
        std::uint8_t* row = canvas.row(y);
        for (int x = box.left; x < box.right; ++x)
            row[x] = pixel_map[row[x]];
    }
    frame_drop_encoding(frame);
    Encoding straight = encode_straight(canvas, frame, colours_needed(new_count, frame));
    frame_set_encoding(frame, std::move(straight.data), straight.length);
}

void optimize_document(Document& document)
{
    List* frames = document.frames.get();
    if (!frames || !frames->first)
        return;
    Canvases canvases{Canvas{}, document.canvas, Canvas{}};
    for (Canvas* canvas : {&canvases.before, &canvases.after, &canvases.next}) {
        canvas_resize(*canvas, document.screen_width, document.screen_height, kEmpty);
        canvas_fill(*canvas, kEmpty);
    }

    Frame* first = ListPointer<Frame>(frames->first->value);
    if (first->disposal != Disposal::RestoreBackground)
        draw(canvases.next, *first);
    draw(canvases.after, *first);

    Frame* previous = nullptr;
    for (ListNode* node = frames->first; node; node = node->next) {
        Frame& frame = *ListPointer<Frame>(node->value);
        Frame* following = first;
        if (node->next)
            following = ListPointer<Frame>(node->next->value);
        else
            canvas_fill(canvases.next, kEmpty);  // playback loops to the first frame
        draw(canvases.next, *following);

        const ScreenRect old_rect = frame.rect;
        optimize_frame(document, canvases, frame, previous == nullptr);
        reporter().advance_progress(1);

        if (frame.disposal == Disposal::RestoreBackground)
            clear(canvases.after, frame.rect);
        if (node->next) {
            // The screens of the following frame without decoding anything again. Before it
            // comes this screen with the disposal applied; after it comes what next-canvas
            // holds now. They differ from the canvases they replace only inside this frame's
            // old and new rectangles and the following frame's rectangle: the optimized frame
            // and its disposal give the same screen as the original ones.
            copy_rect(canvases.before, canvases.after, old_rect);
            copy_rect(canvases.before, canvases.after, frame.rect);
            copy_rect(canvases.after, canvases.next, old_rect);
            copy_rect(canvases.after, canvases.next, frame.rect);
            copy_rect(canvases.after, canvases.next, following->rect);
        }
        if (following->disposal == Disposal::RestoreBackground)
            clear(canvases.next, following->rect);
        previous = &frame;
    }
}
