// The input window: a buffered byte source of 1024 bytes over an open file, or a view of a
// memory block (a frame's stored encoding). The GIF reader reads every block through it;
// the LZW decoder reads image data through it. One process-wide window lives in the codec
// state (gif/codec_state.h); the free functions below act on that one.
#pragma once
#include <cstdint>

#include "foundation/memory.h"

// Reads up to `count` bytes into `destination`; returns the number read (0 at the end or on
// failure). The window never asks for more than the file still holds.
using InputReadFunction = std::uint32_t (*)(void* context, std::uint8_t* destination, std::uint32_t count);

class InputWindow {
public:
    static constexpr std::uint32_t kCapacity = 1024;
    static constexpr std::uint32_t kLargestRead = 65535;

    InputWindow();

    // A file source: `total` bytes in the whole file, `unread` of them not read yet (the file
    // position is total - unread). Held bytes are dropped.
    void set_file(std::uint32_t total, std::uint32_t unread, InputReadFunction read, void* context);
    // A POSIX file descriptor: total = file size, unread from the current offset. False when
    // the size or the position cannot be had.
    [[nodiscard]] bool set_file_descriptor(int fd);
    // Points the window at a memory block (not owned) until end_memory_window; the file source
    // and its held bytes are kept aside and come back afterwards.
    void set_window_to_memory(std::uint32_t length, const std::uint8_t* bytes);
    void end_memory_window();
    bool in_memory_mode() const { return m_memory_mode; }
    // Forgets the source (nothing can be read until the next set_*).
    void close();

    // The next n bytes (n <= 65535), or null when fewer remain; n = 0 always succeeds. The
    // pointer stays valid until the next read.
    [[nodiscard]] const std::uint8_t* read_window(std::uint32_t n);
    [[nodiscard]] bool read_byte(std::uint8_t& out);
    // One data sub-block: a length byte, then that many bytes. A length of 0 succeeds with
    // length 0. Null on a failed read.
    [[nodiscard]] const std::uint8_t* read_sub_block(std::uint32_t& length);

    // Offset of the next unread byte within the source, and the source's total size.
    std::uint32_t position() const;
    std::uint32_t total_size() const { return m_memory_mode ? m_memory_length : m_total; }

private:
    bool refill(std::uint32_t n);

    MemPtr<std::uint8_t> m_buffer;
    std::uint32_t m_buffer_size = 0;  // grows past the capacity only for reads above 1024
    std::uint32_t m_total = 0;
    std::uint32_t m_unread = 0;  // bytes still in the file
    std::uint32_t m_held = 0;    // bytes held, at m_next
    std::uint32_t m_next = 0;    // offset of the first held byte in m_buffer
    InputReadFunction m_read = nullptr;
    void* m_context = nullptr;
    int m_fd = -1;

    bool m_memory_mode = false;
    const std::uint8_t* m_memory = nullptr;
    std::uint32_t m_memory_length = 0;
    std::uint32_t m_memory_offset = 0;
};

// The process-wide window of the codec state.
[[nodiscard]] const std::uint8_t* read_window(std::uint32_t n);
[[nodiscard]] bool read_byte(std::uint8_t& out);
[[nodiscard]] const std::uint8_t* read_sub_block(std::uint32_t& length);
void set_window_to_memory(std::uint32_t length, const std::uint8_t* bytes);
void end_memory_window();
