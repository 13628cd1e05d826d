// The animation document: the in-memory form of one opened GIF file (logical screen, one
// shared palette, the frame list, comments, a scratch canvas). Frames keep only their encoded
// image data; pixels exist only while a frame is decoded into a canvas. The reader creates
// documents, the writer saves them, the optimizer and the views work on them. Encoding and
// decoding of frames live in the codec (gif/frame_coding.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "foundation/heap_string.h"
#include "foundation/list.h"
#include "foundation/memory.h"

// A rectangle in screen pixels; bottom and right are exclusive.
struct ScreenRect {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t bottom = 0;
    std::int16_t right = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
};

// An 8-bit indexed bitmap whose row stride equals its width.
struct Canvas {
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    MemPtr<std::uint8_t> pixels;

    std::uint8_t* row(int y) { return pixels.get() + static_cast<std::size_t>(y) * width; }
    const std::uint8_t* row(int y) const { return pixels.get() + static_cast<std::size_t>(y) * width; }
    std::size_t size() const { return static_cast<std::size_t>(width) * height; }
};

// Resizes the canvas to width x height (at least 1 x 1 is never forced: 0 gives no pixels).
// The old contents are kept where both sizes overlap; new pixels are `fill`.
void canvas_resize(Canvas& canvas, std::uint16_t width, std::uint16_t height, std::uint8_t fill = 0);
void canvas_fill(Canvas& canvas, std::uint8_t index);
// Fills the part of the rectangle that lies inside the canvas.
void canvas_fill_rect(Canvas& canvas, const ScreenRect& rect, std::uint8_t index);
// True when the rectangle is not inverted and lies completely inside the canvas.
bool canvas_contains(const Canvas& canvas, const ScreenRect& rect);

// The composed screen at a frame, encoded whole with 8-bit codes (palette size 256).
struct Snapshot {
    ScreenRect rect;
    std::uint32_t encoded_length = 0;
    MemPtr<std::uint8_t> encoded_data;
};

// What happens to a frame's rectangle after it has been shown, as the graphic control
// extension stores it (three bits; values 4 to 7 are kept as read).
enum class Disposal : std::uint8_t {
    None = 0,               // unspecified: the frame stays
    Keep = 1,               // the frame stays
    RestoreBackground = 2,  // the rectangle is cleared
    RestorePrevious = 3,    // the screen before the frame comes back (turned into 2 on load)
};

// One frame. While a file is being read the same record serves as the load record: then
// `load_palette_size` and `local_palette` are in use; convert_load_record drops them.
struct Frame {
    ScreenRect rect;
    std::uint32_t encoded_length = 0;
    // Minimum code size byte, data sub-blocks and terminator: the bytes that follow the
    // image descriptor in a GIF file. Null when the frame holds no encoding yet.
    MemPtr<std::uint8_t> encoded_data;
    std::unique_ptr<Snapshot> snapshot;
    std::uint32_t delay = 0;             // hundredths of a second
    Disposal disposal = Disposal::Keep;  // None, Keep or RestoreBackground after load
    std::uint8_t interlaced = 0;
    std::uint8_t transparent = 0;
    std::uint8_t user_input = 0;
    std::uint8_t transparent_index = 0;
    StrPtr comment;                      // empty string when none (after load)
    MemPtr<std::uint32_t> colour_usage;  // one pixel count per palette entry
    std::uint16_t colour_usage_count = 0;

    // Load record only.
    std::uint16_t load_palette_size = 0;  // colours the frame's data may use
    MemPtr<std::uint8_t> local_palette;   // load_palette_size RGB triples, or null
};
using LoadRecord = Frame;

Frame* new_frame();
void free_frame(Frame* frame);
struct FrameDeleter {
    void operator()(Frame* frame) const { free_frame(frame); }
};
using FramePtr = std::unique_ptr<Frame, FrameDeleter>;

// Replaces the frame's colour usage with `count` zeroed counters.
void frame_reset_usage(Frame& frame, std::uint16_t count);
// Takes ownership of the encoded bytes (length bytes), dropping the previous encoding.
void frame_set_encoding(Frame& frame, MemPtr<std::uint8_t> data, std::uint32_t length);
void frame_drop_encoding(Frame& frame);
// End of a load: drops the load-only fields (local palette, palette size) and the snapshot.
void convert_load_record(LoadRecord& record);

// Opaque attachments of the window, panels and controls that show a document (not owned).
struct DocumentViews;

struct Document {
    DocumentViews* views = nullptr;
    StrPtr path;
    std::uint32_t file_size = 0;
    ListPtr frames;  // values are Frame* (ListPointer<Frame>), owned
    std::int32_t frame_count = 0;
    std::int32_t current_frame = 0;
    std::uint32_t total_delay = 0;
    std::uint16_t screen_width = 1;
    std::uint16_t screen_height = 1;
    std::uint8_t aspect = 0;
    std::uint8_t has_256_colours = 0;
    // Distinct colours the frames showed as read, before any merging into the shared palette.
    std::uint32_t file_colours = 0;
    std::uint16_t palette_size = 0;
    std::uint16_t loop_count = 0;
    std::uint8_t loop_present = 0;
    std::uint8_t background_index = 0;
    MemPtr<std::uint8_t> palette;  // 768 bytes, red first
    StrPtr leading_comment;        // null only while parsing
    StrPtr trailing_comment;       // holds the pending comment while parsing
    Canvas canvas;                 // screen size, stride = screen width
    std::uint8_t display_buffers_ready = 0;
    MemPtr<std::uint8_t> display_buffers[2];  // screen width x 32 each
};

// A new, empty document: palette of 768 zero bytes, empty frame list, canvas 1 x 1, no
// comments, loop present 0, total delay 0.
Document* new_document();
// Frees the frames (from the head of the list) with everything they own, the list, the
// canvas, both comments, the palette and the record. Null is ignored.
void free_document(Document* document);
struct DocumentDeleter {
    void operator()(Document* document) const { free_document(document); }
};
using DocumentPtr = std::unique_ptr<Document, DocumentDeleter>;

// Appends a frame, taking ownership (the list holds the pointer).
void document_append_frame(Document& document, FramePtr frame);
// Walks from the head; 0 <= index < frame count is the caller's guarantee (null otherwise).
Frame* document_frame_at(Document& document, std::int32_t index);
// Iteration in file order with the frame list's cursor; null after the last frame.
Frame* document_first_frame(Document& document);
Frame* document_next_frame(Document& document);
