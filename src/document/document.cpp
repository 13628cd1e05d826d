#include "document/document.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kPaletteBytes = 768;

}  // namespace

void canvas_resize(Canvas& canvas, std::uint16_t width, std::uint16_t height, std::uint8_t fill)
{
    if (width == canvas.width && height == canvas.height && (canvas.pixels || canvas.size() == 0))
        return;
    std::size_t size = static_cast<std::size_t>(width) * height;
    MemPtr<std::uint8_t> pixels(static_cast<std::uint8_t*>(MemAlloc(size ? size : 1)));
    std::memset(pixels.get(), fill, size);
    int keep_rows = std::min(canvas.height, height);
    std::size_t keep_width = std::min(canvas.width, width);
    if (canvas.pixels) {
        for (int y = 0; y < keep_rows; ++y)
            std::memcpy(pixels.get() + static_cast<std::size_t>(y) * width, canvas.row(y), keep_width);
    }
    canvas.pixels = std::move(pixels);
    canvas.width = width;
    canvas.height = height;
}

void canvas_fill(Canvas& canvas, std::uint8_t index)
{
    if (canvas.pixels)
        std::memset(canvas.pixels.get(), index, canvas.size());
}

void canvas_fill_rect(Canvas& canvas, const ScreenRect& rect, std::uint8_t index)
{
    int top = std::max<int>(rect.top, 0);
    int left = std::max<int>(rect.left, 0);
    int bottom = std::min<int>(rect.bottom, canvas.height);
    int right = std::min<int>(rect.right, canvas.width);
    if (!canvas.pixels || bottom <= top || right <= left)
        return;
    for (int y = top; y < bottom; ++y)
        std::memset(canvas.row(y) + left, index, static_cast<std::size_t>(right - left));
}

bool canvas_contains(const Canvas& canvas, const ScreenRect& rect)
{
    return rect.top >= 0 && rect.left >= 0 && rect.bottom >= rect.top && rect.right >= rect.left &&
        rect.bottom <= canvas.height && rect.right <= canvas.width;
}

Frame* new_frame() { return new (MemAlloc(sizeof(Frame))) Frame(); }

void free_frame(Frame* frame)
{
    if (!frame)
        return;
    frame->~Frame();
    MemFree(frame);
}

void frame_reset_usage(Frame& frame, std::uint16_t count)
{
    std::size_t bytes = sizeof(std::uint32_t) * (count ? count : 1);
    frame.colour_usage.reset(static_cast<std::uint32_t*>(MemAlloc(bytes)));
    std::memset(frame.colour_usage.get(), 0, bytes);
    frame.colour_usage_count = count;
}

void frame_set_encoding(Frame& frame, MemPtr<std::uint8_t> data, std::uint32_t length)
{
    frame.encoded_data = std::move(data);
    frame.encoded_length = frame.encoded_data ? length : 0;
}

void frame_drop_encoding(Frame& frame)
{
    frame.encoded_data.reset();
    frame.encoded_length = 0;
}

void convert_load_record(LoadRecord& record)
{
    record.local_palette.reset();
    record.load_palette_size = 0;
    record.snapshot.reset();
}

Document* new_document()
{
    auto* document = new (MemAlloc(sizeof(Document))) Document();
    document->frames.reset(ListNew());
    document->palette.reset(static_cast<std::uint8_t*>(MemAlloc(kPaletteBytes)));
    std::memset(document->palette.get(), 0, kPaletteBytes);
    canvas_resize(document->canvas, 1, 1);
    return document;
}

void free_document(Document* document)
{
    if (!document)
        return;
    if (List* frames = document->frames.get()) {
        while (ListFirst(frames))
            free_frame(ListPointer<Frame>(ListRemove(frames)));
    }
    document->frames.reset();
    document->canvas.pixels.reset();
    document->leading_comment.reset();
    document->trailing_comment.reset();
    document->palette.reset();
    document->~Document();
    MemFree(document);
}

void document_append_frame(Document& document, FramePtr frame)
{
    ListAppend(document.frames.get(), ListValueOf(frame.release()));
}

Frame* document_frame_at(Document& document, std::int32_t index)
{
    // Walks the nodes without moving the list's cursor, so an iteration in progress survives.
    if (index < 0)
        return nullptr;
    ListNode* node = document.frames->first;
    for (std::int32_t i = 0; i < index && node; ++i)
        node = node->next;
    return node ? ListPointer<Frame>(node->value) : nullptr;
}

Frame* document_first_frame(Document& document) { return ListPointer<Frame>(ListFirst(document.frames.get())); }

Frame* document_next_frame(Document& document) { return ListPointer<Frame>(ListNext(document.frames.get())); }
