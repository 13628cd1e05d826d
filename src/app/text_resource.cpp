#include "app/text_resource.h"

#include <zlib.h>

#include "foundation/memory.h"

#include <cstring>

namespace {

constexpr std::size_t kCheckSize = 8;
constexpr std::size_t kLengthSize = 4;
// What the unpacker sets aside before the stream shows it needs more (doubled as it fills).
constexpr std::uint32_t kFirstRoom = 64u * 1024u;

std::uint32_t read_u32_be(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

void append_u32_be(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

// The stored form is kept plain: deciphering is the identity on this platform.
void decipher(std::uint8_t* /*data*/, std::size_t /*size*/) { }

}  // namespace

const char* StringTable::at(int n) const
{
    if (n < 0 || n >= count())
        return nullptr;
    return m_strings[static_cast<std::size_t>(n)].get();
}

void StringTable::grow(int new_count)
{
    if (new_count > count())
        m_strings.resize(static_cast<std::size_t>(new_count));
}

void StringTable::adopt(int n, StrPtr text)
{
    if (n < 0)
        return;
    if (n >= count())
        grow(n + 100);
    m_strings[static_cast<std::size_t>(n)] = std::move(text);
}

void StringTable::set(int n, const char* text) { adopt(n, StrPtr(StrDup(text))); }

void StringTable::append(int n, const char* text)
{
    const char* old = at(n);
    if (old == nullptr) {
        set(n, text);
        return;
    }
    std::size_t old_length = StrLen(old);
    std::size_t add_length = StrLen(text);
    StrPtr joined(static_cast<char*>(MemAlloc(old_length + add_length + 1)));
    std::memcpy(joined.get(), old, old_length);
    std::memcpy(joined.get() + old_length, text, add_length);
    joined.get()[old_length + add_length] = 0;
    adopt(n, std::move(joined));
}

std::uint64_t text_resource_check_value(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= data[i];
        hash *= 0x100000001B3ull;
    }
    return hash;
}

bool unpack_text_resource(const std::uint8_t* data, std::size_t size, bool add_terminator,
                          std::vector<std::uint8_t>& out)
{
    if (data == nullptr || size < kCheckSize + kLengthSize)
        return false;
    std::uint64_t stored = 0;
    for (std::size_t i = 0; i < kCheckSize; ++i)
        stored = (stored << 8) | data[i];
    const std::uint8_t* rest = data + kCheckSize;
    std::size_t rest_size = size - kCheckSize;
    if (stored != text_resource_check_value(rest, rest_size))
        return false;
    std::vector<std::uint8_t> plain(rest, rest + rest_size);
    decipher(plain.data(), plain.size());

    std::uint32_t length = read_u32_be(plain.data());
    if (length > kMaxUnpackedLength)
        return false;
    // The output grows as the stream fills it, so that a few damaged bytes claiming a large
    // length cost what they really inflate to, not the length they claim.
    const std::size_t extra = (add_terminator ? 1u : 0u) + 1u;  // + 1: never empty
    std::uint32_t room = length < kFirstRoom ? length : kFirstRoom;
    std::vector<std::uint8_t> unpacked(room + extra);

    z_stream stream{};
    stream.next_in = plain.data() + kLengthSize;
    stream.avail_in = static_cast<uInt>(plain.size() - kLengthSize);
    stream.next_out = unpacked.data();
    stream.avail_out = room;
    if (inflateInit(&stream) != Z_OK)
        return false;
    int result = Z_OK;
    for (;;) {
        result = inflate(&stream, Z_FINISH);
        // Ended, damaged, out of input, or more output than the length allows: done.
        if ((result != Z_OK && result != Z_BUF_ERROR) || stream.avail_out != 0 || room == length)
            break;
        room = length - room < room ? length : room * 2;
        unpacked.resize(room + extra);
        stream.next_out = unpacked.data() + stream.total_out;
        stream.avail_out = room - static_cast<std::uint32_t>(stream.total_out);
    }
    bool complete = result == Z_STREAM_END && stream.total_out == length;
    if (inflateEnd(&stream) != Z_OK || !complete)
        return false;
    unpacked.resize(length + (add_terminator ? 1u : 0u));
    if (add_terminator)
        unpacked[length] = 0;
    out = std::move(unpacked);
    return true;
}

bool decode_string_table(const std::uint8_t* data, std::size_t size, StringTable& out)
{
    if (data == nullptr || size < 4)
        return false;
    std::uint32_t count = read_u32_be(data);
    std::size_t left = size - 4;
    if (count > left / 4)
        return false;
    StringTable table;
    table.grow(static_cast<int>(count));
    const std::uint8_t* p = data + 4;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (left < 4)
            return false;
        std::uint32_t length = read_u32_be(p);
        p += 4;
        left -= 4;
        if (length > left)
            return false;
        table.adopt(static_cast<int>(i), StrPtr(StrDupN(reinterpret_cast<const char*>(p), length)));
        p += length;
        left -= length;
    }
    out = std::move(table);
    out.grow(static_cast<int>(count));
    return true;
}

std::vector<std::uint8_t> encode_string_table(const std::vector<std::string>& texts)
{
    std::vector<std::uint8_t> out;
    append_u32_be(out, static_cast<std::uint32_t>(texts.size()));
    for (const std::string& text : texts) {
        append_u32_be(out, static_cast<std::uint32_t>(text.size()));
        out.insert(out.end(), text.begin(), text.end());
    }
    return out;
}

std::vector<std::uint8_t> pack_text_resource(const std::uint8_t* payload, std::size_t size)
{
    uLongf packed_size = compressBound(static_cast<uLong>(size));
    std::vector<std::uint8_t> packed(packed_size);
    if (compress2(packed.data(), &packed_size, payload, static_cast<uLong>(size), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    std::vector<std::uint8_t> rest;
    append_u32_be(rest, static_cast<std::uint32_t>(size));
    rest.insert(rest.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packed_size));
    std::uint64_t check = text_resource_check_value(rest.data(), rest.size());
    std::vector<std::uint8_t> out;
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(check >> shift));
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}
