// The range pane: the floating pane of a document window that applies an operation to a
// range of frames: scaling their delays within limits, clearing their comments, or making
// them non-interlaced. The range is typed as two frame numbers or set with a slider of two
// thumbs. The pane's state (range, mode, factor, limits) lives as long as the pane: the
// document window destroys the pane to hide it, and a new one starts afresh.
#pragma once
#include <cstdint>
#include <functional>

#include "framework/widgets.h"
#include "ui/panel_window.h"

struct Document;
struct FrameWindow;
struct KeyEvent;

enum class RangeMode : std::uint8_t { Delays, Comments, Interlace };

// The factor slider's scale: position p (0 to 100) is 10 ^ ((p - 50) / 50); a factor is at
// 0 below 0.1, at 100 from 10 on, else at truncate(50.5 + 50 x log10(factor)).
[[nodiscard]] double factor_at_position(int position);
[[nodiscard]] int position_of_factor(double factor);

// What the factor field accepts: a number (a fraction allowed) that is not negative.
enum class FactorVerdict : std::uint8_t { Accepted, Unreadable, Negative };
struct FactorEntry {
    FactorVerdict verdict = FactorVerdict::Unreadable;
    double factor = 0;
};
[[nodiscard]] FactorEntry read_factor(const char* text);

// Where a range key moves the range (28: first back, 29: last back, 30: first on, 31: last
// on, each wrapping around the frame list), ordered. False for other keys.
struct FrameRange {
    int first = 0;
    int last = 0;
};
[[nodiscard]] bool range_after_key(int key, FrameRange range, int frame_count, FrameRange* moved);

class RangePane {
public:
    RangePane() = default;
    RangePane(const RangePane&) = delete;
    RangePane& operator=(const RangePane&) = delete;

    // Builds the pane for a document with at least one frame (false otherwise) and sets the
    // range to the first frame in delays mode. A pane that exists is brought to the front.
    [[nodiscard]] bool open(Document* document);
    // The document's frames changed in number (or it went away): the range stays inside.
    void refresh(Document* document);

    // first and last are ordered; each end that changed is stored and shown, the slider moves
    // unless the change came from it (source 1), and when only one end changed its frame is
    // shown.
    void set_range(int first, int last, int source);
    // Keys 28 to 31 move the ends; true when the key was one of them.
    bool key(const KeyEvent& event);
    void set_mode(RangeMode mode);

    // Show a frame (0-based) in the document window.
    std::function<void(int frame)> on_frame_chosen;
    // The frames' delays, comments or images changed: the frame pane, the animation pane's
    // lines and the document window are refreshed by the owner.
    std::function<void()> on_document_changed;

    PanelWindow& panel() { return m_panel; }
    int first() const { return m_first; }
    int last() const { return m_last; }
    RangeMode mode() const { return m_mode; }
    double factor() const { return m_factor; }
    std::uint32_t lower_limit() const { return m_lower; }
    std::uint32_t upper_limit() const { return m_upper; }
    TextField& first_field() { return m_first_field; }
    TextField& last_field() { return m_last_field; }
    RangeSlider& range_slider() { return m_slider; }
    TextField& factor_field() { return m_factor_field; }
    Slider& factor_slider() { return m_factor_slider; }
    TextField& lower_field() { return m_lower_field; }
    TextField& upper_field() { return m_upper_field; }
    Button& limits_button() { return m_limits_button; }
    Button& action_button(RangeMode mode) { return m_action[static_cast<int>(mode)]; }
    ChoiceButton& mode_button(RangeMode mode) { return m_mode_buttons[static_cast<int>(mode)]; }
    FrameWindow* last_alert() const;

    void on_end_entered(bool first_end, const char* typed);
    void on_factor_entered(const char* typed);
    void on_factor_slider(int position);
    void on_limit_entered(bool lower, const char* typed);
    void on_limits_button();
    void run_action(RangeMode mode);

private:
    View* build(View* container);
    void build_range_rows(View* parent);
    void build_delays(View* parent);
    void build_limits(View* parent);
    void build_action(View* parent, RangeMode mode, int text);
    void show_factor();
    void show_limits();
    void show_limits_shown();
    void show_end(bool first_end);
    void refuse(const char* message, int button_string);
    void changed();

    PanelWindow m_panel;
    Document* m_document = nullptr;
    int m_first = -1, m_last = -1;
    RangeMode m_mode = RangeMode::Delays;
    double m_factor = 1.0;
    std::uint32_t m_lower = 1, m_upper = 65535;
    TextField m_first_field, m_last_field, m_factor_field, m_lower_field, m_upper_field;
    RangeSlider m_slider;
    Slider m_factor_slider;
    ChoiceButton m_mode_buttons[3];
    View* m_mode_content[3] = {};
    View* m_limits_intro = nullptr;
    View* m_limits_group = nullptr;
    Button m_limits_button;
    Button m_action[3];
    FrameWindow* m_alert = nullptr;
};
