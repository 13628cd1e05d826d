// The GIF reader: turns a GIF87a or GIF89a file into an animation document. It walks the
// blocks through the codec's input window, decodes every image into the document canvas and
// re-encodes it at once, keeps comments, looping and graphic-control data, and normalises
// the document to one shared palette of at most 255 colours. Damage after the header ends
// the parse with a warning and keeps what was read. It tells the user things only through the
// reporting interface; giving a loaded document its window is the desktop program's job.
#pragma once
#include <cstdint>

#include "document/document.h"
#include "gif/warning_queue.h"

// Whether damage after the header still gives a document (everything read before it).
enum class Tolerance : std::uint8_t { Strict, Tolerant };

// Reads the GIF file open as `fd` (positioned at its start) that was found at `path`.
// Alerts and warnings go to the reporter; null when nothing could be loaded.
[[nodiscard]] Document* load_gif_document(const char* path, int fd, Tolerance tolerance);

// Open as the desktop program does it: refuses a file that is not of the GIF type, then
// loads it tolerantly. Null when nothing was opened (the user has been told why).
[[nodiscard]] Document* open_gif_file(const char* path);

// How warnings are asked about after a load; the warning alert by default. Null restores it.
void set_warning_ask(WarningAsk ask);

// The largest canvas the reader accepts, in pixels (2^28 by default). A logical screen or a
// frame that would need more is treated as damage instead of exhausting memory.
void set_canvas_pixel_limit(std::uint64_t pixels);
std::uint64_t canvas_pixel_limit();

// The most memory one document may take, in bytes (2 GiB by default): its canvases, the
// snapshots of the composed screen and the frame encodings and comments. A file that needs
// more is cut at the block that passes the budget, with the same message as a canvas that
// is too large; everything before it is kept.
void set_document_memory_budget(std::uint64_t bytes);
std::uint64_t document_memory_budget();
