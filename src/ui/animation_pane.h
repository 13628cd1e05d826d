// The animation pane: the floating pane of a document window that shows and edits what
// belongs to the whole animation: its size and file size, frame count and running time,
// colour count, looping, the background colour and the two document comments. A refused
// entry beeps, shows why and puts the field back. The document window owns the pane.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/widgets.h"
#include "ui/panel_window.h"

struct Document;
struct FrameWindow;

// What the count field accepts: a whole number from 1 on; 65536 and more become 65535.
enum class LoopCountVerdict : std::uint8_t { Accepted, NotANumber, BelowOne, TooMany };
struct LoopCountEntry {
    LoopCountVerdict verdict = LoopCountVerdict::NotANumber;
    std::uint16_t count = 0;  // the count to store (Accepted, TooMany)
};
[[nodiscard]] LoopCountEntry read_loop_count(const char* text);

// The background colour as typed ("255,128,0" in the form of the string tables); false when
// the text does not read as three channels from 0 to 255.
[[nodiscard]] bool read_background_colour(const char* text, std::uint8_t rgb[3]);

class AnimationPane {
public:
    AnimationPane() = default;
    AnimationPane(const AnimationPane&) = delete;
    AnimationPane& operator=(const AnimationPane&) = delete;

    // Creates the pane window on the first call, later calls show it again.
    void open();
    // Shows the document in every field; null: the fields are empty and disabled.
    void refresh(Document* document);
    // The size, frame and colour lines only (after a save, a delay change, a scaling).
    void refresh_lines();
    // The comment fields from the document (after the comments changed elsewhere).
    void refresh_comments();

    // An edit changed the document (looping, background, a comment).
    std::function<void()> on_document_changed;
    // The background colour changed: the document window is drawn again.
    std::function<void()> on_background_changed;
    // The colour chooser, replaceable for tests: true and the chosen colour (16 bits per
    // channel), false when cancelled. Unset: the platform's chooser.
    std::function<bool(const SwatchColour& initial, SwatchColour* chosen)> choose_colour;

    PanelWindow& panel() { return m_panel; }
    Label& size_line() { return m_size; }
    Label& frame_line() { return m_frames; }
    Label& colour_line() { return m_colours; }
    PopupMenu& loop_choice() { return m_loop; }
    TextField& count_field() { return m_count; }
    Label& count_label() { return m_count_label; }
    Swatch& swatch() { return m_swatch; }
    TextField& colour_field() { return m_colour; }
    TextField& leading_field() { return m_leading; }
    TextField& trailing_field() { return m_trailing; }
    // The alert of the last refused entry (null once it has been answered).
    FrameWindow* last_alert() const;

    void on_loop_chosen(int choice);
    void on_count_entered(const char* typed);
    void on_colour_entered(const char* typed);
    void on_swatch_clicked();
    void on_comment_changed(bool leading, const char* text);

private:
    View* build(View* container);
    void build_loop_row(View* parent);
    void build_colour_row(View* parent);
    void build_comments(View* parent);
    void show_looping();
    void show_background();
    void set_background(const std::uint8_t rgb[3]);
    void set_enabled(bool enabled);
    void refuse(const char* message, int button_string);
    void changed();

    PanelWindow m_panel;
    Document* m_document = nullptr;
    Label m_size, m_frames, m_colours, m_count_label;
    PopupMenu m_loop;
    TextField m_count, m_colour, m_leading, m_trailing;
    Swatch m_swatch;
    FrameWindow* m_alert = nullptr;
};
