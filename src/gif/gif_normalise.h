// The normalisation that ends every load: one shared palette of at most 255 colours with the
// background colour parked in entry 255, frames that restore the previous image rewritten
// as frames that restore the background, a snapshot of the composed screen on every eighth
// frame, and the display buffers. Called by the reader only.
#pragma once
#include <cstdint>

#include "document/document.h"

// `units` is the progress the caller reserved for each of the three phases.
void normalise_document(Document& document, std::uint32_t units);
