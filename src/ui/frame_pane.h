// The frame pane: the floating pane of a document window that shows and edits the current
// frame (its number and the frame slider, the playback buttons, start time, delay, the
// user-input and interlace flags, the comment). A refused entry beeps, shows why and puts
// the field back. The document window owns the pane, shows frames and plays; the pane only
// tells it what the user asked for.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/widgets.h"
#include "ui/panel_window.h"

struct Document;
struct Frame;
struct FrameWindow;
struct View;

// The seven playback buttons, in their order in the pane.
enum class PlaybackButton : std::uint8_t {
    FastBackward,
    Backward,
    StepBackward,  // stop and show the previous frame
    Stop,
    StepForward,  // stop and show the next frame
    Forward,
    FastForward
};

// Re-encodes a frame with or without interlacing: its image is decoded with the old flag and
// encoded again from those pixels with the colours it needs. False (nothing changed) when
// the stored image cannot be decoded.
[[nodiscard]] bool set_frame_interlace(Document& document, Frame& frame, bool interlaced);

class FramePane {
public:
    FramePane() = default;
    FramePane(const FramePane&) = delete;
    FramePane& operator=(const FramePane&) = delete;

    // Creates the pane window on the first call (shown, sized to its content, placed down the
    // right edge of the main window; arrange_panes moves it beside the document window).
    void open();
    // Shows frame `frame` of the document in every field. Null (or a document without
    // frames): no current document, the fields are empty and disabled.
    void refresh(Document* document, int frame);

    // An edit changed the document (delay, flags, comment, or the frame's image after an
    // interlace change): the caller marks it changed, redraws the frame (refresh_frame) and
    // refreshes what shows totals.
    std::function<void()> on_document_changed;
    // The user chose a frame (0-based): the slider moved or a frame number was typed.
    std::function<void(int frame)> on_frame_chosen;
    std::function<void(PlaybackButton button)> on_playback;

    PanelWindow& panel() { return m_panel; }

    // The controls, for keyboard focus and tests.
    View* number_field() const { return m_number.view(); }
    View* count_label() const { return m_count.view(); }
    View* slider() const { return m_slider.view(); }
    View* start_label() const { return m_start.view(); }
    View* delay_field() const { return m_delay.view(); }
    View* user_input_box() const { return m_user_input.view(); }
    View* interlaced_box() const { return m_interlaced.view(); }
    View* comment_field() const { return m_comment.view(); }
    View* playback_button(PlaybackButton button) const { return m_buttons[static_cast<int>(button)].view(); }
    // The alert of the last refused entry (null once it has been answered).
    FrameWindow* last_alert() const;

private:
    View* build(View* container);
    void build_frame_row(View* parent);
    void build_buttons(View* parent);
    void build_delay_row(View* parent);
    void set_enabled(bool enabled);
    void show_frame_fields(Frame& frame);
    void refuse(const char* message, int button_string);
    void fit_comment_field();
    Frame* current() const;
    void number_entered(const char* typed);
    void slider_moved(int position);
    void delay_entered(const char* typed);
    void user_input_toggled(bool checked);
    void interlace_toggled(bool checked);
    void comment_changed(const char* text);

    PanelWindow m_panel;
    Document* m_document = nullptr;
    int m_frame = -1;
    int m_slider_count = -1;  // the frame count the slider's range was set for
    TextField m_number;
    Label m_count;
    Slider m_slider;
    Button m_buttons[7];
    Label m_start;
    TextField m_delay;
    CheckBox m_user_input;
    CheckBox m_interlaced;
    TextField m_comment;
    FrameWindow* m_alert = nullptr;
};
