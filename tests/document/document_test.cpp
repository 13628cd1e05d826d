// The document records: ownership, frame access and iteration, canvas helpers.
#include <gtest/gtest.h>

#include "document/document.h"

#include <cstring>
#include <vector>

namespace {

FramePtr frame_with_delay(std::uint32_t delay)
{
    FramePtr frame(new_frame());
    frame->delay = delay;
    frame->comment.reset(StrDup(""));
    frame_reset_usage(*frame, 4);
    return frame;
}

}  // namespace

TEST(Document, FramesInFileOrder)
{
    MemFree(MemAlloc(1));  // the allocator takes its reserve block with the first allocation
    std::uint32_t before = MemBytesInUse();
    {
        DocumentPtr document(new_document());
        EXPECT_EQ(document_first_frame(*document), nullptr);
        for (std::uint32_t delay : {10u, 20u, 30u})
            document_append_frame(*document, frame_with_delay(delay));
        Frame* frame = document_frame_at(*document, 2);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->delay, 30u);
        std::vector<std::uint32_t> delays;
        for (Frame* f = document_first_frame(*document); f; f = document_next_frame(*document)) {
            delays.push_back(f->delay);
            // Random access in the middle of an iteration does not disturb it.
            EXPECT_EQ(document_frame_at(*document, 0)->delay, 10u);
        }
        EXPECT_EQ(delays, (std::vector<std::uint32_t>{10, 20, 30}));
        EXPECT_EQ(document_frame_at(*document, 3), nullptr);
        EXPECT_EQ(document_frame_at(*document, -1), nullptr);

        MemPtr<std::uint8_t> data(static_cast<std::uint8_t*>(MemAlloc(5)));
        frame_set_encoding(*frame, std::move(data), 5);
        frame->snapshot = std::make_unique<Snapshot>();
        frame->local_palette.reset(static_cast<std::uint8_t*>(MemAlloc(6)));
        frame->load_palette_size = 2;
        convert_load_record(*frame);
        EXPECT_EQ(frame->local_palette, nullptr);
        EXPECT_EQ(frame->snapshot, nullptr);
        EXPECT_EQ(frame->encoded_length, 5u);
        document->leading_comment.reset(StrDup("lead"));
        canvas_resize(document->canvas, 300, 200);
    }
    EXPECT_EQ(MemBytesInUse(), before) << "free_document releases everything it owns";
}

TEST(Canvas, ResizeKeepsOldPixelsAndFillsNewOnes)
{
    Canvas canvas;
    canvas_resize(canvas, 2, 2, 5);
    canvas.row(1)[1] = 9;
    canvas_resize(canvas, 3, 3, 7);
    EXPECT_EQ(canvas.row(1)[1], 9);
    EXPECT_EQ(canvas.row(0)[0], 5);
    EXPECT_EQ(canvas.row(0)[2], 7);
    EXPECT_EQ(canvas.row(2)[0], 7);
}

TEST(Canvas, FillRectIsClippedToTheCanvas)
{
    Canvas canvas;
    canvas_resize(canvas, 4, 3, 0);
    canvas_fill_rect(canvas, {1, 2, 10, 10}, 1);
    canvas_fill_rect(canvas, {-5, -5, 1, 1}, 2);
    const std::uint8_t expected[] = {2, 0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1};
    EXPECT_EQ(0, std::memcmp(canvas.pixels.get(), expected, sizeof expected));
    EXPECT_TRUE(canvas_contains(canvas, {0, 0, 3, 4}));
    EXPECT_TRUE(canvas_contains(canvas, {1, 1, 1, 1}));
    EXPECT_FALSE(canvas_contains(canvas, {0, 0, 4, 4}));
    EXPECT_FALSE(canvas_contains(canvas, {0, -1, 1, 1}));
    EXPECT_FALSE(canvas_contains(canvas, {2, 0, 1, 1}));
}
