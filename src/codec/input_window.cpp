#include "codec/input_window.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "codec/codec_state.h"

namespace {

std::uint32_t read_descriptor(void* context, std::uint8_t* destination, std::uint32_t count)
{
    int fd = *static_cast<int*>(context);
    std::uint32_t done = 0;
    while (done < count) {
        ssize_t got = ::read(fd, destination + done, count - done);
        if (got <= 0)
            break;
        done += static_cast<std::uint32_t>(got);
    }
    return done;
}

}  // namespace

InputWindow::InputWindow() : m_buffer(static_cast<std::uint8_t*>(MemAlloc(kCapacity))), m_buffer_size(kCapacity) { }

void InputWindow::set_file(std::uint32_t total, std::uint32_t unread, InputReadFunction read, void* context)
{
    m_total = total;
    m_unread = std::min(unread, total);
    m_held = 0;
    m_next = 0;
    m_read = read;
    m_context = context;
    m_memory_mode = false;
}

bool InputWindow::set_file_descriptor(int fd)
{
    struct stat info { };
    if (fd < 0 || fstat(fd, &info) != 0 || info.st_size < 0)
        return false;
    off_t offset = lseek(fd, 0, SEEK_CUR);
    if (offset < 0 || offset > info.st_size)
        return false;
    // Files beyond 4 GB cannot be GIF documents of this program; their first 4 GB are read.
    auto total = static_cast<std::uint32_t>(std::min<off_t>(info.st_size, 0xFFFFFFFF));
    auto position = static_cast<std::uint32_t>(std::min<off_t>(offset, total));
    m_fd = fd;
    set_file(total, total - position, read_descriptor, &m_fd);
    return true;
}

void InputWindow::set_window_to_memory(std::uint32_t length, const std::uint8_t* bytes)
{
    m_memory_mode = true;
    m_memory = bytes;
    m_memory_length = bytes ? length : 0;
    m_memory_offset = 0;
}

void InputWindow::end_memory_window()
{
    m_memory_mode = false;
    m_memory = nullptr;
    m_memory_length = 0;
    m_memory_offset = 0;
}

void InputWindow::close()
{
    end_memory_window();
    set_file(0, 0, nullptr, nullptr);
    m_fd = -1;
}

bool InputWindow::refill(std::uint32_t n)
{
    if (m_held && m_next)
        std::memmove(m_buffer.get(), m_buffer.get() + m_next, m_held);
    m_next = 0;
    if (n > m_buffer_size) {
        MemPtr<std::uint8_t> larger(static_cast<std::uint8_t*>(MemAlloc(n)));
        std::memcpy(larger.get(), m_buffer.get(), m_held);
        m_buffer = std::move(larger);
        m_buffer_size = n;
    }
    while (m_held < n && m_unread && m_read) {
        std::uint32_t want = std::min(m_buffer_size - m_held, m_unread);
        std::uint32_t got = m_read(m_context, m_buffer.get() + m_held, want);
        if (got == 0) {
            // The file is shorter than it said: nothing more can come from it.
            m_unread = 0;
            break;
        }
        got = std::min(got, want);
        m_held += got;
        m_unread -= got;
    }
    return m_held >= n;
}

const std::uint8_t* InputWindow::read_window(std::uint32_t n)
{
    if (n > kLargestRead)
        return nullptr;
    if (m_memory_mode) {
        if (n > m_memory_length - m_memory_offset)
            return nullptr;
        const std::uint8_t* bytes = m_memory + m_memory_offset;
        m_memory_offset += n;
        return bytes;
    }
    if (m_held < n && !refill(n))
        return nullptr;
    const std::uint8_t* bytes = m_buffer.get() + m_next;
    m_next += n;
    m_held -= n;
    return bytes;
}

bool InputWindow::read_byte(std::uint8_t& out)
{
    const std::uint8_t* byte = read_window(1);
    if (!byte)
        return false;
    out = *byte;
    return true;
}

const std::uint8_t* InputWindow::read_sub_block(std::uint32_t& length)
{
    std::uint8_t count = 0;
    length = 0;
    if (!read_byte(count))
        return nullptr;
    const std::uint8_t* data = read_window(count);
    if (data)
        length = count;
    return data;
}

std::uint32_t InputWindow::position() const
{
    if (m_memory_mode)
        return m_memory_offset;
    return m_total - m_unread - m_held;
}

const std::uint8_t* read_window(std::uint32_t n) { return codec_state().input.read_window(n); }
bool read_byte(std::uint8_t& out) { return codec_state().input.read_byte(out); }
const std::uint8_t* read_sub_block(std::uint32_t& length) { return codec_state().input.read_sub_block(length); }
void set_window_to_memory(std::uint32_t length, const std::uint8_t* bytes)
{
    codec_state().input.set_window_to_memory(length, bytes);
}
void end_memory_window() { codec_state().input.end_memory_window(); }
