// The edits of an animation that both front ends offer: looping, the range pane's delay
// scaling, clearing comments, the stamp comment and making frames non-interlaced. The
// desktop program's commands and quillon-cli's options call these, so the same edit gives
// the same document and the same file.
#pragma once
#include <cstdint>

#include "document/document.h"
#include "foundation/heap_string.h"

// The animation pane's three-way looping choice.
enum class Looping : std::uint8_t { Once, Count, Forever };

// Once: no looping block. Count: loop present with `count` (1 to 65535; 0 becomes 1).
// Forever: loop present, count 0.
void set_looping(Document& document, Looping looping, std::uint16_t count);

// Frames first..last (0-based, inclusive; swapped when reversed, clamped to the frame list):
// each delay becomes clamp(lower, truncate(delay x factor + 0.5), upper), and the total delay
// changes by the difference of the sums.
void scale_delays(Document& document, std::int32_t first, std::int32_t last, double factor, std::uint32_t lower,
                  std::uint32_t upper);

// Empties the comments of frames first..last.
void clear_frame_comments(Document& document, std::int32_t first, std::int32_t last);
// Empties every frame's comment and both document comments.
void clear_all_comments(Document& document);

// The stamp text of a template: the placeholders (application strings 148 to 151) become
// the date ("November 14 2023"), the local time, the user's name and the program title.
StrPtr compose_stamp(const char* stamp_template, std::int64_t now_seconds, const char* user_name);
// The stamp replaces the trailing comment, the old comment following it after an empty line.
void insert_stamp_comment(Document& document, const char* stamp);

// Frames first..last that are interlaced are decoded, stored in plain row order and encoded
// again.
void make_non_interlaced(Document& document, std::int32_t first, std::int32_t last);
