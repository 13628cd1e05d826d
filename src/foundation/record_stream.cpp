#include "foundation/record_stream.h"

#include "foundation/file_access.h"
#include "foundation/formatter.h"
#include "foundation/heap_string.h"
#include "foundation/memory.h"

#include <cstring>

// Buffered reader: reads the file in blocks of at most 8192 bytes.
class RecordReader {
public:
    explicit RecordReader(OpenFile* file, std::uint32_t size)
        : m_file(file), m_buffer(static_cast<std::uint8_t*>(MemAlloc(kRecordBufferSize))), m_unread(size)
    {
    }

    bool read(void* out, std::uint32_t count)
    {
        auto* to = static_cast<std::uint8_t*>(out);
        while (count > 0) {
            if (m_index == m_in_buffer && !refill())
                return false;
            std::uint32_t take = m_in_buffer - m_index < count ? m_in_buffer - m_index : count;
            std::memcpy(to, m_buffer.get() + m_index, take);
            to += take;
            m_index += take;
            count -= take;
        }
        return true;
    }

    // Moves past count bytes: first those in the buffer, then by moving the file position.
    bool skip(std::uint32_t count)
    {
        std::uint32_t buffered = m_in_buffer - m_index;
        if (count <= buffered) {
            m_index += count;
            return true;
        }
        count -= buffered;
        m_index = m_in_buffer;
        if (count > m_unread)
            return false;
        std::uint32_t position = 0;
        if (!FileGetPos(m_file.get(), &position) || !FileSetPos(m_file.get(), position + count))
            return false;
        m_unread -= count;
        return true;
    }

private:
    bool refill()
    {
        std::uint32_t want = m_unread < kRecordBufferSize ? m_unread : kRecordBufferSize;
        std::uint32_t got = 0;
        // A file that became shorter than its size fails the request like a read error.
        if (want == 0 || !FileRead(m_file.get(), want, &got, m_buffer.get()) || got != want)
            return false;
        m_unread -= want;
        m_in_buffer = want;
        m_index = 0;
        return true;
    }

    OpenFilePtr m_file;
    MemPtr<std::uint8_t> m_buffer;
    std::uint32_t m_unread;  // bytes of the file not yet read into the buffer
    std::uint32_t m_in_buffer = 0;
    std::uint32_t m_index = 0;
};

// Buffered writer over a replacement file: the target changes only when close() commits.
class RecordWriter {
public:
    explicit RecordWriter(const FileRef* target)
        : m_replacement(target), m_buffer(static_cast<std::uint8_t*>(MemAlloc(kRecordBufferSize)))
    {
    }

    bool is_open() const { return m_replacement.is_open(); }

    bool write(const void* data, std::uint32_t count)
    {
        const auto* from = static_cast<const std::uint8_t*>(data);
        while (count > 0) {
            std::uint32_t room = kRecordBufferSize - m_index;
            std::uint32_t take = room < count ? room : count;
            std::memcpy(m_buffer.get() + m_index, from, take);
            m_index += take;
            from += take;
            count -= take;
            if (m_index == kRecordBufferSize && !flush())
                return false;
        }
        return true;
    }

    bool close()
    {
        bool flushed = flush();
        return flushed && m_replacement.commit();
    }

private:
    bool flush()
    {
        if (m_index == 0)
            return true;
        bool ok = m_replacement.write(m_buffer.get(), m_index);
        m_position += m_index;
        m_index = 0;
        return ok;
    }

    FileReplacement m_replacement;
    MemPtr<std::uint8_t> m_buffer;
    std::uint32_t m_position = 0;  // file position of the buffer's first byte
    std::uint32_t m_index = 0;
};

RecordStream::RecordStream() = default;
RecordStream::~RecordStream() { close_record_stream(*this); }

namespace {

void put_u16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

void put_u32(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

std::uint16_t get_u16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

std::uint32_t get_u32(const std::uint8_t* at)
{
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 | at[3];
}

void advance(RecordStream& stream, std::uint32_t units)
{
    if (stream.progress)
        stream.progress->advance(units);
}

void begin_progress(RecordStream& stream, RecordProgress* progress, const FileRef* file, const char* pattern,
                    std::uint32_t total)
{
    stream.progress = progress;
    if (!progress)
        return;
    StrPtr name(FileRefDisplayName(file));
    StrPtr caption(FormatNew(pattern ? pattern : "", name.get()));
    progress->begin(caption.get(), total);
    stream.progress_open = true;
}

// Reads bytes of the file, counting them off the remaining size; any failure is sticky.
bool read_counted(RecordStream& stream, void* buffer, std::uint32_t count)
{
    if (stream.error || !stream.reader || count > stream.remaining || !stream.reader->read(buffer, count)) {
        stream.error = true;
        return false;
    }
    stream.remaining -= count;
    return true;
}

void read_header(RecordStream& stream)
{
    std::uint8_t header[kRecordHeaderSize];
    if (stream.remaining < kRecordHeaderSize || !read_counted(stream, header, kRecordHeaderSize)) {
        stream.error = true;
        return;
    }
    advance(stream, kRecordHeaderSize);
    stream.tag = get_u16(header);
    stream.type = header[2];
    stream.length = get_u32(header + 3);
    if (stream.length > stream.remaining)
        stream.error = true;
    // Seven zero bytes end the records; whatever follows them is not read.
    if (stream.tag == kRecordNoTag && stream.type == 0 && stream.length == 0)
        stream.tag = kRecordEndTag;
    else if (stream.tag == kRecordNoTag)
        stream.error = true;  // tag 0 is never written: a damaged file
}

void next_record(RecordStream& stream)
{
    if (stream.tag != kRecordNoTag && stream.tag != kRecordEndTag) {
        if (!stream.reader->skip(stream.length)) {
            stream.error = true;
            return;
        }
        stream.remaining -= stream.length;
        stream.tag = kRecordNoTag;
    }
    if (stream.remaining > 0)
        read_header(stream);
    else
        stream.tag = kRecordEndTag;
}

// Makes the record with this tag and type the pending one, when the file has it. Records
// come in ascending tag order: a pending record with a higher tag stays for a later field.
bool find_record(RecordStream& stream, std::uint16_t tag, std::uint8_t type)
{
    if (stream.error)
        return false;
    while (!stream.error && stream.tag < tag && (stream.remaining > 0 || stream.tag == kRecordNoTag))
        next_record(stream);
    return !stream.error && stream.tag == tag && stream.type == type;
}

// Reads the pending record's payload of the expected length.
bool read_payload(RecordStream& stream, std::uint16_t tag, std::uint8_t type, std::uint8_t* payload,
                  std::uint32_t length)
{
    if (!find_record(stream, tag, type) || stream.length != length)
        return false;
    if (!read_counted(stream, payload, length))
        return false;
    advance(stream, length);
    stream.tag = kRecordNoTag;
    return true;
}

bool write_bytes(RecordStream& stream, const void* data, std::uint32_t count)
{
    if (!stream.writer || !stream.writer->write(data, count)) {
        stream.error = true;
        return false;
    }
    return true;
}

// Write and Measure of one record.
bool put_record(RecordStream& stream, std::uint16_t tag, std::uint8_t type, const void* payload, std::uint32_t length)
{
    if (stream.mode == RecordMode::Measure) {
        stream.remaining += kRecordHeaderSize + length;
        advance(stream, 1);
        return true;
    }
    std::uint8_t header[kRecordHeaderSize];
    put_u16(header, tag);
    header[2] = type;
    put_u32(header + 3, length);
    if (!write_bytes(stream, header, kRecordHeaderSize))
        return false;
    advance(stream, kRecordHeaderSize);
    if (length > 0 && !write_bytes(stream, payload, length))
        return false;
    advance(stream, length);
    return true;
}

bool is_output(const RecordStream& stream)
{
    return stream.mode == RecordMode::Write || stream.mode == RecordMode::Measure;
}

}  // namespace

bool open_record_reader(RecordStream& stream, const FileRef* file, const char* caption_pattern,
                        RecordProgress* progress)
{
    if (!FileExists(file))
        return false;
    OpenFile* opened = FileOpen(file, FileMode::Read);
    if (!opened)
        return false;
    std::uint32_t size = 0;
    if (!FileSize(opened, &size)) {
        FileClose(opened);
        return false;
    }
    close_record_stream(stream);
    stream.mode = RecordMode::Read;
    stream.reader = std::make_unique<RecordReader>(opened, size);
    stream.remaining = size;
    stream.error = false;
    stream.tag = kRecordNoTag;
    begin_progress(stream, progress, file, caption_pattern, size);
    return true;
}

bool write_record_file(RecordStream& stream, const FileRef* file, RecordSchema schema, void* argument,
                       const char* caption_pattern, const char* detail, RecordProgress* progress)
{
    close_record_stream(stream);
    begin_progress(stream, progress, file, caption_pattern, 0);
    stream.mode = RecordMode::Measure;
    stream.remaining = 0;
    stream.error = false;
    if (progress)
        progress->detail(detail ? detail : "");
    schema(stream, argument);
    if (progress)
        progress->restart(stream.remaining);
    stream.mode = RecordMode::Write;
    stream.writer = std::make_unique<RecordWriter>(file);
    if (!stream.writer->is_open())
        stream.error = true;
    else
        schema(stream, argument);
    bool written = !stream.error;
    return close_record_stream(stream) && written;
}

bool close_record_stream(RecordStream& stream)
{
    if (stream.progress_open && stream.progress)
        stream.progress->end();
    stream.progress_open = false;
    stream.progress = nullptr;
    bool ok = true;
    if (stream.writer) {
        // A stream with a failed write is not committed: the old file stays.
        ok = !stream.error && stream.writer->close();
        stream.writer.reset();
    }
    stream.reader.reset();
    return ok;
}

namespace {

// The four modes of a fixed-size field: its payload is N big-endian bytes that `encode`
// writes from the value and `decode` reads back into it.
template <std::size_t N, typename T, typename Encode, typename Decode>
bool record_fixed(RecordStream& stream, std::uint16_t tag, std::uint8_t type, T& value, const T& default_value,
                  Encode encode, Decode decode)
{
    std::uint8_t payload[N];
    switch (stream.mode) {
    case RecordMode::Initialise:
        return true;
    case RecordMode::Defaults:
        value = default_value;
        return true;
    case RecordMode::Read:
        if (!read_payload(stream, tag, type, payload, N))
            return false;
        decode(payload, value);
        return true;
    default:
        encode(payload, value);
        return put_record(stream, tag, type, payload, N);
    }
}

}  // namespace

bool record_byte(RecordStream& stream, std::uint16_t tag, std::uint8_t& value, std::uint8_t default_value)
{
    return record_fixed<1>(
        stream, tag, kRecordByte, value, default_value, [](std::uint8_t* p, std::uint8_t v) { p[0] = v; },
        [](const std::uint8_t* p, std::uint8_t& v) { v = p[0]; });
}

bool record_u16(RecordStream& stream, std::uint16_t tag, std::uint16_t& value, std::uint16_t default_value)
{
    return record_fixed<2>(
        stream, tag, kRecordU16, value, default_value, [](std::uint8_t* p, std::uint16_t v) { put_u16(p, v); },
        [](const std::uint8_t* p, std::uint16_t& v) { v = get_u16(p); });
}

bool record_u32(RecordStream& stream, std::uint16_t tag, std::uint32_t& value, std::uint32_t default_value)
{
    return record_fixed<4>(
        stream, tag, kRecordU32, value, default_value, [](std::uint8_t* p, std::uint32_t v) { put_u32(p, v); },
        [](const std::uint8_t* p, std::uint32_t& v) { v = get_u32(p); });
}

bool record_rect(RecordStream& stream, std::uint16_t tag, RecordRect& value, const RecordRect& default_value)
{
    return record_fixed<8>(
        stream, tag, kRecordRect, value, default_value,
        [](std::uint8_t* p, const RecordRect& v) {
            const std::int16_t sides[4] = {v.a, v.b, v.c, v.d};
            for (int i = 0; i < 4; ++i)
                put_u16(p + 2 * i, static_cast<std::uint16_t>(sides[i]));
        },
        [](const std::uint8_t* p, RecordRect& v) {
            v.a = static_cast<std::int16_t>(get_u16(p));
            v.b = static_cast<std::int16_t>(get_u16(p + 2));
            v.c = static_cast<std::int16_t>(get_u16(p + 4));
            v.d = static_cast<std::int16_t>(get_u16(p + 6));
        });
}

bool record_text(RecordStream& stream, std::uint16_t tag, char*& value, const char* default_value)
{
    switch (stream.mode) {
    case RecordMode::Initialise:
        StrFree(value);
        value = StrDup("");
        return true;
    case RecordMode::Defaults:
        StrFree(value);
        value = StrDup(default_value ? default_value : "");
        return true;
    case RecordMode::Read: {
        if (!find_record(stream, tag, kRecordText) || stream.length > kRecordTextLimit)
            return false;
        std::uint32_t length = stream.length;
        StrPtr text(static_cast<char*>(MemAlloc(length + 1)));
        // The old text is only replaced once the new one has been read whole.
        if (!read_counted(stream, text.get(), length))
            return false;
        text.get()[length] = '\0';
        advance(stream, length);
        stream.tag = kRecordNoTag;
        StrFree(value);
        value = text.release();
        return true;
    }
    default: {
        const char* text = value ? value : "";
        return put_record(stream, tag, kRecordText, text, static_cast<std::uint32_t>(StrLen(text)));
    }
    }
}

bool record_end_marker(RecordStream& stream)
{
    if (!is_output(stream))
        return true;
    static const std::uint8_t kZeros[kRecordHeaderSize] = {};
    if (stream.mode == RecordMode::Measure) {
        stream.remaining += kRecordHeaderSize;
        advance(stream, 1);
        return true;
    }
    if (!write_bytes(stream, kZeros, kRecordHeaderSize))
        return false;
    advance(stream, kRecordHeaderSize);
    return true;
}

bool record_raw_read(RecordStream& stream, void* buffer, std::uint32_t count)
{
    if (stream.mode != RecordMode::Read || !read_counted(stream, buffer, count))
        return false;
    advance(stream, count);
    return true;
}

bool record_raw_write(RecordStream& stream, const void* data, std::uint32_t count)
{
    if (stream.mode == RecordMode::Measure) {
        stream.remaining += count;
        advance(stream, 1);
        return true;
    }
    if (stream.mode != RecordMode::Write || !write_bytes(stream, data, count))
        return false;
    advance(stream, count);
    return true;
}
