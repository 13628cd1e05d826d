// Saving a document through the extra compression mode (the desktop Save with the option on):
// the default writer builds its file first; the extra mode then rebuilds either the original
// file (a document without edits, whose file still holds every colour) or the default file,
// and the smallest candidate goes to the usual report, question and safe write. A document
// without edits keeps every colour: the default file competes only when it merged none.
// Called by the desktop save commands.
#pragma once
#include <cstdint>
#include <vector>

#include "gif/gif_writer.h"

// `original_path`: the file the document was loaded from (or last saved to) when the document
// has no edits since; null otherwise. When that file no longer has the size the document
// knows, it is not used.
bool save_document_extra(Document& document, SaveMode mode, const char* original_path, SaveSummary* summary = nullptr);
