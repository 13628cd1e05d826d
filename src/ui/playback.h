// Playback of a document: the play mode (-2 fast backward, -1 backward, 0 stopped, 1
// forward, 2 fast forward) and the one-shot timer that steps frames, each frame staying on
// screen for its own delay; the step keys and the seven playback buttons' actions. The
// timer is a deferred task of the event loop, so the loop's clock drives it.
#pragma once
#include <cstdint>

struct Document;
struct Task;

struct PlaybackState {
    std::int16_t mode = 0;
    Task* timer = nullptr;
};

int previous_index(const Document& document, int index);
int next_index(const Document& document, int index);

// Clamps the mode to -2..2, cancels any pending timer, stores the mode and starts its timer.
void set_play_mode(Document& document, int mode);
void stop_playback(Document& document);

// The seven playback buttons, in order.
enum class PlaybackAction : std::uint8_t { FastBackward, Backward, StopPrevious, Stop, StopNext, Forward, FastForward };
constexpr int kPlaybackActionCount = 7;
void run_playback_action(Document& document, PlaybackAction action);

// A key character of the document window or its panes; true when it was a playback key
// (only documents of more than one frame take them).
bool playback_key(Document& document, std::uint8_t character);
