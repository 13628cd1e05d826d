// The desktop program's frame display and playback on one file, offscreen: frames shown per
// second stepping forward and in a random order (each frame composed and painted into the
// window), the lateness of frame changes against the frame delays while playing for a few
// seconds, and the resident memory with the file open.
// Usage: ui_bench FILE.gif [PLAY_SECONDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "framework/event_loop.h"
#include "framework/frame_window.h"
#include "gif/gif_reader.h"
#include "platform/qt/window.h"
#include "ui/document_window.h"
#include "ui/playback.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

long resident_kib()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Shows a frame and lets the loop paint it.
void show_and_paint(DocumentWindow& window, int index)
{
    show_frame(window.document(), index);
    for (int i = 0; i < 20 && platform::WindowNeedsPaint(window.frame_window()->window); ++i)
        PumpNoWait();
}

double frames_per_second(DocumentWindow& window, const std::vector<int>& order)
{
    const Clock::time_point start = Clock::now();
    for (int index : order)
        show_and_paint(window, index);
    return static_cast<double>(order.size()) / seconds_since(start);
}

void measure_playback(DocumentWindow& window, double play_seconds)
{
    Document& d = window.document();
    stop_playback(d);
    show_and_paint(window, 0);
    set_play_mode(d, 1);
    const Clock::time_point start = Clock::now();
    double last_change = 0, total_late = 0, worst_late = 0;
    int last_frame = d.current_frame, changes = 0;
    while (seconds_since(start) < play_seconds) {
        (void)PumpStep(nullptr, true, nullptr);
        if (d.current_frame == last_frame)
            continue;
        const double now = seconds_since(start) * 1000.0;
        const double due = last_change + 10.0 * window.frames()[static_cast<std::size_t>(last_frame)]->delay;
        const double late = now - due;
        if (changes > 0) {  // the first change is measured from the start of play
            total_late += late;
            worst_late = std::max(worst_late, late);
        }
        ++changes;
        last_change = now;
        last_frame = d.current_frame;
    }
    stop_playback(d);
    std::printf("playback: %d frame changes in %.1f s, lateness mean %.2f ms, worst %.2f ms\n", changes, play_seconds,
                changes > 1 ? total_late / (changes - 1) : 0.0, worst_late);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_bench FILE.gif [PLAY_SECONDS]\n");
        return 2;
    }
    const double play_seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
    char* qt_args[] = {argv[0], nullptr};
    if (!FrameworkStart(1, qt_args, 1))
        return 1;
    platform::Window* main = CreateMainWindow();
    platform::WindowSetBounds(main, platform::MakeRect(0, 0, 1280, 960));
    FormatterStart();
    RegisterFileType(2, "gif", ".gif", "GIF Files (.GIF)");
    const long before = resident_kib();
    DocumentWindow* window = DocumentWindow::open(DocumentPtr(open_gif_file(argv[1])));
    if (!window) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    for (int i = 0; i < 50; ++i)
        PumpNoWait();
    Document& d = window->document();
    const long after = resident_kib();
    std::ifstream file(argv[1], std::ios::binary | std::ios::ate);
    std::printf("%s: %d frames, %u x %u, %lld bytes\n", argv[1], d.frame_count, d.screen_width, d.screen_height,
                static_cast<long long>(file.tellg()));
    std::printf("resident: %ld KiB with the file open (%ld KiB before opening it)\n", after, before);
    std::vector<int> forward(static_cast<std::size_t>(d.frame_count));
    for (int i = 0; i < d.frame_count; ++i)
        forward[static_cast<std::size_t>(i)] = i;
    std::vector<int> shuffled = forward;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(42));
    std::vector<int> forward_twice = forward;
    forward_twice.insert(forward_twice.end(), forward.begin(), forward.end());
    std::printf("stepping forward: %.1f frames per second\n", frames_per_second(*window, forward_twice));
    std::printf("random order:     %.1f frames per second\n", frames_per_second(*window, shuffled));
    measure_playback(*window, play_seconds);
    FrameworkEnd();
    return 0;
}
