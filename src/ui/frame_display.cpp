#include "ui/frame_display.h"

#include "codec/codec_state.h"
#include "codec/frame_coding.h"

namespace {

constexpr std::uint8_t kEmpty = 255;
constexpr Disposal kRestoreBackground = Disposal::RestoreBackground;

bool covers_screen(const Frame& frame, const Document& document)
{
    return frame.rect.top == 0 && frame.rect.left == 0 && frame.rect.bottom == document.screen_height &&
        frame.rect.right == document.screen_width;
}

// The snapshot is a whole-screen image with 8-bit codes, decoded as a frame would be.
void decode_snapshot(Canvas& canvas, const Snapshot& snapshot)
{
    CodecState& state = codec_state();
    DecodeTarget target;
    target.canvas = &canvas;
    target.rect = snapshot.rect;
    state.input.set_window_to_memory(snapshot.encoded_length, snapshot.encoded_data.get());
    (void)state.decoder.decode(state.input, target);  // a damaged snapshot leaves what it decoded
    state.input.end_memory_window();
}

void draw_frame(Canvas& canvas, const Frame& frame)
{
    const TransparentAware aware = frame.transparent ? TransparentAware::Yes : TransparentAware::No;
    (void)decode_frame_onto(canvas, frame, aware);  // damaged data draws what it holds
}

ScreenRect repaint_area(const std::vector<Frame*>& frames, int old_index, int n)
{
    if (old_index < 0 || old_index >= static_cast<int>(frames.size()))
        return frames[static_cast<std::size_t>(n)]->rect;
    const int lower = old_index < n ? old_index : n;
    const int higher = old_index < n ? n : old_index;
    ScreenRect area;
    if (n < old_index || frames[static_cast<std::size_t>(old_index)]->disposal == kRestoreBackground)
        area = frames[static_cast<std::size_t>(lower)]->rect;
    for (int k = lower + 1; k <= higher; ++k)
        area = rect_union(area, frames[static_cast<std::size_t>(k)]->rect);
    return area;
}

}  // namespace

std::vector<Frame*> frame_table(Document& document)
{
    std::vector<Frame*> frames;
    frames.reserve(static_cast<std::size_t>(document.frame_count > 0 ? document.frame_count : 0));
    for (Frame* frame = document_first_frame(document); frame; frame = document_next_frame(document))
        frames.push_back(frame);
    return frames;
}

ScreenRect rect_union(const ScreenRect& a, const ScreenRect& b)
{
    if (b.empty())
        return a;
    if (a.empty())
        return b;
    ScreenRect r;
    r.top = a.top < b.top ? a.top : b.top;
    r.left = a.left < b.left ? a.left : b.left;
    r.bottom = a.bottom > b.bottom ? a.bottom : b.bottom;
    r.right = a.right > b.right ? a.right : b.right;
    return r;
}

ComposeStart find_compose_start(const std::vector<Frame*>& frames, const Document& document, int n)
{
    if (n < 1)
        return ComposeStart{n, false};
    int k = n;
    for (;;) {
        const Frame& frame = *frames[static_cast<std::size_t>(k)];
        if (!frame.transparent && covers_screen(frame, document))
            return ComposeStart{k, false};
        if (frame.snapshot)
            return ComposeStart{k, true};
        if (k < n && frame.disposal == kRestoreBackground && covers_screen(frame, document))
            return ComposeStart{k, false};
        --k;
        if (k < 1)
            return ComposeStart{k, false};
    }
}

ScreenRect compose_frame(Document& document, const std::vector<Frame*>& frames, int n)
{
    Canvas& canvas = document.canvas;
    const int current = document.current_frame;
    ComposeStart start = find_compose_start(frames, document, n);
    if (current >= 0 && n > current && start.index <= current)
        start = ComposeStart{current + 1, false};

    int first = start.index;
    if (start.from_snapshot) {
        const Frame& from = *frames[static_cast<std::size_t>(start.index)];
        decode_snapshot(canvas, *from.snapshot);
        first = start.index + 1;
        if (start.index < n && from.disposal == kRestoreBackground)
            canvas_fill_rect(canvas, from.rect, kEmpty);
    } else if (start.index < 1) {
        canvas_fill(canvas, kEmpty);
        if (first < 0)
            first = 0;
    } else if (frames[static_cast<std::size_t>(start.index - 1)]->disposal == kRestoreBackground) {
        canvas_fill_rect(canvas, frames[static_cast<std::size_t>(start.index - 1)]->rect, kEmpty);
    }
    for (int k = first; k <= n; ++k) {
        const Frame& frame = *frames[static_cast<std::size_t>(k)];
        if (k < n && frame.disposal == kRestoreBackground)
            canvas_fill_rect(canvas, frame.rect, kEmpty);
        else
            draw_frame(canvas, frame);
    }
    return repaint_area(frames, current, n);
}
