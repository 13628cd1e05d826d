#include "foundation/record_stream.h"

#include "file_access_support.h"
#include "foundation/file_ref.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Builds record files byte by byte: tag (2, big-endian), type (1), length (4), payload.
struct RecordBytes {
    std::string bytes;
    RecordBytes& record(std::uint16_t tag, std::uint8_t type, const std::string& payload)
    {
        bytes += static_cast<char>(tag >> 8);
        bytes += static_cast<char>(tag & 0xFF);
        bytes += static_cast<char>(type);
        return length(static_cast<std::uint32_t>(payload.size())).raw(payload);
    }
    RecordBytes& header(std::uint16_t tag, std::uint8_t type, std::uint32_t payload_length)
    {
        bytes += static_cast<char>(tag >> 8);
        bytes += static_cast<char>(tag & 0xFF);
        bytes += static_cast<char>(type);
        return length(payload_length);
    }
    RecordBytes& length(std::uint32_t n)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += static_cast<char>((n >> shift) & 0xFF);
        return *this;
    }
    RecordBytes& byte(std::uint16_t tag, std::uint8_t value)
    {
        return record(tag, 3, std::string(1, static_cast<char>(value)));
    }
    RecordBytes& u16(std::uint16_t tag, std::uint16_t value)
    {
        return record(tag, 4, std::string{static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)});
    }
    RecordBytes& raw(const std::string& text)
    {
        bytes += text;
        return *this;
    }
    RecordBytes& end() { return raw(std::string(7, '\0')); }
};

// Records every progress call.
struct ProgressLog : RecordProgress {
    std::vector<std::string> calls;
    std::uint32_t restarted_total = 0;
    std::uint32_t advanced_after_restart = 0;
    bool restarted = false;
    void begin(const char* caption, std::uint32_t total) override
    {
        calls.push_back("begin " + std::string(caption) + " " + std::to_string(total));
    }
    void restart(std::uint32_t total) override
    {
        restarted = true;
        restarted_total = total;
        calls.push_back("restart " + std::to_string(total));
    }
    void detail(const char* text) override { calls.push_back("detail " + std::string(text)); }
    void advance(std::uint32_t units) override
    {
        if (restarted)
            advanced_after_restart += units;
    }
    void end() override { calls.push_back("end"); }
};

// Every kind of field, with the tags a schema would give them.
struct Sample {
    std::uint8_t flag = 0;
    std::uint16_t small = 0;
    char* text = nullptr;
    std::uint32_t big = 0;
    RecordRect rect{0, 0, 0, 0};
    ~Sample() { StrFree(text); }
};

void sample_schema(RecordStream& stream, void* argument)
{
    Sample& s = *static_cast<Sample*>(argument);
    record_byte(stream, 3, s.flag, 7);
    record_u16(stream, 4, s.small, 0x1234);
    record_text(stream, 5, s.text, "default");
    record_u32(stream, 8, s.big, 0xDEADBEEF);
    record_rect(stream, 15, s.rect, RecordRect{-1, -2, -3, -4});
    record_end_marker(stream);
}

class RecordStreamTest : public ::testing::Test {
protected:
    void SetUp() override { FormatterStart(); }
    FileRefPtr file(const std::string& name)
    {
        return FileRefPtr(FileRefFromPath((m_folder.directory() + name).c_str()));
    }
    FileRefPtr file_with(const std::string& bytes)
    {
        write_whole_file(m_folder.directory() + "in.rqs", bytes);
        return file("in.rqs");
    }
    TempFolder m_folder;
};

}  // namespace

TEST_F(RecordStreamTest, InitialiseAndDefaults)
{
    Sample s;
    RecordStream stream;
    stream.mode = RecordMode::Initialise;
    sample_schema(stream, &s);
    EXPECT_STREQ(s.text, "");
    stream.mode = RecordMode::Defaults;
    sample_schema(stream, &s);
    EXPECT_EQ(s.flag, 7);
    EXPECT_EQ(s.small, 0x1234);
    EXPECT_STREQ(s.text, "default");
    EXPECT_EQ(s.big, 0xDEADBEEFu);
    EXPECT_EQ(s.rect.c, -3);
}

TEST_F(RecordStreamTest, WritesTheExactBytes)
{
    Sample s;
    s.flag = 0x81;
    s.small = 0xA0B;
    s.text = StrDup("hi");
    s.big = 0x01020304;
    s.rect = RecordRect{1, -1, 300, -300};
    RecordStream stream;
    FileRefPtr out = file("out.rqs");
    ASSERT_TRUE(write_record_file(stream, out.get(), sample_schema, &s, "", "", nullptr));
    RecordBytes expected;
    expected.byte(3, 0x81).u16(4, 0xA0B).record(5, 5, "hi").record(8, 8, std::string("\x01\x02\x03\x04", 4));
    expected.record(15, 15, std::string("\x00\x01\xFF\xFF\x01\x2C\xFE\xD4", 8)).end();
    EXPECT_EQ(read_whole_file(m_folder.directory() + "out.rqs"), expected.bytes);
}

TEST_F(RecordStreamTest, RoundTripOfEveryFieldKind)
{
    Sample written;
    written.flag = 255;
    written.small = 65535;
    written.text = StrDup(std::string(20000, 'x').append("\xFF end").c_str());  // crosses buffers
    written.big = 4294967295u;
    written.rect = RecordRect{-32768, 32767, 0, -1};
    RecordStream out;
    FileRefPtr path = file("rt.rqs");
    ASSERT_TRUE(write_record_file(out, path.get(), sample_schema, &written, "", "", nullptr));
    Sample read;
    RecordStream in;
    ASSERT_TRUE(open_record_reader(in, path.get(), "", nullptr));
    sample_schema(in, &read);
    EXPECT_FALSE(in.error);
    EXPECT_EQ(read.flag, 255);
    EXPECT_EQ(read.small, 65535);
    EXPECT_STREQ(read.text, written.text);
    EXPECT_EQ(read.big, 4294967295u);
    EXPECT_EQ(read.rect.a, -32768);
    EXPECT_EQ(read.rect.b, 32767);
    EXPECT_EQ(read.rect.d, -1);
    close_record_stream(in);
}

TEST_F(RecordStreamTest, ReadsOnlyRecordsOfTheAskedTagAndType)
{
    // One request of the schema: a byte (or a u16) of this tag; found or not, and the value
    // after it (the old one when not found).
    struct Ask {
        std::uint16_t tag;
        bool u16;
        bool found;
        std::uint16_t value;
    };
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<Ask> asks;
    } cases[] = {
        {"a missing tag keeps its value",
         RecordBytes().byte(3, 11).byte(5, 55).byte(9, 99).end().bytes,
         {{3, false, true, 11}, {4, false, false, 44}, {5, false, true, 55}, {9, false, true, 99}}},
        // Pending tag 5 is above 4; then the right tag of the wrong type; it is still there.
        {"a record of another type stays pending",
         RecordBytes().u16(5, 0x0102).byte(6, 66).end().bytes,
         {{4, false, false, 44}, {5, false, false, 44}, {5, true, true, 0x0102}, {6, false, true, 66}}},
        // An unknown type longer than the buffer, and a byte record of length 2.
        {"unknown types and wrong lengths are skipped by length",
         RecordBytes().byte(3, 1).record(4, 99, std::string(10000, 'q')).record(5, 3, "ab").byte(6, 6).end().bytes,
         {{3, false, true, 1}, {4, false, false, 44}, {5, false, false, 44}, {6, false, true, 6}}},
        // A one-character text has the length of a byte: only its type tells them apart.
        {"a text record is not read as a byte", RecordBytes().record(5, 5, "x").end().bytes, {{5, false, false, 44}}},
        {"nothing after the end record is read",
         RecordBytes().byte(3, 1).end().byte(4, 4).bytes,
         {{3, false, true, 1}, {4, false, false, 44}}},
    };
    for (const Case& c : cases) {
        FileRefPtr in = file_with(c.bytes);
        RecordStream stream;
        ASSERT_TRUE(open_record_reader(stream, in.get(), "", nullptr)) << c.what;
        for (const Ask& ask : c.asks) {
            std::uint8_t byte = 44;
            std::uint16_t wide = 44;
            const bool found = ask.u16 ? record_u16(stream, ask.tag, wide, 0) : record_byte(stream, ask.tag, byte, 0);
            EXPECT_EQ(found, ask.found) << c.what << ", tag " << ask.tag;
            EXPECT_EQ(ask.u16 ? wide : byte, ask.value) << c.what << ", tag " << ask.tag;
        }
        EXPECT_FALSE(stream.error) << c.what;
    }
}

TEST_F(RecordStreamTest, DamageSetsAStickyError)
{
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"length beyond the end", RecordBytes().byte(3, 1).header(4, 3, 0xFFFFFFFF).raw("x").bytes},
        {"length one byte past the end", RecordBytes().byte(3, 1).header(4, 3, 2).raw("x").bytes},
        {"text longer than the file", RecordBytes().byte(3, 1).header(4, 5, 1000).raw("short").bytes},
        {"header cut short", RecordBytes().byte(3, 1).raw(std::string("\x00\x04\x03", 3)).bytes},
        {"tag 0 with a payload", RecordBytes().byte(3, 1).record(0, 3, "z").byte(5, 5).bytes},
    };
    for (const Case& c : cases) {
        FileRefPtr in = file_with(c.bytes);
        RecordStream stream;
        ASSERT_TRUE(open_record_reader(stream, in.get(), "", nullptr));
        std::uint8_t v3 = 0, v5 = 50;
        char* text = StrDup("kept");
        EXPECT_TRUE(record_byte(stream, 3, v3, 0)) << c.what;
        EXPECT_FALSE(record_text(stream, 4, text, "")) << c.what;
        EXPECT_TRUE(stream.error) << c.what;
        EXPECT_FALSE(record_byte(stream, 5, v5, 0)) << c.what;
        EXPECT_EQ(v3, 1) << c.what;
        EXPECT_EQ(v5, 50) << c.what;
        EXPECT_STREQ(text, "kept") << c.what;
        StrFree(text);
    }
}

TEST_F(RecordStreamTest, MeasuredSizeIsTheWrittenSize)
{
    Sample s;
    s.text = StrDup("some text of a stamp");
    ProgressLog log;
    RecordStream stream;
    FileRefPtr out = file("measured.rqs");
    ASSERT_TRUE(write_record_file(stream, out.get(), sample_schema, &s, "Saving %s%", "detail", &log));
    std::string bytes = read_whole_file(m_folder.directory() + "measured.rqs");
    EXPECT_EQ(log.restarted_total, bytes.size());
    EXPECT_EQ(log.advanced_after_restart, bytes.size());
    ASSERT_GE(log.calls.size(), 4u);
    EXPECT_EQ(log.calls[0], "begin Saving measured.rqs 0");
    EXPECT_EQ(log.calls[1], "detail detail");
    EXPECT_EQ(log.calls.back(), "end");
}

TEST_F(RecordStreamTest, ReaderReportsProgressAndRefusesMissingFiles)
{
    FileRefPtr missing = file("missing.rqs");
    RecordStream stream;
    ProgressLog log;
    EXPECT_FALSE(open_record_reader(stream, missing.get(), "", &log));
    EXPECT_TRUE(log.calls.empty());
    FileRefPtr in = file_with(RecordBytes().byte(3, 1).end().bytes);
    ASSERT_TRUE(open_record_reader(stream, in.get(), "Reading %s%", &log));
    close_record_stream(stream);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"begin Reading in.rqs 15", "end"}));
}

TEST_F(RecordStreamTest, FailedWriteKeepsTheOldFile)
{
    Sample s;
    RecordStream stream;
    FileRefPtr nowhere(FileRefFromPath((m_folder.directory() + "missing/out.rqs").c_str()));
    EXPECT_FALSE(write_record_file(stream, nowhere.get(), sample_schema, &s, "", "", nullptr));
    write_whole_file(m_folder.directory() + "old.rqs", "old");
    FileRefPtr old = file("old.rqs");
    s.text = StrDup("new");
    ASSERT_TRUE(write_record_file(stream, old.get(), sample_schema, &s, "", "", nullptr));
    EXPECT_NE(read_whole_file(m_folder.directory() + "old.rqs"), "old");
    EXPECT_EQ(m_folder.entries(), (std::vector<std::string>{"old.rqs"}));
}

TEST_F(RecordStreamTest, TruncationAtEveryOffsetKeepsWhatWasComplete)
{
    Sample full;
    full.flag = 1;
    full.small = 2;
    full.text = StrDup("three");
    full.big = 4;
    full.rect = RecordRect{5, 6, 7, 8};
    RecordStream out;
    FileRefPtr path = file("full.rqs");
    ASSERT_TRUE(write_record_file(out, path.get(), sample_schema, &full, "", "", nullptr));
    std::string bytes = read_whole_file(m_folder.directory() + "full.rqs");
    // Ends of the records: 7 + 1, + 7 + 2, + 7 + 5, + 7 + 4, + 7 + 8.
    const std::size_t ends[] = {8, 17, 29, 40, 55};
    ASSERT_EQ(bytes.size(), 62u);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        FileRefPtr in = file_with(bytes.substr(0, cut));
        Sample got;
        got.flag = 100;
        got.small = 100;
        got.text = StrDup("none");
        got.big = 100;
        got.rect = RecordRect{100, 100, 100, 100};
        RecordStream stream;
        ASSERT_TRUE(open_record_reader(stream, in.get(), "", nullptr));
        sample_schema(stream, &got);
        EXPECT_EQ(got.flag, cut >= ends[0] ? 1 : 100) << cut;
        EXPECT_EQ(got.small, cut >= ends[1] ? 2 : 100) << cut;
        EXPECT_STREQ(got.text, cut >= ends[2] ? "three" : "none") << cut;
        EXPECT_EQ(got.big, cut >= ends[3] ? 4u : 100u) << cut;
        EXPECT_EQ(got.rect.d, cut >= ends[4] ? 8 : 100) << cut;
    }
}
