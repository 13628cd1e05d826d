#include "ui/playback.h"

#include "document/document.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "ui/document_window.h"

namespace {

constexpr int kFastestMode = 2;

PlaybackState* state_of(Document& document)
{
    DocumentWindow* window = DocumentWindow::of(&document);
    return window ? &window->playback() : nullptr;
}

std::uint32_t frame_interval(Document& document, int index, int mode)
{
    if (mode == kFastestMode || mode == -kFastestMode)
        return 0;
    DocumentWindow* window = DocumentWindow::of(&document);
    if (!window || index < 0 || index >= static_cast<int>(window->frames().size()))
        return 0;
    return 10u * window->frames()[static_cast<std::size_t>(index)]->delay;
}

void step_timer(void* argument);

void start_timer(Document& document, PlaybackState& state, std::uint32_t interval)
{
    state.timer = TaskAfter(step_timer, &document, interval);
}

// One step: the successor timer first (timed by the frame about to be shown), then the frame.
void step_timer(void* argument)
{
    Document& document = *static_cast<Document*>(argument);
    PlaybackState* state = state_of(document);
    if (!state)
        return;
    state->timer = nullptr;
    if (state->mode == 0)
        return;
    const int target = state->mode < 0 ? previous_index(document, document.current_frame)
                                       : next_index(document, document.current_frame);
    start_timer(document, *state, frame_interval(document, target, state->mode));
    show_frame(document, target);
}

}  // namespace

int previous_index(const Document& document, int index) { return index == 0 ? document.frame_count - 1 : index - 1; }

int next_index(const Document& document, int index) { return index + 1 == document.frame_count ? 0 : index + 1; }

void set_play_mode(Document& document, int mode)
{
    PlaybackState* state = state_of(document);
    if (!state)
        return;
    if (state->timer) {
        TaskCancel(state->timer);
        state->timer = nullptr;
    }
    mode = mode < -kFastestMode ? -kFastestMode : mode > kFastestMode ? kFastestMode : mode;
    state->mode = static_cast<std::int16_t>(mode);
    if (mode != 0)
        start_timer(document, *state, frame_interval(document, document.current_frame, mode));
}

void stop_playback(Document& document) { set_play_mode(document, 0); }

void run_playback_action(Document& document, PlaybackAction action)
{
    switch (action) {
    case PlaybackAction::FastBackward:
        set_play_mode(document, -2);
        break;
    case PlaybackAction::Backward:
        set_play_mode(document, -1);
        break;
    case PlaybackAction::StopPrevious:
        stop_playback(document);
        show_frame(document, previous_index(document, document.current_frame));
        break;
    case PlaybackAction::Stop:
        stop_playback(document);
        break;
    case PlaybackAction::StopNext:
        stop_playback(document);
        show_frame(document, next_index(document, document.current_frame));
        break;
    case PlaybackAction::Forward:
        set_play_mode(document, 1);
        break;
    case PlaybackAction::FastForward:
        set_play_mode(document, 2);
        break;
    }
}

// The arrow keys by direction: left and right step, up and down change the mode.
bool playback_key(Document& document, std::uint8_t character)
{
    if (document.frame_count <= 1)
        return false;
    PlaybackState* state = state_of(document);
    const int mode = state ? state->mode : 0;
    switch (character) {
    case key_char::escape:
        stop_playback(document);
        return true;
    case key_char::left:
        run_playback_action(document, PlaybackAction::StopPrevious);
        return true;
    case key_char::up:
        set_play_mode(document, mode - 1);
        return true;
    case key_char::right:
        run_playback_action(document, PlaybackAction::StopNext);
        return true;
    case key_char::down:
        set_play_mode(document, mode + 1);
        return true;
    case ' ':
        set_play_mode(document, mode == 0 ? 1 : 0);
        return true;
    default:
        return false;
    }
}
