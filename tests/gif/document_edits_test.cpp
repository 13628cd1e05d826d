// The shared edits: the range pane's delay arithmetic, looping, comments, the stamp and
// plain row order, on documents read from files built block by block.
#include "gif/document_edits.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "codec/frame_coding.h"
#include "gif/gif_file_support.h"

using namespace gif_file_test;

namespace {

const std::vector<std::uint32_t> kTwoColours = {0x000000, 0xFFFFFF};

// Frames with the given delays, 2 x 2 each, every second one interlaced.
DocumentPtr frames_with_delays(const TempFolder& folder, const std::vector<int>& delays)
{
    GifBuilder gif;
    gif.header().screen(2, 2, kTwoColours, 1).comment("lead");
    for (std::size_t i = 0; i < delays.size(); ++i)
        gif.comment("frame").graphic_control(1, delays[i]).image(0, 0, 2, 2, {0, 1, 1, 0}, {}, 0, i % 2 == 1);
    gif.comment("tail").trailer();
    return load_bytes(folder, gif.bytes());
}

std::vector<std::uint32_t> delays_of(Document& document)
{
    std::vector<std::uint32_t> out;
    for (Frame* frame = document_first_frame(document); frame; frame = document_next_frame(document))
        out.push_back(frame->delay);
    return out;
}

class DocumentEdits : public GifFileTest { };

TEST_F(DocumentEdits, ScaleDelaysRoundsClampsAndKeepsTheTotal)
{
    const struct {
        std::int32_t first, last;
        double factor;
        std::uint32_t lower, upper;
        std::vector<std::uint32_t> delays;
    } kCases[] = {
        {0, 3, 2.0, 0, 65535, {20, 40, 0, 130}}, {0, 3, 0.5, 0, 65535, {5, 10, 0, 33}},  // 32.5 + 0.5 truncates to 33
        {0, 3, 0.25, 3, 65535, {3, 5, 3, 16}},  // 2.5 + 0.5 = 3; 0 is raised to the lower limit
        {1, 2, 10.0, 0, 150, {10, 150, 0, 65}},  {2, 1, 10.0, 0, 150, {10, 150, 0, 65}},  // a reversed range is ordered
        {2, 9, 1.5, 1, 65535, {10, 20, 1, 98}},  // 97.5 + 0.5; the range stops at the last frame
        {0, 3, 0.0, 2, 65535, {2, 2, 2, 2}},
    };
    for (const auto& c : kCases) {
        DocumentPtr document = frames_with_delays(folder, {10, 20, 0, 65});
        ASSERT_NE(document, nullptr);
        scale_delays(*document, c.first, c.last, c.factor, c.lower, c.upper);
        EXPECT_EQ(delays_of(*document), c.delays) << c.first << "-" << c.last << " x" << c.factor;
        std::uint32_t total = 0;
        for (std::uint32_t delay : c.delays)
            total += delay;
        EXPECT_EQ(document->total_delay, total);
    }
}

TEST_F(DocumentEdits, LoopingChoices)
{
    const struct {
        Looping looping;
        std::uint16_t count;
        std::uint8_t present;
        std::uint16_t stored;
    } kChoices[] = {
        {Looping::Once, 7, 0, 0}, {Looping::Count, 7, 1, 7}, {Looping::Count, 0, 1, 1}, {Looping::Forever, 7, 1, 0}};
    for (const auto& choice : kChoices) {
        DocumentPtr document = frames_with_delays(folder, {10});
        set_looping(*document, choice.looping, choice.count);
        EXPECT_EQ(document->loop_present, choice.present);
        if (choice.present) {
            EXPECT_EQ(document->loop_count, choice.stored);
        }
    }
}

TEST_F(DocumentEdits, CommentsAndTheStamp)
{
    DocumentPtr document = frames_with_delays(folder, {10, 20});
    clear_frame_comments(*document, 1, 1);
    EXPECT_STREQ(document_frame_at(*document, 0)->comment.get(), "frame");
    EXPECT_STREQ(document_frame_at(*document, 1)->comment.get(), "");
    insert_stamp_comment(*document, "stamp");
    EXPECT_STREQ(document->trailing_comment.get(), "stamp\r\rtail");
    clear_all_comments(*document);
    EXPECT_STREQ(document->leading_comment.get(), "");
    EXPECT_STREQ(document->trailing_comment.get(), "");
    EXPECT_STREQ(document_frame_at(*document, 0)->comment.get(), "");
    insert_stamp_comment(*document, "stamp");
    EXPECT_STREQ(document->trailing_comment.get(), "stamp") << "an empty comment adds no line breaks";

    // 1700000000 is 14 November 2023, 22:13:20 UTC.
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const struct {
        const char* stamp_template;
        const char* user;
        const char* stamp;
    } kStamps[] = {
        {"Optimized by <program> on <date> at <time>", "", "Optimized by Quillon on November 14 2023 at 10:13 PM"},
        {"<user>/<user>", "kim", "kim/kim"},
        {"<date<time>>", "", "<date10:13 PM>"},
        {"<dat", "", "<dat"},
        {"", "", ""},
    };
    for (const auto& stamp : kStamps)
        EXPECT_STREQ(compose_stamp(stamp.stamp_template, 1700000000, stamp.user).get(), stamp.stamp);
}

TEST_F(DocumentEdits, NonInterlacedFramesShowTheSamePixels)
{
    DocumentPtr document = frames_with_delays(folder, {10, 20, 30});
    ASSERT_EQ(document_frame_at(*document, 1)->interlaced, 1);
    make_non_interlaced(*document, 0, 2);
    for (std::int32_t i = 0; i < 3; ++i) {
        Frame& frame = *document_frame_at(*document, i);
        EXPECT_EQ(frame.interlaced, 0);
        Canvas canvas;
        canvas_resize(canvas, 2, 2);
        ASSERT_NE(decode_frame_onto(canvas, frame, TransparentAware::No), DecodeResult::Failed);
        EXPECT_EQ(canvas.row(0)[0], canvas.row(1)[1]);
        EXPECT_NE(canvas.row(0)[0], canvas.row(0)[1]) << "the diagonal pattern survives";
    }
}

}  // namespace
