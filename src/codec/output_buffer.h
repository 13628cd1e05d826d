// The output buffer: fixed chunks of 200000 bytes that the frame encoding and the GIF writer
// append to, one output at a time. Chunks are kept for reuse between outputs; finishing
// concatenates them into one block. The process-wide buffer lives in the codec state.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/memory.h"

class OutputBuffer {
public:
    static constexpr std::uint32_t kChunkSize = 200000;

    OutputBuffer();

    // Starts a new output; allocated chunks are kept.
    void reset();
    void append_byte(std::uint8_t byte)
    {
        if (m_fill == kChunkSize)
            next_chunk();
        m_current[m_fill++] = byte;
        ++m_total;
    }
    void append(const std::uint8_t* bytes, std::size_t length);
    void append_u16(std::uint16_t value);  // little-endian

    std::uint32_t total() const { return m_total; }
    // Chunks in order; the last one is the partly filled current chunk.
    std::size_t chunk_count() const { return m_used_chunks; }
    const std::uint8_t* chunk_data(std::size_t index) const { return m_chunks[index].get(); }
    std::uint32_t chunk_length(std::size_t index) const;

    // One block holding all bytes written since reset (total() bytes).
    MemPtr<std::uint8_t> finish() const;
    // The same bytes, copied into a vector.
    std::vector<std::uint8_t> bytes() const;

private:
    void next_chunk();

    std::vector<MemPtr<std::uint8_t>> m_chunks;
    std::size_t m_used_chunks = 0;
    std::uint8_t* m_current = nullptr;
    std::uint32_t m_fill = 0;
    std::uint32_t m_total = 0;
};

// The process-wide buffer of the codec state.
OutputBuffer& output_buffer();
