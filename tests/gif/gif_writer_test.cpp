#include "gif/gif_writer.h"

#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/string_tables.h"
#include "foundation/formatter.h"
#include "gif/gif_file_support.h"
#include "gif/save_files.h"
#include "codec/output_buffer.h"

using namespace gif_file_test;

namespace {

const std::vector<std::uint32_t> kFourColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xC8C8C8};

// One block of a written file, found by walking it independently of the writer.
struct Block {
    std::uint8_t introducer;  // 0x21 or 0x2C
    std::uint8_t label;       // extension label; 0 for images
    Bytes head;               // the bytes before the sub-blocks (image descriptor, code size)
    std::vector<Bytes> sub_blocks;
};

struct WrittenFile {
    Bytes header;   // 13 bytes
    Bytes palette;  // the global table
    std::vector<Block> blocks;
    bool complete = false;
};

WrittenFile walk(const Bytes& bytes)
{
    WrittenFile file;
    if (bytes.size() < 13)
        return file;
    file.header.assign(bytes.begin(), bytes.begin() + 13);
    std::size_t at = 13;
    if (bytes[10] & 0x80) {
        const std::size_t table = 3u << ((bytes[10] & 7) + 1);
        file.palette.assign(bytes.begin() + 13, bytes.begin() + static_cast<std::ptrdiff_t>(13 + table));
        at += table;
    }
    while (at < bytes.size()) {
        Block block{bytes[at++], 0, {}, {}};
        if (block.introducer == 0x3B) {
            file.complete = at == bytes.size();
            return file;
        }
        if (block.introducer == 0x21) {
            block.label = bytes[at++];
        } else {
            block.head.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                              bytes.begin() + static_cast<std::ptrdiff_t>(at + 10));
            at += 10;  // descriptor and minimum code size (no local tables are written)
        }
        while (at < bytes.size() && bytes[at] != 0) {
            const std::size_t length = bytes[at];
            block.sub_blocks.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at + 1),
                                          bytes.begin() + static_cast<std::ptrdiff_t>(at + 1 + length));
            at += 1 + length;
        }
        ++at;
        file.blocks.push_back(std::move(block));
    }
    return file;
}

Bytes built_bytes(Document& document)
{
    const std::uint32_t length = write_gif_to_buffer(document, "built.gif");
    MemPtr<std::uint8_t> block = output_buffer().finish();
    return Bytes(block.get(), block.get() + length);
}

std::string comment_text(const Block& block)
{
    std::string text;
    for (const Bytes& piece : block.sub_blocks)
        text.append(piece.begin(), piece.end());
    return text;
}

// The platform's file operations with one step that fails.
enum class FailingStep : std::uint8_t { Create, Write, Replace };

class FailingFiles final : public SaveFileOperations {
public:
    explicit FailingFiles(FailingStep step) : m_step(step) { }
    int create_beside(const char* target, std::string* temporary) override
    {
        if (m_step == FailingStep::Create)
            return -1;
        return SaveFileOperations::create_beside(target, temporary);
    }
    bool write(int file, const void* data, std::uint32_t length) override
    {
        return m_step != FailingStep::Write && SaveFileOperations::write(file, data, length);
    }
    bool replace(const char* from, const char* target) override
    {
        return m_step != FailingStep::Replace && SaveFileOperations::replace(from, target);
    }

private:
    FailingStep m_step;
};

class GifWriter : public GifFileTest {
protected:
    void TearDown() override { set_save_file_operations(nullptr); }
    DocumentPtr load(const GifBuilder& gif, const std::string& name = "in.gif")
    {
        DocumentPtr document = load_bytes(folder, gif.bytes(), name);
        EXPECT_NE(document, nullptr);
        return document;
    }
};

TEST_F(GifWriter, TwoColoursGiveAOneBitTableAndCodeSizeTwo)
{
    GifBuilder gif;
    gif.header().screen(4, 1, kFourColours, 2).image(0, 0, 4, 1, {0, 1, 1, 0}).trailer();
    DocumentPtr document = load(gif);
    ASSERT_NE(document, nullptr);
    const WrittenFile file = walk(built_bytes(*document));
    ASSERT_TRUE(file.complete);
    EXPECT_EQ(std::string(file.header.begin(), file.header.begin() + 6), "GIF89a");
    const Block* image = nullptr;
    for (const Block& block : file.blocks)
        if (block.introducer == 0x2C)
            image = &block;
    ASSERT_NE(image, nullptr);
    // The frame covers the screen and needs no see-through pixel: the encoding without the
    // transparent index (2) is no longer, so it is kept and two colours fit one bit.
    EXPECT_EQ(file.header[10], 0x80);
    EXPECT_EQ(file.palette.size(), 6u);
    EXPECT_EQ(image->head[9], 2);  // minimum code size
    EXPECT_EQ(file.header[12], 0x31);
}

// Three colours: a four-entry table has a free entry, which gets the background (white).
// (A full table names the nearest entry: gif_blocks_test.)
TEST_F(GifWriter, BackgroundGoesToAFreeEntry)
{
    GifBuilder three;
    three.header().screen(3, 1, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}, 2, 3).image(0, 0, 3, 1, {0, 1, 2});
    DocumentPtr document = load(three.trailer());
    ASSERT_NE(document, nullptr);
    WrittenFile file = walk(built_bytes(*document));
    ASSERT_EQ(file.palette.size(), 12u);
    EXPECT_EQ(file.header[11], 3);
    EXPECT_EQ(Bytes(file.palette.begin() + 9, file.palette.end()), (Bytes{255, 255, 255}));
}

TEST_F(GifWriter, CommentsAreWrittenInPiecesOf255AndWhole)
{
    GifBuilder gif;
    gif.header().screen(2, 1, kFourColours, 2).comment(std::string(600, 'c')).image(0, 0, 2, 1, {0, 1}).trailer();
    DocumentPtr document = load(gif);
    ASSERT_NE(document, nullptr);
    document->trailing_comment.reset(StrDup(std::string(70000, 'x').c_str()));
    const WrittenFile file = walk(built_bytes(*document));
    ASSERT_TRUE(file.complete);
    const Block& comment = file.blocks[0];
    EXPECT_EQ(comment.label, 0xFE);
    ASSERT_EQ(comment.sub_blocks.size(), 3u);
    EXPECT_EQ(comment.sub_blocks[0].size(), 255u);
    EXPECT_EQ(comment.sub_blocks[1].size(), 255u);
    EXPECT_EQ(comment.sub_blocks[2].size(), 90u);
    EXPECT_EQ(file.blocks.back().label, 0xFE);
    EXPECT_EQ(comment_text(file.blocks.back()), std::string(70000, 'x'));
}

TEST_F(GifWriter, LoopingBlockOnlyWhenTheSourceHadOne)
{
    GifBuilder plain;
    plain.header().screen(2, 1, kFourColours, 2).image(0, 0, 2, 1, {0, 1}).trailer();
    DocumentPtr document = load(plain);
    ASSERT_NE(document, nullptr);
    for (const Block& block : walk(built_bytes(*document)).blocks)
        EXPECT_NE(block.label, 0xFF);

    GifBuilder looping;
    looping.header().screen(2, 1, kFourColours, 2).netscape_loop(513).image(0, 0, 2, 1, {0, 1}).trailer();
    document = load(looping);
    ASSERT_NE(document, nullptr);
    const Bytes bytes = built_bytes(*document);
    const std::size_t at = 13 + walk(bytes).palette.size();
    const Bytes expected = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 1, 2, 0};
    EXPECT_EQ(
        Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + 19)),
        expected);
}

TEST_F(GifWriter, EmptyLeadingCommentKeepsTheFramesComment)
{
    GifBuilder gif;
    gif.header().screen(2, 1, kFourColours, 2).comment("mine").image(0, 0, 2, 1, {0, 1}).trailer();
    DocumentPtr document = load(gif);
    ASSERT_NE(document, nullptr);
    // Read as the leading comment; make it the frame's to test the placeholder.
    std::swap(document->leading_comment, document_frame_at(*document, 0)->comment);
    ASSERT_STREQ(document->leading_comment.get(), "");
    const WrittenFile file = walk(built_bytes(*document));
    ASSERT_GE(file.blocks.size(), 3u);
    EXPECT_EQ(file.blocks[0].label, 0xFE);
    EXPECT_TRUE(file.blocks[0].sub_blocks.empty());
    EXPECT_EQ(file.blocks[1].label, 0xFE);
    EXPECT_EQ(comment_text(file.blocks[1]), "mine");
}

TEST_F(GifWriter, ControlAndDescriptorFollowTheFrame)
{
    GifBuilder gif;
    gif.header().screen(4, 4, kFourColours, 2);
    gif.graphic_control(1, 300, false, 0, true).image(0, 0, 4, 4, std::vector<std::uint8_t>(16, 1), {}, 0, true);
    gif.graphic_control(2, 70000 & 0xFFFF).image(1, 2, 2, 2, {0, 2, 2, 0}).trailer();
    DocumentPtr document = load(gif);
    ASSERT_NE(document, nullptr);
    const WrittenFile file = walk(built_bytes(*document));
    std::vector<const Block*> controls, images;
    for (const Block& block : file.blocks) {
        if (block.label == 0xF9)
            controls.push_back(&block);
        if (block.introducer == 0x2C)
            images.push_back(&block);
    }
    ASSERT_EQ(controls.size(), 2u);
    ASSERT_EQ(images.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const Frame* frame = document_frame_at(*document, i);
        const Bytes& control = controls[static_cast<std::size_t>(i)]->sub_blocks.at(0);
        ASSERT_EQ(control.size(), 4u);
        EXPECT_EQ(control[0], (static_cast<int>(frame->disposal) << 2) | (frame->user_input << 1) | frame->transparent);
        EXPECT_EQ(control[1] | (control[2] << 8), static_cast<int>(frame->delay & 0xFFFF));
        EXPECT_EQ(control[3], frame->transparent_index);
        const Bytes& head = images[static_cast<std::size_t>(i)]->head;
        EXPECT_EQ(head[0] | (head[1] << 8), frame->rect.left);
        EXPECT_EQ(head[2] | (head[3] << 8), frame->rect.top);
        EXPECT_EQ(head[4] | (head[5] << 8), frame->rect.width());
        EXPECT_EQ(head[6] | (head[7] << 8), frame->rect.height());
        EXPECT_EQ(head[8], frame->interlaced << 6);
        EXPECT_EQ(head[9], frame->encoded_data.get()[0]);
    }
    EXPECT_EQ(document_frame_at(*document, 0)->user_input, 1);
    EXPECT_EQ(document_frame_at(*document, 0)->delay, 300u);
    EXPECT_EQ(document_frame_at(*document, 0)->interlaced, 1);
}

TEST_F(GifWriter, SizeTextsGroupDigits)
{
    struct Case {
        std::uint32_t bytes;
        const char* text;
    };
    const Case cases[] = {{0, "0 bytes"},          {999, "999 bytes"},           {1000, "1,000 bytes"},
                          {12345, "12,345 bytes"}, {1000005, "1,000,005 bytes"}, {1234567, "1,234,567 bytes"}};
    for (const Case& c : cases)
        EXPECT_STREQ(save_size_text(c.bytes).get(), c.text);
}

// A save report's text for report.gif: each string takes the values it shows.
StrPtr report_text(int string_number, const char* old_text, const char* new_text, double percent)
{
    switch (string_number) {
    case 178:
        return StrPtr(FormatNew(app_string(178), "report.gif"));
    case 187:
        return StrPtr(FormatNew(app_string(187), "report.gif", new_text));
    case 176:
    case 184:
        return StrPtr(FormatNew(app_string(string_number), "report.gif", old_text, new_text));
    default:
        return StrPtr(FormatNew(app_string(string_number), "report.gif", old_text, new_text, percent));
    }
}

TEST_F(GifWriter, SaveReportCoversEveryCase)
{
    GifBuilder gif;
    gif.header().screen(8, 8, kFourColours, 2).image(0, 0, 8, 8, std::vector<std::uint8_t>(64, 2)).trailer();
    const std::string path = folder.file("report.gif");
    ASSERT_TRUE(write_file(path, gif.bytes()));
    DocumentPtr document = load_path(path);
    ASSERT_NE(document, nullptr);
    const std::uint32_t size = write_gif_to_buffer(*document, path.c_str());
    const StrPtr new_text = save_size_text(size);

    struct Case {
        SaveMode mode;
        std::uint32_t old_size;
        bool many_colours;
        bool answer;
        SaveOutcome outcome;
        int string_number;
    };
    const Case cases[] = {
        {SaveMode::Report, size - 1, false, true, SaveOutcome::Reported, 176},
        {SaveMode::Report, size + 100, false, true, SaveOutcome::Reported, 182},
        {SaveMode::Report, size + 100, true, true, SaveOutcome::Reported, 180},
        {SaveMode::Report, size, false, true, SaveOutcome::Reported, 178},
        {SaveMode::Write, size - 1, false, false, SaveOutcome::Declined, 184},
        {SaveMode::Write, size, false, false, SaveOutcome::Declined, 187},
        {SaveMode::Write, size - 1, false, true, SaveOutcome::Written, 184},
        {SaveMode::Write, size + 100, false, true, SaveOutcome::Written, 192},
        {SaveMode::Write, size + 100, true, true, SaveOutcome::Written, 190},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.string_number);
        ASSERT_TRUE(write_file(path, gif.bytes()));
        document->file_size = c.old_size;
        document->has_256_colours = c.many_colours ? 1 : 0;
        reporter.alerts.clear();
        reporter.answer = c.answer;
        SaveSummary summary;
        const bool written = save_document(*document, c.mode, &summary);
        EXPECT_EQ(written, c.outcome == SaveOutcome::Written);
        EXPECT_EQ(summary.outcome, c.outcome);
        EXPECT_EQ(summary.new_size, size);
        ASSERT_FALSE(reporter.alerts.empty());
        const StrPtr old_text = save_size_text(c.old_size);
        const double percent = (static_cast<double>(c.old_size) - size) * 100.0 / c.old_size;
        const StrPtr expected = report_text(c.string_number, old_text.get(), new_text.get(), percent);
        EXPECT_EQ(reporter.alerts[0].text, expected.get());
        const Bytes on_disk = read_file(path);
        if (c.outcome == SaveOutcome::Written) {
            EXPECT_EQ(on_disk.size(), size);
            EXPECT_EQ(document->file_size, size);
        } else {
            EXPECT_EQ(on_disk, gif.bytes());
        }
    }
}

// Two frames with 256 different colours each: 512 colours merged into 255 on loading. The
// reports never call the result lossless: they name the merge and the colour count.
TEST_F(GifWriter, ReportsNameColoursMergedFromMoreThan256)
{
    std::vector<std::uint32_t> reds, greens;
    std::vector<std::uint8_t> every_index(256);
    for (int i = 0; i < 256; ++i) {
        reds.push_back(static_cast<std::uint32_t>(i) << 16);
        greens.push_back(static_cast<std::uint32_t>(i) << 8 | 1);
        every_index[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    GifBuilder gif;
    gif.header().screen(16, 32).image(0, 0, 16, 16, every_index, reds, 8).image(0, 16, 16, 16, every_index, greens, 8);
    gif.trailer();
    const std::string path = folder.file("report.gif");
    ASSERT_TRUE(write_file(path, gif.bytes()));
    DocumentPtr document = load_path(path);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->file_colours, 512u);
    const std::uint32_t size = write_gif_to_buffer(*document, path.c_str());
    const struct {
        SaveMode mode;
        int string_number;
    } cases[] = {{SaveMode::Report, 439}, {SaveMode::Write, 441}};
    for (const auto& c : cases) {
        document->file_size = size + 1000;
        reporter.alerts.clear();
        (void)save_document(*document, c.mode);
        ASSERT_EQ(reporter.alerts.size(), 1u);
        const StrPtr old_text = save_size_text(size + 1000), new_text = save_size_text(size);
        const double percent = 1000.0 * 100.0 / (size + 1000);
        const StrPtr expected(
            FormatNew(app_string(c.string_number), "report.gif", old_text.get(), new_text.get(), percent, 512));
        EXPECT_EQ(reporter.alerts[0].text, expected.get()) << c.string_number;
    }
}

std::vector<std::string> folder_names(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (dirent* entry = ::readdir(dir))
            if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
                names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    return names;
}

// Every failure leaves the old file as it was, shows its message and leaves no temporary.
TEST_F(GifWriter, FailedSavesKeepTheOldFile)
{
    GifBuilder gif;
    gif.header().screen(8, 8, kFourColours, 2).image(0, 0, 8, 8, std::vector<std::uint8_t>(64, 2)).trailer();
    const std::string path = folder.file("keep.gif");
    ASSERT_TRUE(write_file(path, gif.bytes()));
    DocumentPtr document = load_path(path);
    ASSERT_NE(document, nullptr);
    struct Case {
        FailingStep step;
        int string_number;
    };
    for (const Case& c :
         {Case{FailingStep::Create, 116}, Case{FailingStep::Write, 118}, Case{FailingStep::Replace, 335}}) {
        SCOPED_TRACE(c.string_number);
        FailingFiles files(c.step);
        set_save_file_operations(&files);
        reporter.alerts.clear();
        document->file_size = 1000000;
        SaveSummary summary;
        EXPECT_FALSE(save_document(*document, SaveMode::Write, &summary));
        EXPECT_EQ(summary.outcome, SaveOutcome::WriteFailed);
        EXPECT_EQ(document->file_size, 1000000u);
        ASSERT_EQ(reporter.alerts.size(), 1u);
        EXPECT_EQ(reporter.alerts[0].kind, AlertKind::Stop);
        const StrPtr expected(FormatNew(app_string(c.string_number), "keep.gif"));
        EXPECT_EQ(reporter.alerts[0].text, expected.get());
        EXPECT_EQ(read_file(path), gif.bytes());
        EXPECT_EQ(folder_names(folder.path()), std::vector<std::string>{"keep.gif"});
        set_save_file_operations(nullptr);
    }
}

TEST_F(GifWriter, ReplacedFileKeepsItsPermissions)
{
    GifBuilder gif;
    gif.header().screen(8, 8, kFourColours, 2).image(0, 0, 8, 8, std::vector<std::uint8_t>(64, 2)).trailer();
    const std::string path = folder.file("mode.gif");
    ASSERT_TRUE(write_file(path, gif.bytes()));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    DocumentPtr document = load_path(path);
    ASSERT_NE(document, nullptr);
    document->file_size = 1000000;
    ASSERT_TRUE(save_document(*document, SaveMode::Write));
    struct stat info { };
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_NE(read_file(path), gif.bytes());
}

}  // namespace
