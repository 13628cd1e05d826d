// Editable text fields, one-line and multi-line (CR separates lines): caret, selection by
// mouse and Shift+arrows, clipboard cut/copy/paste, undo of the last edit, and change
// notification. The editing rules are a plain value (TextEdit) so that the combo field can
// share them; the field view draws them with the style's sunken frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "framework/control.h"

struct TextEdit {
    std::string text;
    std::size_t caret = 0;
    std::size_t anchor = 0;  // the other end of the selection (== caret: none)
    bool multi_line = false;
    // One level of undo: the text and caret before the last edit.
    std::string undo_text;
    std::size_t undo_caret = 0;
    bool has_undo = false;
    int last_action = 0;  // consecutive typing joins one undo step

    bool has_selection() const { return caret != anchor; }
    std::size_t selection_start() const { return caret < anchor ? caret : anchor; }
    std::size_t selection_end() const { return caret < anchor ? anchor : caret; }
    std::string selected() const { return text.substr(selection_start(), selection_end() - selection_start()); }

    void set(const char* value);
    // Replaces the selection with the bytes (one-line fields drop line breaks).
    void insert(const std::string& bytes, int action);
    void backspace();
    void delete_forward();
    enum class Move : std::uint8_t { left, right, up, down, home, end, text_start, text_end };
    void move(Move how, bool extend);
    void select_all();
    // True when something changed.
    bool undo();
    // Clipboard operations through the platform clipboard.
    void copy() const;
    bool cut();
    bool paste();
    // Line of a byte offset and the offset where that line starts.
    std::size_t line_start(std::size_t at) const;
    std::size_t line_end(std::size_t at) const;
    int line_count() const;
};

View* FieldNew(View* parent, const char* text, bool multi_line, int width, int height);
// Called with the text after every edit the user makes.
void FieldOnChange(View* field, std::function<void(const char*)> callback);
// Called with the text when the user finishes an entry: Return in a one-line field, or the
// focus leaving a field whose text changed since it came.
void FieldOnCommit(View* field, std::function<void(const char*)> callback);
const char* FieldText(View* field);
// Replaces the text without notifying; the selection goes to the end.
void FieldSetText(View* field, const char* text);
TextEdit& FieldEdit(View* field);
// Offers a key to the field as if it had the focus; true when taken.
bool FieldKey(View* field, const KeyEvent& key);
bool ViewIsField(const View* view);
