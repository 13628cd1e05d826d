// Checks the pre-save pass against a second, plain model of it that redraws every screen
// the long way: before-canvas from the previous optimized frame, after-canvas from the
// frame, next-canvas from the following one; trims peeled one column or row at a time;
// the transparent index rules, substitution modes, shortest-candidate choice and fallback
// written out again. Both must give the same rectangles, disposals, transparency, colour
// usage and encoded bytes, on generated animations under every setting and on real files;
// the generated ones must also compose to the screens they showed before the pass.
#include "optimize/frame_optimizer.h"

#include "app/settings.h"
#include "codec/frame_coding.h"
#include "gif/gif_reader.h"
#include "optimizer_support.h"
#include "support/corpus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace {

constexpr std::uint8_t kEmptyPixel = 255;

struct Rect {
    int top, left, bottom, right;
    bool empty() const { return bottom <= top || right <= left; }
};

Rect rect_from(const ScreenRect& r) { return Rect{r.top, r.left, r.bottom, r.right}; }
ScreenRect screen_rect(const Rect& r) { return rect_of(r.top, r.left, r.bottom, r.right); }

void draw(Canvas& canvas, const Frame& frame)
{
    static_cast<void>(
        decode_frame_onto(canvas, frame, frame.transparent ? TransparentAware::Yes : TransparentAware::No));
}

bool column_same(const Canvas& a, const Canvas& b, int x, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        if (a.row(y)[x] != b.row(y)[x])
            return false;
    return true;
}

bool row_same(const Canvas& a, const Canvas& b, int y, int left, int right)
{
    for (int x = left; x < right; ++x)
        if (a.row(y)[x] != b.row(y)[x])
            return false;
    return true;
}

bool clears(const Canvas& after, const Canvas& next, int x, int y)
{
    return after.row(y)[x] != kEmptyPixel && next.row(y)[x] == kEmptyPixel;
}

Rect model_changed(const Canvas& before, const Canvas& after, Rect r)
{
    while (r.right - r.left > 1 && column_same(before, after, r.right - 1, r.top, r.bottom))
        --r.right;
    while (r.bottom - r.top > 1 && row_same(before, after, r.bottom - 1, r.left, r.right))
        --r.bottom;
    while (r.right - r.left > 1 && column_same(before, after, r.left, r.top, r.bottom))
        ++r.left;
    while (r.bottom - r.top > 1 && row_same(before, after, r.top, r.left, r.right))
        ++r.top;
    return r;
}

Rect model_disposal_area(const Canvas& after, const Canvas& next, Rect r)
{
    auto column_clears = [&](int x) {
        for (int y = r.top; y < r.bottom; ++y)
            if (clears(after, next, x, y))
                return true;
        return false;
    };
    auto row_clears = [&](int y) {
        for (int x = r.left; x < r.right; ++x)
            if (clears(after, next, x, y))
                return true;
        return false;
    };
    while (r.left < r.right && !column_clears(r.left))
        ++r.left;
    while (r.top < r.bottom && !row_clears(r.top))
        ++r.top;
    while (r.right > r.left && !column_clears(r.right - 1))
        --r.right;
    while (r.bottom > r.top && !row_clears(r.bottom - 1))
        --r.bottom;
    return r;
}

int model_transparent_index(int n, const std::vector<std::uint32_t>& usage, int rule)
{
    auto used = [&](int i) { return usage[static_cast<std::size_t>(i)] != 0; };
    switch (rule) {
    case 0:
        for (int i = 0; i < n; ++i)
            if (!used(i))
                return i;
        return n;
    case 1:
        for (int i = n - 1; i >= 0; --i)
            if (!used(i))
                return i;
        return n;
    case 2:
        for (int i = n - 1; i >= 0; --i)
            if (used(i))
                return i + 1;
        return 0;
    case 3:
        return n;
    case 4: {
        int log = 0;
        while ((2 << log) <= n)
            ++log;
        return ((1 << (log + 1)) - 1) & 0xFF;
    }
    case 5:
        return n < 2 ? 1 : n < 4 ? 3 : n < 8 ? 7 : n < 16 ? 15 : 255;
    default:
        return 255;
    }
}

struct ModelRows {
    const Canvas* before;
    const Canvas* after;
    Rect rect;
    int mode;
    std::uint8_t t;
    std::vector<std::uint8_t> out;
};

const std::uint8_t* model_row(void* context, int y)
{
    auto* m = static_cast<ModelRows*>(context);
    const int w = m->rect.right - m->rect.left;
    const std::uint8_t* cur = m->after->row(y) + m->rect.left;
    const std::uint8_t* prev = m->before->row(y) + m->rect.left;
    std::vector<std::uint8_t>& out = m->out;
    out.assign(static_cast<std::size_t>(w), 0);
    if (m->mode == 3) {
        for (int x = 0; x < w; ++x)
            out[x] = cur[x] < kEmptyPixel ? cur[x] : m->t;
        return out.data();
    }
    for (int x = 0; x < w; ++x)
        out[x] = (cur[x] == prev[x] || cur[x] == kEmptyPixel) ? m->t : cur[x];
    if (m->mode == 1) {
        for (int x = 1; x < w; ++x)
            if (out[x - 1] != m->t && cur[x] == out[x - 1])
                out[x] = cur[x];
        for (int x = w - 1; x >= 1; --x)
            if (out[x] != m->t && cur[x - 1] == out[x])
                out[x - 1] = cur[x - 1];
    } else if (m->mode == 2) {
        for (int x = 1; x < w; ++x)
            if (out[x - 1] != m->t && cur[x] < kEmptyPixel)
                out[x] = cur[x];
        for (int x = w - 1; x >= 1; --x)
            if (out[x] != m->t && cur[x - 1] < kEmptyPixel)
                out[x - 1] = cur[x - 1];
    }
    return out.data();
}

std::vector<std::uint8_t> bytes_of(const Frame& frame)
{
    return std::vector<std::uint8_t>(frame.encoded_data.get(), frame.encoded_data.get() + frame.encoded_length);
}

// The rectangle the frame gets: what changed, grown by what its disposal must clear, moved
// to the corner or made the whole screen as the switches say. May turn disposal 2 into 1.
Rect model_frame_rect(const Document& document, const Canvas& before, const Canvas& after, const Canvas& next,
                      Frame& frame, bool first)
{
    const Settings& options = settings();
    const Rect own = rect_from(frame.rect);
    Rect r = model_changed(before, after, own);
    if (frame.disposal == Disposal::RestoreBackground) {
        const Rect area = model_disposal_area(after, next, own);
        if (area.empty())
            frame.disposal = Disposal::Keep;
        else
            r = Rect{std::min(r.top, area.top), std::min(r.left, area.left), std::max(r.bottom, area.bottom),
                     std::max(r.right, area.right)};
    }
    if (options.offset_frames == 0) {
        // A frame that keeps clearing its rectangle stays where it is when the larger
        // rectangle would clear pixels outside its own that stay visible after the next frame.
        bool keep = false;
        if (frame.disposal == Disposal::RestoreBackground)
            for (int y = 0; y < r.bottom; ++y)
                for (int x = 0; x < r.right; ++x)
                    if (!(y >= own.top && y < own.bottom && x >= own.left && x < own.right) &&
                        next.row(y)[x] != kEmptyPixel)
                        keep = true;
        if (!keep)
            r.top = r.left = 0;
    }
    if (options.crop_first_frame == 0 && first)
        r = Rect{0, 0, document.screen_height, document.screen_width};
    return r;
}

EndCode model_end_code() { return settings().end_code_saving != 0 ? EndCode::SaveWhenFree : EndCode::Always; }

// The shortest encoding over the substitution modes the settings and the disposal allow.
std::vector<std::uint8_t> model_best_candidate(const Canvas& before, const Canvas& after, const Frame& frame,
                                               const Rect& r, int t, std::uint16_t colours)
{
    std::vector<int> modes{0};
    if (settings().transparency_search == 0)
        modes = {3};
    else if (frame.disposal != Disposal::RestoreBackground)
        modes = {0, 1, 2, 3};
    std::vector<std::uint8_t> kept;
    for (int mode : modes) {
        ModelRows rows{&before, &after, r, mode, static_cast<std::uint8_t>(t), {}};
        Frame scratch;
        scratch.rect = frame.rect;
        encode_frame_rows(scratch, model_row, &rows, frame.interlaced != 0, colours, model_end_code());
        if (kept.empty() || scratch.encoded_length < kept.size())
            kept = bytes_of(scratch);
    }
    return kept;
}

void model_optimize_frame(Document& document, const Canvas& before, const Canvas& after, const Canvas& next,
                          Frame& frame, bool first)
{
    const Rect r = model_frame_rect(document, before, after, next, frame, first);
    const int n = document.palette_size;
    std::vector<std::uint32_t> usage(static_cast<std::size_t>(n), 0);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (after.row(y)[x] < n)
                ++usage[after.row(y)[x]];
    int highest = 0;
    for (int i = n - 1; i >= 0; --i)
        if (usage[static_cast<std::size_t>(i)]) {
            highest = i;
            break;
        }
    const int t = model_transparent_index(n, usage, settings().transparent_index_rule());
    frame.transparent = 1;
    frame.transparent_index = static_cast<std::uint8_t>(t);
    frame.rect = screen_rect(r);
    frame_reset_usage(frame, static_cast<std::uint16_t>(n));
    if (n)
        std::memcpy(frame.colour_usage.get(), usage.data(), usage.size() * sizeof(std::uint32_t));
    frame_drop_encoding(frame);
    std::vector<std::uint8_t> kept =
        model_best_candidate(before, after, frame, r, t, static_cast<std::uint16_t>(std::max(highest, t) + 1));

    // Without transparency, when the transparent index alone costs a bit.
    bool empty_inside = false;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            empty_inside = empty_inside || after.row(y)[x] == kEmptyPixel;
    const bool power_of_two = t == 1 || t == 2 || t == 4 || t == 8 || t == 16 || t == 32 || t == 64 || t == 128;
    if (frame.disposal == Disposal::Keep && t > highest && power_of_two && !empty_inside) {
        Frame straight;
        straight.rect = frame.rect;
        encode_frame_into(straight, after, frame.interlaced != 0, static_cast<std::uint16_t>(highest + 1),
                          model_end_code());
        if (straight.encoded_length <= kept.size()) {
            kept = bytes_of(straight);
            frame.transparent = 0;
        }
    }
    MemPtr<std::uint8_t> data(static_cast<std::uint8_t*>(MemAlloc(kept.size())));
    std::memcpy(data.get(), kept.data(), kept.size());
    frame_set_encoding(frame, std::move(data), static_cast<std::uint32_t>(kept.size()));
}

void model_optimize_document(Document& document)
{
    std::vector<Frame*> frames;
    for (ListNode* node = document.frames->first; node; node = node->next)
        frames.push_back(ListPointer<Frame>(node->value));
    if (frames.empty())
        return;
    Canvas before, after, next;
    for (Canvas* c : {&before, &after, &next})
        canvas_resize(*c, document.screen_width, document.screen_height, kEmptyPixel);
    if (frames[0]->disposal != Disposal::RestoreBackground)
        draw(next, *frames[0]);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        Frame& frame = *frames[i];
        Frame* following = i + 1 < frames.size() ? frames[i + 1] : frames[0];
        if (i + 1 == frames.size())
            canvas_fill(next, kEmptyPixel);
        if (i > 0) {
            if (frames[i - 1]->disposal == Disposal::RestoreBackground)
                canvas_fill_rect(before, frames[i - 1]->rect, kEmptyPixel);
            else
                draw(before, *frames[i - 1]);
        }
        draw(after, frame);
        draw(next, *following);
        model_optimize_frame(document, before, after, next, frame, i == 0);
        if (frame.disposal == Disposal::RestoreBackground)
            canvas_fill_rect(after, frame.rect, kEmptyPixel);
        if (following->disposal == Disposal::RestoreBackground)
            canvas_fill_rect(next, following->rect, kEmptyPixel);
    }
}

void expect_same_frames(Document& expected, Document& actual, const std::string& where)
{
    ASSERT_EQ(expected.frame_count, actual.frame_count) << where;
    ListNode* e = expected.frames->first;
    ListNode* a = actual.frames->first;
    for (int index = 0; e && a; e = e->next, a = a->next, ++index) {
        const Frame& fe = *ListPointer<Frame>(e->value);
        const Frame& fa = *ListPointer<Frame>(a->value);
        const std::string at = where + " frame " + std::to_string(index);
        ASSERT_EQ(rect_from(fe.rect).top, rect_from(fa.rect).top) << at;
        ASSERT_EQ(rect_from(fe.rect).left, rect_from(fa.rect).left) << at;
        ASSERT_EQ(rect_from(fe.rect).bottom, rect_from(fa.rect).bottom) << at;
        ASSERT_EQ(rect_from(fe.rect).right, rect_from(fa.rect).right) << at;
        ASSERT_EQ(fe.disposal, fa.disposal) << at;
        ASSERT_EQ(fe.transparent, fa.transparent) << at;
        ASSERT_EQ(fe.transparent_index, fa.transparent_index) << at;
        ASSERT_EQ(colours_needed(expected.palette_size, fe), colours_needed(actual.palette_size, fa)) << at;
        for (int i = 0; i < expected.palette_size; ++i) {
            const std::uint32_t ue = i < fe.colour_usage_count ? fe.colour_usage.get()[i] : 0;
            const std::uint32_t ua = i < fa.colour_usage_count ? fa.colour_usage.get()[i] : 0;
            ASSERT_EQ(ue, ua) << at << " usage of " << i;
        }
        ASSERT_EQ(bytes_of(fe), bytes_of(fa)) << at;
    }
}

std::vector<FrameSpec> random_frames(std::mt19937& rng, int width, int height, int colours)
{
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    std::vector<std::uint8_t> screen(static_cast<std::size_t>(width * height), kEmptyPixel);
    std::vector<FrameSpec> frames;
    const int count = pick(1, 6);
    for (int f = 0; f < count; ++f) {
        FrameSpec spec;
        int left = pick(0, width - 1), top = pick(0, height - 1);
        int right = pick(left + 1, width), bottom = pick(top + 1, height);
        if (f == 0 && pick(0, 1))
            left = top = 0, right = width, bottom = height;
        spec.rect = rect_of(top, left, bottom, right);
        spec.disposal = pick(0, 5) < 2 ? Disposal::RestoreBackground : static_cast<Disposal>(pick(0, 1));
        spec.interlaced = pick(0, 5) == 0;
        const bool repeat = pick(0, 6) == 0;  // a frame that only repeats what is shown
        if (pick(0, 2) == 0) {
            spec.transparent = true;
            const int choice = pick(0, 3);
            spec.transparent_index = static_cast<std::uint8_t>(choice == 0       ? 255
                                                                   : choice == 1 ? colours
                                                                                 : pick(0, colours - 1));
        }
        std::uint8_t run = static_cast<std::uint8_t>(pick(0, colours - 1));
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const std::uint8_t shown = screen[static_cast<std::size_t>(y * width + x)];
                if (pick(0, 3) == 0)
                    run = static_cast<std::uint8_t>(pick(0, colours - 1));
                std::uint8_t p = (repeat && shown != kEmptyPixel) || (pick(0, 1) && shown != kEmptyPixel) ? shown : run;
                if (spec.transparent && (p == spec.transparent_index || pick(0, 7) == 0))
                    p = spec.transparent_index;
                spec.pixels.push_back(p);
                if (!(spec.transparent && p == spec.transparent_index))
                    screen[static_cast<std::size_t>(y * width + x)] = p;
            }
        }
        if (spec.disposal == Disposal::RestoreBackground)
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x)
                    screen[static_cast<std::size_t>(y * width + x)] = kEmptyPixel;
        frames.push_back(std::move(spec));
    }
    return frames;
}

// Whether the logical screen in the file's header has at most a million pixels: larger
// screens only slow the suite down.
bool small_screen(const std::filesystem::path& path)
{
    std::uint8_t header[10] = {};
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool read_all = read(fd, header, sizeof header) == static_cast<ssize_t>(sizeof header);
    close(fd);
    const std::uint32_t width = header[6] | header[7] << 8, height = header[8] | header[9] << 8;
    return read_all && width * height <= (1u << 20);
}

// Every frame of the pass stays inside the screen, at least one pixel large, with a disposal
// the writer can store.
void expect_rects_inside(Document& document, const std::string& where)
{
    for (ListNode* node = document.frames->first; node; node = node->next) {
        const Frame& frame = *ListPointer<Frame>(node->value);
        EXPECT_GE(frame.rect.top, 0) << where;
        EXPECT_GE(frame.rect.left, 0) << where;
        EXPECT_LE(frame.rect.bottom, document.screen_height) << where;
        EXPECT_LE(frame.rect.right, document.screen_width) << where;
        EXPECT_GE(frame.rect.width(), 1) << where;
        EXPECT_GE(frame.rect.height(), 1) << where;
        EXPECT_LE(static_cast<int>(frame.disposal), 2) << where;
    }
}

}  // namespace

// Generated animations under every combination of the switches and every rule: the pass
// gives the model's frames, they compose to the screens of the original and stay inside the
// screen, and all of that holds again for a second save that starts from the optimized frames.
TEST(FrameOptimizerModel, GeneratedAnimationsMatchTheModelAndComposeToTheSameScreens)
{
    OptimizationSettingsGuard saved;
    std::mt19937 rng(4242);
    for (int round = 0; round < 400; ++round) {
        const int width = std::uniform_int_distribution<int>(1, 14)(rng);
        const int height = std::uniform_int_distribution<int>(1, 9)(rng);
        const int colours = std::uniform_int_distribution<int>(1, 20)(rng);
        const std::vector<FrameSpec> frames = random_frames(rng, width, height, colours);
        const int combination = round % 16;
        for (int i = 0; i < 4; ++i)
            settings().*kOptimizationSwitches[i] = static_cast<std::uint8_t>((combination >> i) & 1);
        settings().rule_value = static_cast<std::uint16_t>(round % 7);
        const std::string where = "round " + std::to_string(round);
        DocumentPtr expected = make_document(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                                             static_cast<std::uint16_t>(colours), frames);
        DocumentPtr actual = make_document(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height),
                                           static_cast<std::uint16_t>(colours), frames);
        const auto screens = composed_screens(*actual);
        for (const char* pass : {"", " (second pass)"}) {
            model_optimize_document(*expected);
            optimize_document(*actual);
            expect_same_frames(*expected, *actual, where + pass);
            expect_rects_inside(*actual, where + pass);
            ASSERT_EQ(composed_screens(*actual), screens) << where << pass;
        }
    }
}

TEST(FrameOptimizerModel, CorpusFilesMatchTheModel)
{
    std::vector<std::filesystem::path> files;
    for (const auto& path : test_corpus::files(60000))
        if (small_screen(path))
            files.push_back(path);
    if (files.empty())
        GTEST_SKIP() << "no corpus (QUILLON_SHARED unset)";
    // Every second small file: a sample keeps the suite fast.
    std::vector<std::filesystem::path> sample;
    for (std::size_t i = 0; i < files.size(); i += 2)
        sample.push_back(files[i]);
    OptimizationSettingsGuard saved;
    int checked = 0;
    for (const auto& path : sample) {
        for (int rule : {0, 2}) {
            // The switches change from file to file; the rules that look at usage in turn.
            for (int i = 0; i < 4; ++i)
                settings().*kOptimizationSwitches[i] = static_cast<std::uint8_t>(((checked + 5) >> i) & 1);
            settings().rule_value = static_cast<std::uint16_t>(rule);
            DocumentPtr expected = test_corpus::load(path);
            DocumentPtr actual = test_corpus::load(path);
            if (!expected || !actual || expected->frame_count == 0)
                continue;
            model_optimize_document(*expected);
            optimize_document(*actual);
            expect_same_frames(*expected, *actual, path.filename().string() + " rule " + std::to_string(rule));
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}
