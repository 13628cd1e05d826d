#include "codec/output_buffer.h"

#include <algorithm>
#include <cstring>

#include "codec/codec_state.h"

OutputBuffer::OutputBuffer()
{
    m_chunks.emplace_back(static_cast<std::uint8_t*>(MemAlloc(kChunkSize)));
    reset();
}

void OutputBuffer::reset()
{
    m_used_chunks = 1;
    m_current = m_chunks[0].get();
    m_fill = 0;
    m_total = 0;
}

void OutputBuffer::next_chunk()
{
    // The full chunk stays in the list; the next one is reused when an earlier output
    // already made it.
    if (m_used_chunks == m_chunks.size())
        m_chunks.emplace_back(static_cast<std::uint8_t*>(MemAlloc(kChunkSize)));
    m_current = m_chunks[m_used_chunks].get();
    ++m_used_chunks;
    m_fill = 0;
}

void OutputBuffer::append(const std::uint8_t* bytes, std::size_t length)
{
    while (length) {
        if (m_fill == kChunkSize)
            next_chunk();
        std::size_t part = std::min<std::size_t>(length, kChunkSize - m_fill);
        std::memcpy(m_current + m_fill, bytes, part);
        m_fill += static_cast<std::uint32_t>(part);
        m_total += static_cast<std::uint32_t>(part);
        bytes += part;
        length -= part;
    }
}

void OutputBuffer::append_u16(std::uint16_t value)
{
    append_byte(static_cast<std::uint8_t>(value & 0xFF));
    append_byte(static_cast<std::uint8_t>(value >> 8));
}

std::uint32_t OutputBuffer::chunk_length(std::size_t index) const
{
    return index + 1 == m_used_chunks ? m_fill : kChunkSize;
}

MemPtr<std::uint8_t> OutputBuffer::finish() const
{
    MemPtr<std::uint8_t> block(static_cast<std::uint8_t*>(MemAlloc(m_total ? m_total : 1)));
    std::uint8_t* at = block.get();
    for (std::size_t i = 0; i < m_used_chunks; ++i) {
        std::uint32_t length = chunk_length(i);
        std::memcpy(at, m_chunks[i].get(), length);
        at += length;
    }
    return block;
}

OutputBuffer& output_buffer() { return codec_state().output; }

std::vector<std::uint8_t> OutputBuffer::bytes() const
{
    std::vector<std::uint8_t> all;
    all.reserve(m_total);
    for (std::size_t i = 0; i < m_used_chunks; ++i)
        all.insert(all.end(), chunk_data(i), chunk_data(i) + chunk_length(i));
    return all;
}
