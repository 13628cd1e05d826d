#include "framework/control_field.h"

#include <algorithm>
#include <vector>

#include "foundation/heap_string.h"
#include "platform/qt/system.h"
#include "platform/qt/window.h"

// ---- Editing rules

namespace {

constexpr char kLineBreak = 13;
constexpr int kTyping = 1;

std::string one_line(const std::string& bytes)
{
    std::string out;
    for (char c : bytes)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

// Pasted line ends (LF, CR LF) become the program's CR.
std::string program_lines(const std::string& bytes)
{
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            continue;
        out += bytes[i] == '\n' ? kLineBreak : bytes[i];
    }
    return out;
}

}  // namespace

void TextEdit::set(const char* value)
{
    text = value != nullptr ? value : "";
    caret = anchor = text.size();
    has_undo = false;
    last_action = 0;
}

void TextEdit::insert(const std::string& bytes, int action)
{
    const std::string clean = multi_line ? program_lines(bytes) : one_line(bytes);
    if (clean.empty() && !has_selection())
        return;
    if (action == 0 || action != last_action || has_selection()) {
        undo_text = text;
        undo_caret = caret;
        has_undo = true;
    }
    last_action = action;
    const std::size_t start = selection_start();
    text.replace(start, selection_end() - start, clean);
    caret = anchor = start + clean.size();
}

void TextEdit::backspace()
{
    if (!has_selection()) {
        if (caret == 0)
            return;
        anchor = caret - 1;
    }
    insert(std::string(), 0);
}

void TextEdit::delete_forward()
{
    if (!has_selection()) {
        if (caret >= text.size())
            return;
        anchor = caret + 1;
    }
    insert(std::string(), 0);
}

std::size_t TextEdit::line_start(std::size_t at) const
{
    while (at > 0 && text[at - 1] != kLineBreak)
        --at;
    return at;
}

std::size_t TextEdit::line_end(std::size_t at) const
{
    while (at < text.size() && text[at] != kLineBreak)
        ++at;
    return at;
}

int TextEdit::line_count() const { return 1 + static_cast<int>(std::count(text.begin(), text.end(), kLineBreak)); }

void TextEdit::move(Move how, bool extend)
{
    last_action = 0;
    // Without Shift, Left and Right first collapse a selection to its side.
    if (!extend && has_selection() && (how == Move::left || how == Move::right)) {
        caret = anchor = how == Move::left ? selection_start() : selection_end();
        return;
    }
    std::size_t at = caret;
    switch (how) {
    case Move::left:
        at = at > 0 ? at - 1 : 0;
        break;
    case Move::right:
        at = std::min(at + 1, text.size());
        break;
    case Move::home:
        at = line_start(at);
        break;
    case Move::end:
        at = line_end(at);
        break;
    case Move::text_start:
        at = 0;
        break;
    case Move::text_end:
        at = text.size();
        break;
    case Move::up:
    case Move::down: {
        const std::size_t start = line_start(at);
        const std::size_t column = at - start;
        if (how == Move::up) {
            if (start == 0) {
                at = 0;
                break;
            }
            const std::size_t previous = line_start(start - 1);
            at = std::min(previous + column, start - 1);
        } else {
            const std::size_t end = line_end(at);
            if (end >= text.size()) {
                at = text.size();
                break;
            }
            at = std::min(end + 1 + column, line_end(end + 1));
        }
        break;
    }
    }
    caret = at;
    if (!extend)
        anchor = caret;
}

void TextEdit::select_all()
{
    anchor = 0;
    caret = text.size();
    last_action = 0;
}

bool TextEdit::undo()
{
    if (!has_undo)
        return false;
    // Undoing twice redoes: the state before the undo becomes the one to go back to.
    std::swap(text, undo_text);
    std::swap(caret, undo_caret);
    caret = std::min(caret, text.size());
    anchor = caret;
    last_action = 0;
    return true;
}

void TextEdit::copy() const
{
    if (has_selection())
        platform::ClipboardSetText(selected().c_str());
}

bool TextEdit::cut()
{
    if (!has_selection())
        return false;
    copy();
    insert(std::string(), 0);
    return true;
}

bool TextEdit::paste()
{
    const std::string clip = platform::ClipboardText();
    if (clip.empty())
        return false;
    insert(clip, 0);
    return true;
}

// ---- The field view

namespace {

constexpr int kPadX = 4;
constexpr int kPadY = 3;

struct FieldData : ViewRecord {
    TextEdit edit;
    int min_height = 0;
    int scroll_x = 0;
    bool selecting = false;
    bool modified_since_focus = false;
    std::function<void(const char*)> on_change;
    std::function<void(const char*)> on_commit;
};

FieldData* field(View* view) { return ViewRecordOf<FieldData>(view); }

const platform::Font* field_font() { return ControlFont(TextStyle::normal); }

int line_height() { return platform::FontMetricsOf(field_font()).line_spacing; }

int wanted_height(FieldData* data)
{
    const int lines = data->edit.multi_line ? data->edit.line_count() : 1;
    return std::max(data->min_height, lines * line_height() + 2 * kPadY);
}

// Offsets of the caret positions of one line.
std::vector<int> caret_offsets(const std::string& text, std::size_t start, std::size_t end)
{
    const int length = static_cast<int>(end - start);
    std::vector<int> offsets(static_cast<std::size_t>(length) + 1, 0);
    platform::TextCaretOffsets(field_font(), text.c_str() + start, length, offsets.data(), length + 1);
    return offsets;
}

int caret_x(FieldData* data, std::size_t at)
{
    const std::size_t start = data->edit.line_start(at);
    const std::size_t end = data->edit.line_end(at);
    return caret_offsets(data->edit.text, start, end)[at - start];
}

// Keeps the caret inside the visible width.
void follow_caret(View* view, FieldData* data)
{
    const int inner = view->width - 2 * kPadX;
    const int x = caret_x(data, data->edit.caret);
    if (x - data->scroll_x > inner - 1)
        data->scroll_x = x - inner + 1;
    if (x < data->scroll_x)
        data->scroll_x = x;
    data->scroll_x = std::max(data->scroll_x, 0);
}

std::size_t offset_at(View* view, FieldData* data, int x, int y)
{
    const TextEdit& e = data->edit;
    int line = data->edit.multi_line ? (y - view->y - kPadY) / line_height() : 0;
    line = std::clamp(line, 0, e.line_count() - 1);
    std::size_t start = 0;
    for (int i = 0; i < line; ++i)
        start = e.line_end(start) + 1;
    const std::size_t end = e.line_end(start);
    const std::vector<int> offsets = caret_offsets(e.text, start, end);
    const int local = x - view->x - kPadX + data->scroll_x;
    std::size_t best = 0;
    for (std::size_t i = 0; i < offsets.size(); ++i)
        if (std::abs(offsets[i] - local) < std::abs(offsets[best] - local))
            best = i;
    return start + best;
}

void changed(View* view, FieldData* data)
{
    data->modified_since_focus = true;
    const int height = wanted_height(data);
    if (height != view->height)
        ViewSetSize(view, view->width, height);
    follow_caret(view, data);
    ViewInvalidate(view);
    if (data->on_change)
        data->on_change(data->edit.text.c_str());
}

void draw_line(platform::Surface* surface, View* view, FieldData* data, std::size_t start, int top)
{
    const TextEdit& e = data->edit;
    const std::size_t end = e.line_end(start);
    const int left = view->x + kPadX - data->scroll_x;
    const platform::Font* font = field_font();
    const bool focused = (ControlState(view) & platform::control_state::focused) != 0;
    const std::size_t sel_a = std::max(e.selection_start(), start);
    const std::size_t sel_b = std::min(e.selection_end(), end);
    const std::vector<int> offsets = caret_offsets(e.text, start, end);
    if (e.has_selection() && sel_a <= sel_b && (sel_a < sel_b || (e.selection_end() > end && sel_a <= end))) {
        int from = offsets[sel_a - start];
        int to = offsets[sel_b - start];
        if (e.selection_end() > end)
            to += 4;  // the selected line break
        const platform::Colour back = focused ? ControlColour(platform::SystemColour::highlight)
                                              : ColourMix(ControlColour(platform::SystemColour::base), 0, 40);
        platform::DrawFillRect(surface, platform::MakeRect(left + from, top, to - from, line_height()), back);
    }
    const platform::Colour ink = ViewIsEnabled(view) ? ControlColour(platform::SystemColour::text)
                                                     : ControlColour(platform::SystemColour::disabled_text);
    platform::DrawText(surface, left, top, e.text.c_str() + start, font, ink, static_cast<int>(end - start));
    if (focused && e.has_selection() && sel_a < sel_b) {
        // Selected text in the highlighted colour, drawn over the plain text.
        platform::DrawPushClip(surface,
                               platform::MakeRect(left + offsets[sel_a - start], top,
                                                  offsets[sel_b - start] - offsets[sel_a - start], line_height()));
        platform::DrawText(surface, left, top, e.text.c_str() + start, font,
                           ControlColour(platform::SystemColour::highlighted_text), static_cast<int>(end - start));
        platform::DrawPopClip(surface);
    }
    if (focused && !e.has_selection() && e.caret >= start && e.caret <= end) {
        const int x = left + offsets[e.caret - start];
        platform::DrawLine(surface, x, top + 1, x, top + line_height() - 2, ink);
    }
}

void field_draw(View* view, const Rect& /*area*/)
{
    FieldData* data = field(view);
    platform::Surface* surface = ViewSurface(view);
    if (surface == nullptr)
        return;
    const Rect r = ViewRect(view);
    platform::DrawTextFieldFrame(surface, r, ControlState(view));
    platform::DrawPushClip(surface, ControlInset(r, 2, 2));
    const int lines = data->edit.multi_line ? data->edit.line_count() : 1;
    const int first_top = data->edit.multi_line ? r.top + kPadY : r.top + (view->height - line_height()) / 2;
    std::size_t start = 0;
    for (int i = 0; i < lines; ++i) {
        draw_line(surface, view, data, start, first_top + i * line_height());
        start = data->edit.line_end(start) + 1;
    }
    platform::DrawPopClip(surface);
}

void field_set_size(View* view, int width, int height)
{
    ViewDefaultSetSize(view, width, std::max(height, wanted_height(field(view))));
}

void field_mouse_down(View* view, std::uint8_t modifiers, int x, int y)
{
    FieldData* data = field(view);
    const std::size_t at = offset_at(view, data, x, y);
    data->edit.caret = at;
    if ((modifiers & platform::modifier::shift) == 0)
        data->edit.anchor = at;
    data->edit.last_action = 0;
    data->selecting = true;
    ViewInvalidate(view);
}

void field_mouse_drag(View* view, std::uint8_t /*modifiers*/, int x, int y)
{
    FieldData* data = field(view);
    if (!data->selecting)
        return;
    data->edit.caret = offset_at(view, data, x, y);
    follow_caret(view, data);
    ViewInvalidate(view);
}

void field_mouse_up(View* view, std::uint8_t /*modifiers*/, int /*x*/, int /*y*/) { field(view)->selecting = false; }

void commit(FieldData* data)
{
    data->modified_since_focus = false;
    if (data->on_commit)
        data->on_commit(data->edit.text.c_str());
}

void field_focus(View* view, bool gained)
{
    FieldData* data = field(view);
    if (gained) {
        data->modified_since_focus = false;
        return;
    }
    data->edit.anchor = data->edit.caret;
    if (data->modified_since_focus)
        commit(data);
}

bool control_key(View* view, FieldData* data, std::uint8_t character)
{
    TextEdit& e = data->edit;
    switch (character | 0x20) {
    case 'a':
        e.select_all();
        ViewInvalidate(view);
        return true;
    case 'c':
        e.copy();
        return true;
    case 'x':
        if (e.cut())
            changed(view, data);
        return true;
    case 'v':
        if (e.paste())
            changed(view, data);
        return true;
    case 'z':
        if (e.undo())
            changed(view, data);
        return true;
    default:
        return false;
    }
}

// The caret keys: true when the key moved the caret (or the selection's end).
bool move_key(View* view, FieldData* data, std::uint8_t c, bool shift, bool control)
{
    TextEdit& e = data->edit;
    using Move = TextEdit::Move;
    switch (c) {
    case key_char::left:
        e.move(Move::left, shift);
        break;
    case key_char::right:
        e.move(Move::right, shift);
        break;
    case key_char::up:
        e.move(e.multi_line ? Move::up : Move::home, shift);
        break;
    case key_char::down:
        e.move(e.multi_line ? Move::down : Move::end, shift);
        break;
    case key_char::home:
        e.move(control ? Move::text_start : Move::home, shift);
        break;
    case key_char::end:
        e.move(control ? Move::text_end : Move::end, shift);
        break;
    default:
        return false;
    }
    follow_caret(view, data);
    ViewInvalidate(view);
    return true;
}

// Deleting, line breaks, Return and typed characters.
bool edit_key(View* view, FieldData* data, const KeyEvent& key)
{
    TextEdit& e = data->edit;
    const std::uint8_t c = key.character;
    switch (c) {
    case key_char::back:
        e.backspace();
        changed(view, data);
        return true;
    case key_char::del:
        e.delete_forward();
        changed(view, data);
        return true;
    case key_char::tab:
    case key_char::escape:
        return false;
    case key_char::ret:
    case key_char::enter:
        if (!e.multi_line) {
            commit(data);
            return true;
        }
        e.insert(std::string(1, kLineBreak), 0);
        changed(view, data);
        return true;
    default:
        break;
    }
    if (c < 32 || (key.modifiers & (platform::modifier::control | platform::modifier::alt)) != 0)
        return false;
    e.insert(std::string(1, static_cast<char>(c)), kTyping);
    changed(view, data);
    return true;
}

bool field_key(View* view, const KeyEvent& key)
{
    FieldData* data = field(view);
    const bool shift = (key.modifiers & platform::modifier::shift) != 0;
    const bool control = (key.modifiers & platform::modifier::control) != 0;
    const std::uint8_t c = key.character;
    // With Ctrl held the character may be the letter or nothing; the key code tells then.
    const std::uint8_t letter =
        c != 0 ? c : (key.key >= 'A' && key.key <= 'Z' ? static_cast<std::uint8_t>(key.key) : 0);
    if (control && ((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')))
        return control_key(view, data, letter);
    if (move_key(view, data, c, shift, control))
        return true;
    return edit_key(view, data, key);
}

const ViewClass kFieldClass = [] {
    ViewClass c;
    c.name = "text field";
    c.draw = field_draw;
    c.set_size = field_set_size;
    c.mouse_down = field_mouse_down;
    c.mouse_drag = field_mouse_drag;
    c.mouse_up = field_mouse_up;
    c.key = field_key;
    c.focus = field_focus;
    c.takes_focus = true;
    c.cursor = static_cast<std::uint8_t>(platform::CursorShape::ibeam);
    return c;
}();

}  // namespace

View* FieldNew(View* parent, const char* text, bool multi_line, int width, int height)
{
    auto record = std::make_unique<FieldData>();
    FieldData* data = record.get();
    data->edit.multi_line = multi_line;
    data->edit.set(text);
    const platform::Size natural =
        platform::ControlNaturalSize(platform::ControlKind::text_field, "", ControlFont(TextStyle::normal));
    data->min_height = height > 0 ? height : natural.height;
    View* view = ViewNewChild(&kFieldClass, parent, 0, 0, std::move(record));
    ViewDefaultSetSize(view, width > 0 ? width : natural.width, wanted_height(data));
    ViewShow(view, 0);
    return view;
}

const char* FieldText(View* view) { return field(view)->edit.text.c_str(); }

void FieldSetText(View* view, const char* text)
{
    FieldData* data = field(view);
    if (data->edit.text == (text != nullptr ? text : ""))
        return;
    data->edit.set(text);
    data->scroll_x = 0;
    const int height = wanted_height(data);
    if (height != view->height)
        ViewSetSize(view, view->width, height);
    ViewInvalidate(view);
}

void FieldOnChange(View* view, std::function<void(const char*)> callback)
{
    field(view)->on_change = std::move(callback);
}

void FieldOnCommit(View* view, std::function<void(const char*)> callback)
{
    field(view)->on_commit = std::move(callback);
}

TextEdit& FieldEdit(View* view) { return field(view)->edit; }

bool FieldKey(View* view, const KeyEvent& key) { return field_key(view, key); }

bool ViewIsField(const View* view) { return view->cls == &kFieldClass; }
