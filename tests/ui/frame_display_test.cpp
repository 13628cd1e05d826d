// The composed screen at every frame, whatever order frames are shown in: checked against
// Pillow composing each corpus file in order, and the area said to change against the
// pixels that did. Also where composing starts (snapshots, whole-screen frames).
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/formatter.h"
#include "support/corpus.h"
#include "ui/frame_display.h"
#include "ui_support.h"

namespace {

constexpr int kMostFrames = 300;
constexpr int kMostColours = 255;  // more are merged on loading: the colours then differ

struct Reference {
    int frames = 0;
    int colours = 0;
    int width = 0, height = 0;
    std::vector<std::uint32_t> crcs;
};

std::map<std::string, Reference> references(const std::vector<std::filesystem::path>& files)
{
    std::string command = "/usr/bin/python3 " QUILLON_COMPOSE_REFERENCE;
    for (const auto& file : files)
        command += " '" + file.string() + "'";
    std::map<std::string, Reference> out;
    std::istringstream lines(CommandOutput(command));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name, count;
        fields >> name >> count;
        if (count == "error")
            continue;
        Reference r;
        r.frames = std::stoi(count);
        fields >> r.colours >> r.width >> r.height;
        for (std::uint32_t crc; fields >> crc;)
            r.crcs.push_back(crc);
        out[name] = r;
    }
    return out;
}

// The screen as RGB rows, empty pixels in the background colour (palette entry 255).
std::uint32_t screen_crc(const Document& document)
{
    std::vector<std::uint8_t> rgb(document.canvas.size() * 3);
    const std::uint8_t* palette = document.palette.get();
    for (std::size_t i = 0; i < document.canvas.size(); ++i)
        std::memcpy(&rgb[i * 3], palette + document.canvas.pixels.get()[i] * 3, 3);
    return static_cast<std::uint32_t>(crc32(0, rgb.data(), static_cast<uInt>(rgb.size())));
}

// Pixels that differ between two canvases and lie outside the area: the first one, if any.
bool changed_outside(const Canvas& before, const Canvas& after, const ScreenRect& area, int* x, int* y)
{
    for (int row = 0; row < after.height; ++row)
        for (int column = 0; column < after.width; ++column) {
            const std::size_t i = static_cast<std::size_t>(row) * after.width + column;
            if (before.pixels.get()[i] == after.pixels.get()[i])
                continue;
            if (row >= area.top && row < area.bottom && column >= area.left && column < area.right)
                continue;
            *x = column;
            *y = row;
            return true;
        }
    return false;
}

// Each frame once in a shuffled order, then as many random jumps again.
std::vector<int> visiting_order(int frames, unsigned seed)
{
    std::vector<int> order(static_cast<std::size_t>(frames));
    for (int i = 0; i < frames; ++i)
        order[static_cast<std::size_t>(i)] = i;
    std::mt19937 random(seed);
    std::shuffle(order.begin(), order.end(), random);
    std::uniform_int_distribution<int> any(0, frames - 1);
    for (int i = 0; i < frames; ++i)
        order.push_back(any(random));
    return order;
}

// False when the reader kept a different number of frames or a different screen than the
// reference decoder (they disagree on where damage ends a file, or the reader widened the
// screen to hold a frame): such a file is not compared.
bool check_file(const std::filesystem::path& path, const Reference& reference)
{
    DocumentPtr document = test_corpus::load(path);
    if (!document || document->frame_count != reference.frames || document->screen_width != reference.width ||
        document->screen_height != reference.height)
        return false;
    std::vector<Frame*> frames = frame_table(*document);
    document->current_frame = -1;
    Canvas before;
    for (int n : visiting_order(reference.frames, 1234)) {
        if (n == document->current_frame)
            continue;
        const bool known = document->current_frame >= 0;
        if (known) {
            canvas_resize(before, document->canvas.width, document->canvas.height);
            std::memcpy(before.pixels.get(), document->canvas.pixels.get(), document->canvas.size());
        }
        const ScreenRect area = compose_frame(*document, frames, n);
        const int from = document->current_frame;
        document->current_frame = n;
        if (screen_crc(*document) != reference.crcs[static_cast<std::size_t>(n)]) {
            ADD_FAILURE() << path.filename() << " frame " << n << " shown after frame " << from;
            return true;
        }
        int x = 0, y = 0;
        if (known && changed_outside(before, document->canvas, area, &x, &y)) {
            ADD_FAILURE() << path.filename() << ": frame " << from << " to " << n << " changed (" << x << ", " << y
                          << ") outside the repaint area";
            return true;
        }
    }
    return true;
}

TEST(FrameDisplay, ShowingFramesInAnyOrderGivesPillowsScreens)
{
    FormatterStart();
    std::vector<std::filesystem::path> files = test_corpus::files();
    if (files.empty())
        GTEST_SKIP() << "no corpus (QUILLON_SHARED unset)";
    const std::map<std::string, Reference> expected = references(files);
    ASSERT_FALSE(expected.empty()) << "Pillow gave no reference screens";
    int checked = 0;
    for (const auto& path : files) {
        const auto found = expected.find(path.filename().string());
        if (found == expected.end() || found->second.frames > kMostFrames || found->second.colours > kMostColours)
            continue;
        SCOPED_TRACE(path.filename().string());
        if (check_file(path, found->second))
            ++checked;
    }
    EXPECT_GE(checked, 40);
}

// ---- Where composing starts, on frames made for the purpose (no image data is read).

struct Layout {
    int frames = 21;
    std::vector<int> opaque_whole;  // opaque frames covering the screen
    std::vector<int> clears_whole;  // transparent whole-screen frames with disposal 2
};

struct Fixture {
    DocumentPtr document{new_document()};
    std::vector<FramePtr> owned;
    std::vector<Frame*> frames;

    explicit Fixture(const Layout& layout)
    {
        document->screen_width = 40;
        document->screen_height = 30;
        for (int i = 0; i < layout.frames; ++i) {
            FramePtr frame(new_frame());
            frame->rect = ScreenRect{2, 2, 10, 10};  // a small part of the screen
            frame->transparent = 1;
            if (i % 8 == 7)
                frame->snapshot = std::make_unique<Snapshot>();
            auto has = [i](const std::vector<int>& v) { return std::find(v.begin(), v.end(), i) != v.end(); };
            if (has(layout.opaque_whole) || has(layout.clears_whole))
                frame->rect = ScreenRect{0, 0, 30, 40};
            if (has(layout.opaque_whole))
                frame->transparent = 0;
            if (has(layout.clears_whole))
                frame->disposal = Disposal::RestoreBackground;
            frames.push_back(frame.get());
            owned.push_back(std::move(frame));
        }
    }
};

TEST(FrameDisplay, ComposingStartsAtTheNearestUsableFrame)
{
    const struct {
        const char* what;
        Layout layout;
        int target;
        ComposeStart expected;
    } cases[] = {
        {"index 17 from the snapshot of index 15", {}, 17, {15, true}},
        {"a snapshot at the target itself", {}, 15, {15, true}},
        {"index 5 before the first snapshot: from the empty screen", {}, 5, {0, false}},
        {"the first frame", {}, 0, {0, false}},
        {"an opaque whole-screen frame after the snapshot", {21, {16}, {}}, 17, {16, false}},
        {"an opaque whole-screen target", {21, {17}, {}}, 17, {17, false}},
        {"a whole-screen frame that clears, before the target", {21, {}, {16}}, 17, {16, false}},
        {"a whole-screen frame that clears is no start when it is the target", {21, {}, {17}}, 17, {15, true}},
    };
    for (const auto& c : cases) {
        Fixture fixture(c.layout);
        const ComposeStart start = find_compose_start(fixture.frames, *fixture.document, c.target);
        EXPECT_EQ(start.index, c.expected.index) << c.what;
        EXPECT_EQ(start.from_snapshot, c.expected.from_snapshot) << c.what;
    }
}

}  // namespace
