// The pre-save pass: re-encodes every frame of a document at its smallest. For each frame it
// finds the smallest rectangle that still gives the same animation, decides whether the
// frame still needs to restore the background, picks a transparent index, substitutes
// unchanged pixels where that pays and keeps the shortest of the candidate encodings. Also
// the frame re-mapping that the palette reduction uses after a load. The writer runs the
// pass before it assembles a file; the settings record says which optimizations apply.
#pragma once
#include <cstdint>

#include "document/document.h"

// How unchanged pixels are replaced by the transparent index while a frame is encoded.
enum class SubstitutionMode : std::uint8_t {
    AllUnchanged = 0,  // every unchanged pixel is transparent
    ExtendRuns = 1,    // unchanged pixels that continue a run of the same colour stay
    FillAround = 2,    // unchanged pixels next to changed ones stay
    None = 3,          // only empty pixels are transparent
};

// One row of a candidate: cur is the screen with the frame drawn, prev the screen before it;
// unchanged and empty pixels become the transparent index as the mode allows.
void substitute_row(SubstitutionMode mode, const std::uint8_t* cur, const std::uint8_t* prev, int width,
                    std::uint8_t transparent, std::uint8_t* out);

// Runs the pass over every frame; one progress unit per frame.
void optimize_document(Document& document);

// The transparent index that the settings' rule picks for a frame whose colour usage over
// its rectangle is `usage` (usage_count counters; missing ones count as unused).
std::uint8_t transparent_index_for(std::uint16_t palette_size, const std::uint32_t* usage, std::uint16_t usage_count);
std::uint8_t transparent_index_for(std::uint16_t palette_size, const std::uint32_t* usage, std::uint16_t usage_count,
                                   int rule);

// Colours a frame's encoding must be able to show: one above the highest used index, or
// above the transparent index when the frame is transparent and that is higher.
std::uint16_t colours_needed(std::uint16_t palette_size, const Frame& frame);

// Encodes the frame rectangle with the candidate substitution modes and keeps the shortest
// (the earlier mode on equal length) as the frame's encoding. `before` is the screen before
// the frame is drawn, `after` the screen with it drawn. Returns the mode kept.
SubstitutionMode encode_frame_candidates(const Canvas& before, const Canvas& after, Frame& frame, Disposal disposal,
                                         bool interlaced, std::uint8_t transparent_index, std::uint16_t colour_count);

// Rewrites a frame's pixels through an old-index to new-index map after a palette change:
// merges its colour usage, chooses a new transparent index for the new colour count and
// encodes the rectangle again. Decodes through the document's canvas.
void remap_frame(Document& document, Frame& frame, std::uint16_t old_count, const std::uint8_t* map,
                 std::uint16_t new_count);
