// The palette reduction that ends a load: gives an animation one shared palette of at most
// 255 colours, merging the colours of all frames by cost when frames had local tables
// (unify) or dropping unused and duplicate entries of the global table (compact), and
// re-maps every frame to it. Called by the reader's normalisation.
#pragma once
#include <cstdint>

#include "document/document.h"

// Pools every frame's colours (local table, else the global one) and reduces them to one
// global palette; frames still carry their load-time palette size and local table. Reports
// `units` of progress spread over the frames.
void unify_palettes(Document& document, std::uint32_t units);
// Reduces the global palette to the colours that pixels use and re-maps the frames and the
// background index; sets the 256-colour flag when 256 distinct colours are in use.
void compact_global_palette(Document& document, std::uint32_t units);

// The palette shown by an animation that has no global table: a grey ramp, entry i = (i,i,i).
const std::uint8_t* default_palette();
