// Static texts: labels (CR breaks lines; wrapped to a width once one is set), headings,
// one-line text controls and clickable texts that act as buttons (links). Each sizes itself
// to its text; changing the text lays the parent out again.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/control.h"

enum class LabelKind : std::uint8_t { label, heading, text_line, clickable };

View* LabelNew(View* parent, LabelKind kind, const char* text, TextStyle style);
// A clickable text calls it when clicked (or Space or Return while focused).
void LabelOnClick(View* label, std::function<void()> callback);
// Two values kept with a clickable text for its owner.
void LabelSetValues(View* label, std::uintptr_t value1, std::uintptr_t value2);
void LabelValues(View* label, std::uintptr_t* value1, std::uintptr_t* value2);
const char* LabelText(View* label);
// Replaces the text, sizes the label to it and lays the parent out again.
void LabelSetText(View* label, const char* text);
// The same only when the text differs from the shown one; true when it changed.
bool LabelSetTextIfDifferent(View* label, const char* text);
// Wraps the text to the width from now on (0: back to the natural width).
void LabelSetWrapWidth(View* label, int width);
void LabelSetAlign(View* label, platform::Align align);
bool ViewIsLabel(const View* view);
// How often a label has been laid out for a changed text (tests).
std::uint32_t LabelRelayoutCount(View* label);
