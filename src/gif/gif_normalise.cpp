#include "gif/gif_normalise.h"

#include <cstring>

#include "app/report.h"
#include "codec/frame_coding.h"
#include "optimize/palette_reduction.h"

namespace {

bool any_local_palette(Document& document)
{
    for (Frame* frame = document_first_frame(document); frame; frame = document_next_frame(document))
        if (frame->local_palette)
            return true;
    return false;
}

ScreenRect rect_union(const ScreenRect& a, const ScreenRect& b)
{
    ScreenRect out;
    out.top = a.top < b.top ? a.top : b.top;
    out.left = a.left < b.left ? a.left : b.left;
    out.bottom = a.bottom > b.bottom ? a.bottom : b.bottom;
    out.right = a.right > b.right ? a.right : b.right;
    return out;
}

void copy_rect(Canvas& to, const Canvas& from, const ScreenRect& rect)
{
    for (int y = rect.top; y < rect.bottom; ++y)
        std::memcpy(to.row(y) + rect.left, from.row(y) + rect.left, static_cast<std::size_t>(rect.width()));
}

// Counts the frame's colours over its rectangle of the canvas (palette_size counters; the
// transparent index and indexes beyond the palette are not counted) and returns the colour
// count its encoding needs.
std::uint16_t recount_usage(Frame& frame, const Canvas& canvas, std::uint16_t palette_size)
{
    frame_reset_usage(frame, palette_size);
    std::uint32_t* usage = frame.colour_usage.get();
    int highest = 0;
    for (int y = frame.rect.top; y < frame.rect.bottom; ++y) {
        const std::uint8_t* row = canvas.row(y);
        for (int x = frame.rect.left; x < frame.rect.right; ++x) {
            if (row[x] < palette_size && !(frame.transparent && row[x] == frame.transparent_index)) {
                ++usage[row[x]];
                if (row[x] > highest)
                    highest = row[x];
            }
        }
    }
    if (frame.transparent && frame.transparent_index > highest)
        highest = frame.transparent_index;
    return static_cast<std::uint16_t>(highest + 1);
}

void compose(Canvas& canvas, const Frame& frame)
{
    (void)decode_frame_onto(canvas, frame, frame.transparent ? TransparentAware::Yes : TransparentAware::No);
}

// Frames that restore the previous image become frames that restore the background: the
// frame after one redraws the restored area itself, with the first free index F standing
// for empty (and transparent).
void rewrite_restore_previous(Document& document)
{
    const std::uint8_t free_index = static_cast<std::uint8_t>(document.palette_size);
    Canvas& canvas = document.canvas;
    Canvas saved;
    canvas_resize(saved, canvas.width, canvas.height, free_index);
    canvas_fill(canvas, free_index);
    bool redraw = false;
    ScreenRect remembered;
    for (Frame* frame = document_first_frame(document); frame; frame = document_next_frame(document)) {
        compose(canvas, *frame);
        if (redraw) {
            frame->rect = rect_union(frame->rect, remembered);
            frame->transparent = 1;
            frame->transparent_index = free_index;
            frame_drop_encoding(*frame);
            const std::uint16_t colours = recount_usage(*frame, canvas, document.palette_size);
            encode_frame_into(*frame, canvas, frame->interlaced != 0, colours);
            redraw = false;
        }
        switch (frame->disposal) {
        case Disposal::RestoreBackground:
            canvas_fill_rect(saved, frame->rect, free_index);
            canvas_fill_rect(canvas, frame->rect, free_index);
            break;
        case Disposal::RestorePrevious:
            remembered = frame->rect;
            frame->disposal = Disposal::RestoreBackground;
            copy_rect(canvas, saved, frame->rect);
            redraw = true;
            break;
        case Disposal::None:
        case Disposal::Keep:
            compose(saved, *frame);
            break;
        default:
            break;
        }
    }
}

void store_snapshots(Document& document)
{
    Canvas& canvas = document.canvas;
    canvas_fill(canvas, 255);
    const ScreenRect screen{0, 0, static_cast<std::int16_t>(document.screen_height),
                            static_cast<std::int16_t>(document.screen_width)};
    int number = 0;
    for (Frame* frame = document_first_frame(document); frame; frame = document_next_frame(document)) {
        compose(canvas, *frame);
        if (++number % 8 == 0) {
            Frame holder;
            holder.rect = screen;
            encode_frame_into(holder, canvas, false, 256);
            auto snapshot = std::make_unique<Snapshot>();
            snapshot->rect = screen;
            snapshot->encoded_length = holder.encoded_length;
            snapshot->encoded_data = std::move(holder.encoded_data);
            frame->snapshot = std::move(snapshot);
        }
        if (frame->disposal == Disposal::RestoreBackground)
            canvas_fill_rect(canvas, frame->rect, 255);
        reporter().advance_progress(1);
    }
}

}  // namespace

void normalise_document(Document& document, std::uint32_t units)
{
    std::uint8_t background[3];
    std::memcpy(background, document.palette.get() + document.background_index * 3, 3);
    document.frame_count = ListCount(document.frames.get());

    if (any_local_palette(document))
        unify_palettes(document, units);
    else
        reporter().advance_progress(units);
    for (Frame* frame = document_first_frame(document); frame; frame = document_next_frame(document))
        convert_load_record(*frame);
    if (document.frame_count == 0)
        document.palette_size = 0;
    else
        compact_global_palette(document, units);

    std::memcpy(document.palette.get() + 255 * 3, background, 3);
    document.background_index = 255;

    rewrite_restore_previous(document);
    store_snapshots(document);

    const std::size_t buffer_size = static_cast<std::size_t>(document.screen_width) * 32;
    for (auto& buffer : document.display_buffers) {
        buffer.reset(static_cast<std::uint8_t*>(MemAlloc(buffer_size ? buffer_size : 1)));
        std::memset(buffer.get(), 0, buffer_size ? buffer_size : 1);
    }
    document.display_buffers_ready = 1;
}
