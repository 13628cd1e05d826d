#include "extra/extra_mode.h"

#include <algorithm>

#include "gif/gif_blocks.h"
#include "gif/gif_raw.h"

namespace {

using namespace gif_block;

// 4096 x 4096 pixels: three screens of four bytes each stay below 200 MB.
constexpr std::size_t kLargestScreen = std::size_t{1} << 24;

void put_u16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put_table(std::vector<std::uint8_t>& out, const std::vector<std::uint32_t>& table)
{
    for (std::uint32_t colour : table) {
        out.push_back(static_cast<std::uint8_t>(colour >> 16));
        out.push_back(static_cast<std::uint8_t>(colour >> 8));
        out.push_back(static_cast<std::uint8_t>(colour));
    }
}

void put_spans(std::vector<std::uint8_t>& out, const std::uint8_t* bytes, const std::vector<RawSpan>& spans)
{
    for (const RawSpan& span : spans)
        out.insert(out.end(), bytes + span.offset, bytes + span.offset + span.length);
}

void put_header(std::vector<std::uint8_t>& out, const RawGif& gif)
{
    static constexpr std::uint8_t kSignature[] = {'G', 'I', 'F', '8', '9', 'a'};
    out.insert(out.end(), std::begin(kSignature), std::end(kSignature));
    put_u16(out, gif.width);
    put_u16(out, gif.height);
    out.push_back(gif.screen_flags);
    out.push_back(gif.background);
    out.push_back(gif.aspect);
    put_table(out, gif.global_table);
}

void put_frame(std::vector<std::uint8_t>& out, const RawImage& image, const PlannedFrame& frame)
{
    if (image.has_control || frame.has_transparent || frame.disposal == 2) {
        // Graphic control: disposal, the user-input flag as read, transparency as planned.
        std::uint8_t flags =
            static_cast<std::uint8_t>((frame.disposal & kControlDisposalMask) << kControlDisposalShift);
        if (image.user_input)
            flags |= kControlUserInput;
        if (frame.has_transparent)
            flags |= kControlTransparent;
        const std::uint8_t control[] = {kExtensionIntroducer, kGraphicControlLabel, 4, flags};
        out.insert(out.end(), std::begin(control), std::end(control));
        put_u16(out, image.delay);
        out.push_back(frame.has_transparent ? frame.transparent_index : 0);
        out.push_back(0);
    }
    out.push_back(kImageIntroducer);
    put_u16(out, frame.left);
    put_u16(out, frame.top);
    put_u16(out, frame.width);
    put_u16(out, frame.height);
    std::uint8_t flags = frame.interlaced ? kImageInterlaced : 0;
    if (!frame.local_table.empty()) {
        // The table holds 2 << bits entries.
        std::uint8_t bits = 0;
        while ((std::size_t{2} << bits) < frame.local_table.size())
            ++bits;
        flags = static_cast<std::uint8_t>(flags | kImageLocalTable | (bits & kImageTableSizeMask));
    }
    out.push_back(flags);
    put_table(out, frame.local_table);
    out.insert(out.end(), frame.data.begin(), frame.data.end());
}

// What a viewer holds after the frame: the target, with the frame cleared when it asks. The
// target's buffer becomes the one for what the viewer holds.
void after_frame(std::vector<ScreenPixel>& before, std::vector<ScreenPixel>& target, const PlannedFrame& frame,
                 std::uint16_t width)
{
    std::swap(before, target);
    if (frame.disposal != 2)
        return;
    for (int y = frame.top; y < frame.top + frame.height; ++y) {
        auto row = before.begin() + static_cast<long>(y) * width;
        std::fill(row + frame.left, row + frame.left + frame.width, kTransparent);
    }
}

ExtraOutcome compose_outcome(ComposeResult result)
{
    return result == ComposeResult::Damaged ? ExtraOutcome::Damaged : ExtraOutcome::Unsettled;
}

}  // namespace

ExtraOutcome extra_compress(const std::uint8_t* bytes, std::size_t size, const PlanLevers& levers,
                            std::vector<std::uint8_t>& output, const ExtraProgress& progress)
{
    output.clear();
    RawGif gif;
    if (read_raw_gif(bytes, size, gif) != RawReadResult::Complete)
        return ExtraOutcome::Damaged;
    if (gif.images.empty() || gif.has_plain_text || gif.width == 0 || gif.height == 0)
        return ExtraOutcome::Unsettled;
    if (static_cast<std::size_t>(gif.width) * gif.height > kLargestScreen)
        return ExtraOutcome::TooLarge;

    // Three screens at most: what the viewer holds before the frame (none before the first),
    // the frame's target, and the composer's own, which is the next screen (or, for the
    // last frame, the target itself).
    ScreenComposer composer(gif, bytes);
    FramePlanner planner(gif.global_table);
    std::vector<ScreenPixel> before, target;
    ComposeResult composed = composer.compose(0);
    if (composed != ComposeResult::Screen)
        return compose_outcome(composed);
    if (gif.images.size() > 1)
        target = composer.screen();
    put_header(output, gif);
    if (progress)
        progress(0, gif.images.size());
    for (std::size_t i = 0; i < gif.images.size(); ++i) {
        bool last = i + 1 == gif.images.size();
        if (!last && (composed = composer.compose(i + 1)) != ComposeResult::Screen)
            return compose_outcome(composed);
        const ScreenPixel* screen = composer.screen().data();
        FrameScreens screens{before.empty() ? nullptr : before.data(),
                             last ? screen : target.data(),
                             last ? nullptr : screen,
                             gif.width,
                             gif.height,
                             i == 0};
        screens.source = &gif.images[i];
        screens.source_indexes = &composer.indexes(i);
        screens.source_bytes = bytes;
        PlannedFrame frame;
        if (!planner.plan(screens, levers, frame))
            return ExtraOutcome::Unsettled;
        put_spans(output, bytes, gif.images[i].extensions_before);
        put_frame(output, gif.images[i], frame);
        if (progress)
            progress(i + 1, gif.images.size());
        if (last)
            break;
        after_frame(before, target, frame, gif.width);
        target.assign(composer.screen().begin(), composer.screen().end());
    }
    put_spans(output, bytes, gif.trailing_extensions);
    output.push_back(kTrailer);
    if (output.size() >= size) {
        output.clear();
        return ExtraOutcome::NotSmaller;
    }
    return ExtraOutcome::Smaller;
}
