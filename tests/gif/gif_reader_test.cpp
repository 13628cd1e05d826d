#include "gif/gif_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "codec/frame_coding.h"
#include "gif/gif_file_support.h"

using namespace gif_file_test;

namespace {

const std::vector<std::uint32_t> kFourColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

std::vector<std::uint8_t> solid(int count, std::uint8_t index) { return std::vector<std::uint8_t>(count, index); }

// A two-frame animation on a 4x4 screen with a 4-colour global table.
GifBuilder two_frames()
{
    GifBuilder gif;
    gif.header().screen(4, 4, kFourColours, 2);
    gif.graphic_control(1, 10).image(0, 0, 4, 4, solid(16, 0));
    gif.graphic_control(1, 20).image(1, 1, 2, 2, solid(4, 1));
    return gif;
}

std::string text_of(int string_number, const char* name)
{
    StrPtr text(FormatNew(app_string(string_number), name));
    return text.get();
}

int warnings_of_severity(int severity)
{
    int count = 0;
    for (const RecordedWarning& warning : recorded_warnings())
        count += warning.severity == severity ? 1 : 0;
    return count;
}

class GifReader : public GifFileTest { };

// Not a GIF, or a file that ends inside the screen descriptor or the global palette: nothing
// to show, one stop alert.
TEST_F(GifReader, RefusesOtherSignaturesAndCutHeaders)
{
    Bytes short_screen = GifBuilder().header().bytes();
    short_screen.insert(short_screen.end(), {4, 0, 4});
    Bytes short_palette = GifBuilder().header().screen(4, 4, kFourColours, 2).bytes();
    short_palette.resize(short_palette.size() - 2);
    struct Case {
        const char* name;
        Bytes bytes;
        int message;
    };
    const Case cases[] = {
        {"GIF88a", Bytes{'G', 'I', 'F', '8', '8', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}, 328},
        {"PNG", Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10}, 328},
        {"five bytes", Bytes{'G', 'I', 'F', '8', '9'}, 328},
        {"empty", Bytes{}, 328},
        {"short screen", short_screen, 266},
        {"short palette", short_palette, 266},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reporter.alerts.clear();
        EXPECT_EQ(load_bytes(folder, c.bytes, "bad.gif"), nullptr);
        ASSERT_EQ(reporter.alerts.size(), 1u);
        EXPECT_EQ(reporter.alerts[0].kind, AlertKind::Stop);
        EXPECT_EQ(reporter.alerts[0].text, text_of(c.message, "bad.gif"));
    }
}

// Damage after two good frames: the two frames are kept and one severity-3 warning names it;
// a strict load refuses the file. (The length checks of each extension are in gif_blocks_test.)
TEST_F(GifReader, KeepsFramesBeforeDamage)
{
    struct Case {
        const char* what;
        Bytes damage;
    };
    Bytes cut_frame =
        GifBuilder().graphic_control(1, 30).image(0, 0, 4, 4, {0, 1, 2, 3, 3, 2, 1, 0, 0, 1, 2, 3, 3, 2, 1, 0}).bytes();
    cut_frame.resize(cut_frame.size() - 4);
    const Case cases[] = {
        {"a third frame cut short", cut_frame},
        {"unknown extension label", {0x21, 0x77, 1, 0, 0, 0, 0, 0, 0, 0, 0x3B}},
        {"code size 10", {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 10, 1, 0, 0, 0x3B, 0, 0, 0, 0}},
        {"pixel beyond the palette", GifBuilder().image(0, 0, 2, 1, {0, 9}).trailer().bytes()},
        {"end of data inside a block", {0x21, 0xFE, 10, 'a', 'b', 'c', 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        record_warnings();
        GifBuilder gif = two_frames();
        gif.raw(c.damage);
        DocumentPtr document = load_bytes(folder, gif.bytes());
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->frame_count, 2);
        EXPECT_EQ(document->total_delay, 30u);
        EXPECT_EQ(warnings_of_severity(3), 1);

        record_warnings();
        reporter.alerts.clear();
        EXPECT_EQ(load_bytes(folder, gif.bytes(), "strict.gif", false), nullptr);
        EXPECT_TRUE(recorded_warnings().empty());
        ASSERT_EQ(reporter.alerts.size(), 1u);
        EXPECT_EQ(reporter.alerts[0].text, text_of(266, "strict.gif"));
    }
}

// Complete images and blocks, only the trailer byte missing: nothing is lost, so even a
// strict load succeeds, with a minor warning.
TEST_F(GifReader, AMissingTrailerIsAMinorWarning)
{
    for (const bool tolerant : {true, false}) {
        record_warnings();
        GifBuilder gif = two_frames();
        gif.raw({0x21, 0xFE, 3, 'a', 'b', 'c', 0});
        DocumentPtr document = load_bytes(folder, gif.bytes(), "short.gif", tolerant);
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->frame_count, 2);
        EXPECT_STREQ(document->trailing_comment.get(), "abc");
        ASSERT_EQ(recorded_warnings().size(), 1u);
        EXPECT_EQ(recorded_warnings()[0].severity, 1);
        EXPECT_EQ(recorded_warnings()[0].text, text_of(412, "short.gif"));
    }
}

// An interlaced frame cut inside its image data keeps the rows that were decoded, which are
// the first ones of the interlace order (every 8th row from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1); the rows not read are empty and show the frame before.
TEST_F(GifReader, APartlyDecodedFrameKeepsItsRowsInInterlacedOrder)
{
    constexpr int kSide = 64;
    const std::uint32_t kRed = 0xFF0000;
    const std::vector<std::uint32_t> colours = {kRed, 0x00FF00, 0x0000FF, 0xFFFFFF};
    std::vector<std::uint8_t> stream_rows;  // noisy, so that the data takes several sub-blocks
    std::uint32_t noise = 12345;
    for (int i = 0; i < kSide * kSide; ++i) {
        noise = noise * 1103515245u + 12345u;
        stream_rows.push_back(static_cast<std::uint8_t>(1 + (noise >> 16) % 3));
    }
    std::vector<int> order;
    for (const auto& [start, step] : {std::pair{0, 8}, std::pair{4, 8}, std::pair{2, 4}, std::pair{1, 2}})
        for (int y = start; y < kSide; y += step)
            order.push_back(y);
    GifBuilder gif;
    gif.header().screen(kSide, kSide, colours, 2);
    gif.graphic_control(1, 10).image(0, 0, kSide, kSide, solid(kSide * kSide, 0));
    const std::size_t image_data = gif.size() + 8 + 10;  // after its graphic control and descriptor
    gif.graphic_control(1, 10).image(0, 0, kSide, kSide, stream_rows, {}, 0, true);
    const Bytes whole = gif.bytes();
    ASSERT_GT(whole.size() - image_data, 600u) << "several sub-blocks";
    int partial = 0;
    for (std::size_t cut = image_data + 2; cut < whole.size(); cut += 37) {
        SCOPED_TRACE(cut);
        DocumentPtr document = load_bytes(folder, Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
        ASSERT_NE(document, nullptr);
        if (document->frame_count == 1)
            continue;  // no row was complete
        Canvas screen;
        canvas_resize(screen, kSide, kSide);
        for (Frame* frame = document_first_frame(*document); frame; frame = document_next_frame(*document))
            ASSERT_NE(
                decode_frame_onto(screen, *frame, frame->transparent ? TransparentAware::Yes : TransparentAware::No),
                DecodeResult::Failed);
        auto colour_at = [&](int x, int y) {
            const std::uint8_t* rgb = document->palette.get() + screen.row(y)[x] * 3;
            return static_cast<std::uint32_t>(rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
        };
        std::size_t decoded = 0;
        while (decoded < order.size() && colour_at(0, order[decoded]) != kRed)
            ++decoded;
        if (decoded > 1 && decoded < order.size())
            ++partial;
        for (std::size_t k = 0; k < order.size(); ++k)
            for (int x = 0; x < kSide; ++x)
                ASSERT_EQ(colour_at(x, order[k]), k < decoded ? colours[stream_rows[k * kSide + x]] : kRed)
                    << "stream row " << k << ", x " << x;
    }
    EXPECT_GT(partial, 3) << "cuts that keep some rows but not all";
}

TEST_F(GifReader, MinorProblemsAreWarnedAndSkipped)
{
    GifBuilder gif;
    gif.header().screen(4, 4, kFourColours, 2);
    gif.application("XMP DataXMP", {'x', 'y'});
    gif.image(0, 0, 4, 4, solid(16, 2));
    // Image data with codes after the last row, then the terminator.
    gif.raw({0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x00, 0});
    gif.trailer().raw({'j', 'u', 'n', 'k'});
    DocumentPtr document = load_bytes(folder, gif.bytes(), "minor.gif");
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->frame_count, 2);
    ASSERT_EQ(recorded_warnings().size(), 3u);
    EXPECT_EQ(recorded_warnings()[0].severity, 1);
    EXPECT_NE(recorded_warnings()[0].text.find("XMP DataXMP"), std::string::npos);
    EXPECT_EQ(recorded_warnings()[1].severity, 2);
    EXPECT_EQ(recorded_warnings()[1].text, app_string(199));
    EXPECT_EQ(recorded_warnings()[2].severity, 4);
    EXPECT_EQ(recorded_warnings()[2].text, text_of(138, "minor.gif"));
}

TEST_F(GifReader, ImageWithoutGraphicControlKeepsDefaults)
{
    GifBuilder gif;
    gif.header().screen(4, 4, kFourColours, 2);
    gif.graphic_control(2, 50, true, 3, true).image(0, 0, 4, 4, solid(16, 0));
    gif.image(0, 0, 2, 2, solid(4, 1)).trailer();
    DocumentPtr document = load_bytes(folder, gif.bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->frame_count, 2);
    const Frame* first = document_frame_at(*document, 0);
    EXPECT_EQ(first->disposal, Disposal::RestoreBackground);
    EXPECT_EQ(first->delay, 50u);
    EXPECT_EQ(first->user_input, 1);
    EXPECT_EQ(first->transparent, 1);
    const Frame* second = document_frame_at(*document, 1);
    EXPECT_EQ(second->disposal, Disposal::Keep);
    EXPECT_EQ(second->delay, 0u);
    EXPECT_EQ(second->transparent, 0);
    EXPECT_EQ(second->user_input, 0);
    EXPECT_EQ(document->total_delay, 50u);
    EXPECT_TRUE(recorded_warnings().empty());
}

// Index 200 is only a legal pixel when the 16-colour table grows for the transparent index.
TEST_F(GifReader, TransparentIndexGrowsTheLocalPalette)
{
    std::vector<std::uint32_t> local(16);
    for (int i = 0; i < 16; ++i)
        local[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i * 0x101010);
    for (const bool transparent : {true, false}) {
        record_warnings();
        GifBuilder gif;
        gif.header().screen(2, 2).graphic_control(1, 0, transparent, 200);
        DocumentPtr document = load_bytes(folder, gif.image(0, 0, 2, 2, {1, 200, 200, 2}, local, 4).trailer().bytes());
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->frame_count, transparent ? 1 : 0);
        EXPECT_EQ(recorded_warnings().empty(), transparent);
        EXPECT_EQ(warnings_of_severity(3), transparent ? 0 : 1);
    }
}

// A pixel that uses an entry the grown table never read shows black.
TEST_F(GifReader, GrownPaletteEntriesAreZero)
{
    GifBuilder gif;
    gif.header().screen(3, 1).graphic_control(1, 0, true, 5);
    gif.image(0, 0, 3, 1, {0, 1, 3}, {0xFF0000, 0x00FF00}, 1).trailer();
    DocumentPtr document = load_bytes(folder, gif.bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->palette_size, 3);
    bool black = false;
    for (int i = 0; i < 3; ++i) {
        const std::uint8_t* rgb = document->palette.get() + i * 3;
        black = black || (rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0);
    }
    EXPECT_TRUE(black);
}

TEST_F(GifReader, FrameBeyondTheScreenWidensIt)
{
    GifBuilder gif;
    gif.header().screen(120, 10, kFourColours, 2).image(100, 2, 50, 10, solid(500, 1)).trailer();
    DocumentPtr document = load_bytes(folder, gif.bytes());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->screen_width, 150);
    EXPECT_EQ(document->screen_height, 12);
    EXPECT_EQ(document->canvas.width, 150);
}

TEST_F(GifReader, HostileSizesAreDamageNotAllocations)
{
    GifBuilder edges = two_frames();
    edges.image(40000, 0, 1, 1, {0}).trailer();
    DocumentPtr document = load_bytes(folder, edges.bytes());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->frame_count, 2);
    EXPECT_EQ(warnings_of_severity(3), 2);  // what was wrong, and where

    record_warnings();
    set_canvas_pixel_limit(1000);
    GifBuilder big;
    big.header().screen(100, 100, kFourColours, 2).image(0, 0, 1, 1, {0}).trailer();
    document = load_bytes(folder, big.bytes());
    GifBuilder grows = two_frames();
    grows.image(0, 0, 300, 1, solid(300, 0)).trailer();
    DocumentPtr grown = load_bytes(folder, grows.bytes());
    set_canvas_pixel_limit(std::uint64_t{1} << 28);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->frame_count, 0);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(grown->frame_count, 2);
    EXPECT_EQ(grown->screen_width, 4);
}

TEST_F(GifReader, CommentsFindTheirPlaces)
{
    GifBuilder gif;
    gif.header().screen(2, 1, kFourColours, 2);
    gif.comment("lead").comment(std::string("fi\0rst\r", 7));
    gif.image(0, 0, 2, 1, {0, 1});
    // Comments before one image join with two CRs each; CRs inside a comment go.
    gif.comment("a\r\nb").comment("").comment("c").image(0, 0, 2, 1, {1, 0});
    gif.image(0, 0, 2, 1, {2, 2});
    gif.comment("x").comment("y").trailer();
    DocumentPtr document = load_bytes(folder, gif.bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->frame_count, 3);
    EXPECT_STREQ(document->leading_comment.get(), "lead");
    EXPECT_STREQ(document_frame_at(*document, 0)->comment.get(), "fi#rst");
    EXPECT_STREQ(document_frame_at(*document, 1)->comment.get(), "a\nb\r\r\r\rc");
    EXPECT_STREQ(document_frame_at(*document, 2)->comment.get(), "");
    EXPECT_STREQ(document->trailing_comment.get(), "x\r\ry");

    // An empty comment still leads; without any comment both are empty, never null.
    GifBuilder empty;
    empty.header().screen(2, 1, kFourColours, 2).comment("").comment("mine").image(0, 0, 2, 1, {0, 1}).trailer();
    document = load_bytes(folder, empty.bytes());
    ASSERT_NE(document, nullptr);
    EXPECT_STREQ(document->leading_comment.get(), "");
    EXPECT_STREQ(document_frame_at(*document, 0)->comment.get(), "mine");
    document = load_bytes(folder, two_frames().trailer().bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_NE(document->leading_comment, nullptr);
    ASSERT_NE(document->trailing_comment, nullptr);
    EXPECT_STREQ(document->leading_comment.get(), "");
    EXPECT_STREQ(document->trailing_comment.get(), "");
}

TEST_F(GifReader, LoopingBlocksGiveTheLoopCount)
{
    struct Case {
        const char* identifier;
        int count;
    };
    for (const Case& c : {Case{"NETSCAPE2.0", 3}, Case{"ANIMEXTS1.0", 0}}) {
        SCOPED_TRACE(c.identifier);
        GifBuilder gif;
        gif.header().screen(2, 1, kFourColours, 2);
        gif.application(c.identifier, {1, static_cast<std::uint8_t>(c.count), 0});
        gif.image(0, 0, 2, 1, {0, 1}).trailer();
        DocumentPtr document = load_bytes(folder, gif.bytes());
        ASSERT_NE(document, nullptr);
        EXPECT_EQ(document->loop_present, 1);
        EXPECT_EQ(document->loop_count, c.count);
    }
    DocumentPtr plain = load_bytes(folder, two_frames().trailer().bytes());
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->loop_present, 0);
}

TEST_F(GifReader, NormalisesPaletteAndBackground)
{
    GifBuilder gif;
    // Background index 3 (white); pixels use only red and blue.
    gif.header().screen(2, 2, kFourColours, 2, 3).image(0, 0, 2, 2, {0, 2, 2, 0}).trailer();
    DocumentPtr document = load_bytes(folder, gif.bytes());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->palette_size, 2);
    EXPECT_EQ(document->background_index, 255);
    const std::uint8_t* background = document->palette.get() + 255 * 3;
    EXPECT_EQ(background[0], 255);
    EXPECT_EQ(background[1], 255);
    EXPECT_EQ(background[2], 255);
}

TEST_F(GifReader, RestoreToPreviousBecomesRestoreToBackground)
{
    GifBuilder gif;
    gif.header().screen(4, 4, kFourColours, 2);
    gif.graphic_control(1, 0).image(0, 0, 4, 4, solid(16, 0));
    gif.graphic_control(3, 0).image(1, 1, 2, 2, solid(4, 1));
    gif.graphic_control(1, 0).image(0, 0, 1, 1, {2});
    gif.graphic_control(3, 0).image(3, 3, 1, 1, {1});
    gif.trailer();
    DocumentPtr document = load_bytes(folder, gif.bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->frame_count, 4);
    const Frame* restoring = document_frame_at(*document, 1);
    EXPECT_EQ(restoring->disposal, Disposal::RestoreBackground);
    const Frame* after = document_frame_at(*document, 2);
    EXPECT_EQ(after->transparent, 1);
    EXPECT_EQ(after->transparent_index, document->palette_size);
    EXPECT_EQ(after->rect.top, 0);
    EXPECT_EQ(after->rect.left, 0);
    EXPECT_EQ(after->rect.bottom, 3);
    EXPECT_EQ(after->rect.right, 3);
    EXPECT_EQ(document_frame_at(*document, 3)->disposal, Disposal::RestoreBackground);

    // The redrawn frame shows the first frame's colour where the restored frame was.
    Canvas canvas;
    canvas_resize(canvas, 4, 4, 255);
    for (int i = 0; i < 3; ++i) {
        const Frame* frame = document_frame_at(*document, i);
        ASSERT_EQ(decode_frame_onto(canvas, *frame, frame->transparent ? TransparentAware::Yes : TransparentAware::No),
                  DecodeResult::Complete);
        if (frame->disposal == Disposal::RestoreBackground)
            canvas_fill_rect(canvas, frame->rect, 255);
    }
    const std::uint8_t* palette = document->palette.get();
    const std::uint8_t* centre = palette + canvas.row(1)[1] * 3;
    EXPECT_EQ(centre[0], 255);  // red, as before frame 2
    EXPECT_EQ(centre[1], 0);
    const std::uint8_t* corner = palette + canvas.row(0)[0] * 3;
    EXPECT_EQ(corner[2], 255);  // blue, frame 3's pixel
}

TEST_F(GifReader, SnapshotsOnEveryEighthFrame)
{
    GifBuilder gif;
    gif.header().screen(2, 1, kFourColours, 2);
    for (int i = 0; i < 17; ++i)
        gif.image(0, 0, 2, 1, {static_cast<std::uint8_t>(i % 4), 0});
    DocumentPtr document = load_bytes(folder, gif.trailer().bytes());
    ASSERT_NE(document, nullptr);
    ASSERT_EQ(document->frame_count, 17);
    for (int i = 0; i < 17; ++i) {
        const Frame* frame = document_frame_at(*document, i);
        EXPECT_EQ(frame->snapshot != nullptr, i == 7 || i == 15) << "frame " << i;
    }
    const Snapshot& snapshot = *document_frame_at(*document, 7)->snapshot;
    EXPECT_EQ(snapshot.rect.right, 2);
    EXPECT_EQ(snapshot.rect.bottom, 1);
    EXPECT_EQ(snapshot.encoded_data.get()[0], 8);  // 8-bit codes
    EXPECT_EQ(document->display_buffers_ready, 1);
}

TEST_F(GifReader, NoFramesGiveAnEmptyPalette)
{
    DocumentPtr document = load_bytes(folder, GifBuilder().header().screen(3, 3, kFourColours, 2).trailer().bytes());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->frame_count, 0);
    EXPECT_EQ(document->palette_size, 0);
}

TEST_F(GifReader, OpenRefusesOtherFileTypes)
{
    const std::string path = folder.file("picture.png");
    ASSERT_TRUE(write_file(path, two_frames().trailer().bytes()));
    EXPECT_EQ(open_gif_file(path.c_str()), nullptr);
    ASSERT_EQ(reporter.alerts.size(), 1u);
    EXPECT_EQ(reporter.alerts[0].text, text_of(98, "picture.png"));
    EXPECT_EQ(reporter.beeps, 1);
}

}  // namespace
