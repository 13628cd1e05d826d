// The input window over a file and over memory, and the chunked output buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "codec/input_window.h"
#include "codec/output_buffer.h"

namespace {

// A temporary file holding bytes 0, 1, 2, ... (mod 251), opened for reading.
class TempFile {
public:
    explicit TempFile(std::size_t size)
    {
        m_file = std::tmpfile();
        for (std::size_t i = 0; i < size; ++i)
            std::fputc(static_cast<int>(i % 251), m_file);
        std::fflush(m_file);
        std::rewind(m_file);
    }
    ~TempFile() { std::fclose(m_file); }
    int fd() const { return fileno(m_file); }

private:
    std::FILE* m_file;
};

}  // namespace

TEST(InputWindow, ReadsAcrossItsCapacityAndReportsThePosition)
{
    TempFile file(5000);
    InputWindow window;
    ASSERT_TRUE(window.set_file_descriptor(file.fd()));
    EXPECT_EQ(window.total_size(), 5000u);
    const std::uint8_t* bytes = window.read_window(1000);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[999], 999 % 251);
    // 100 bytes where only 24 are held: the rest comes from the file.
    bytes = window.read_window(100);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[0], 1000 % 251);
    EXPECT_EQ(bytes[99], 1099 % 251);
    EXPECT_EQ(window.position(), 1100u);
    // More than the capacity at once.
    bytes = window.read_window(3000);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[2999], 4099 % 251);
    EXPECT_NE(window.read_window(0), nullptr);
    EXPECT_EQ(window.read_window(901), nullptr) << "only 900 bytes remain";
    EXPECT_EQ(window.position(), 4100u) << "a failed read consumes nothing";
    std::uint8_t byte = 0;
    ASSERT_TRUE(window.read_byte(byte));
    EXPECT_EQ(byte, 4100 % 251);
    EXPECT_EQ(window.read_window(70000), nullptr);
}

TEST(InputWindow, SubBlocksAndMemoryMode)
{
    const std::uint8_t data[] = {3, 'a', 'b', 'c', 0, 5, 'x'};
    InputWindow window;
    window.set_window_to_memory(sizeof data, data);
    std::uint32_t length = 99;
    const std::uint8_t* block = window.read_sub_block(length);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(std::memcmp(block, "abc", 3), 0);
    block = window.read_sub_block(length);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(window.read_sub_block(length), nullptr) << "5 bytes announced, 1 present";
    window.end_memory_window();
    EXPECT_FALSE(window.in_memory_mode());
}

TEST(InputWindow, MemoryModeKeepsTheFilePlace)
{
    TempFile file(3000);
    InputWindow window;
    ASSERT_TRUE(window.set_file_descriptor(file.fd()));
    ASSERT_NE(window.read_window(10), nullptr);
    const std::uint8_t stored[] = {7, 8};
    window.set_window_to_memory(sizeof stored, stored);
    std::uint8_t byte = 0;
    ASSERT_TRUE(window.read_byte(byte));
    EXPECT_EQ(byte, 7);
    window.end_memory_window();
    ASSERT_TRUE(window.read_byte(byte));
    EXPECT_EQ(byte, 10);
    EXPECT_EQ(window.position(), 11u);
}

TEST(InputWindow, ShortFileFailsInsteadOfHanging)
{
    TempFile file(10);
    InputWindow window;
    // The source claims 100 bytes but holds 10.
    static int fd = -1;
    fd = file.fd();
    window.set_file(
        100, 100,
        [](void*, std::uint8_t* out, std::uint32_t n) -> std::uint32_t {
            ssize_t got = ::read(fd, out, n);
            return got > 0 ? static_cast<std::uint32_t>(got) : 0;
        },
        nullptr);
    EXPECT_EQ(window.read_window(20), nullptr);
    EXPECT_NE(window.read_window(10), nullptr);
}

TEST(OutputBuffer, ChunksJoinIntoOneBlock)
{
    OutputBuffer buffer;
    std::vector<std::uint8_t> expected;
    for (int round = 0; round < 2; ++round) {  // the second round reuses the chunks
        buffer.reset();
        expected.clear();
        std::vector<std::uint8_t> piece(70001);
        for (int n = 0; n < 7; ++n) {
            for (std::size_t i = 0; i < piece.size(); ++i)
                piece[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(n));
            buffer.append(piece.data(), piece.size());
            expected.insert(expected.end(), piece.begin(), piece.end());
        }
        buffer.append_byte(0xAB);
        buffer.append_u16(0x1234);
        expected.insert(expected.end(), {0xAB, 0x34, 0x12});
        ASSERT_EQ(buffer.total(), expected.size());
        ASSERT_EQ(buffer.chunk_count(), 3u);
        EXPECT_EQ(buffer.chunk_length(0), OutputBuffer::kChunkSize);
        EXPECT_EQ(buffer.chunk_length(2), expected.size() - 2 * OutputBuffer::kChunkSize);
        MemPtr<std::uint8_t> block = buffer.finish();
        EXPECT_EQ(0, std::memcmp(block.get(), expected.data(), expected.size()));
        std::vector<std::uint8_t> joined;
        for (std::size_t i = 0; i < buffer.chunk_count(); ++i)
            joined.insert(joined.end(), buffer.chunk_data(i), buffer.chunk_data(i) + buffer.chunk_length(i));
        EXPECT_EQ(joined, expected);
    }
    buffer.reset();
    EXPECT_EQ(buffer.total(), 0u);
    EXPECT_EQ(buffer.chunk_count(), 1u);
    EXPECT_EQ(buffer.chunk_length(0), 0u);
}
