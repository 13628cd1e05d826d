// The stored form of the program's texts: a text resource is a 64-bit check value over the
// rest, a 4-byte big-endian unpacked length and a zlib stream; unpacked it is a string table
// (big-endian count, then length-prefixed texts). This module packs (for the build tool and
// tests) and unpacks; string_tables owns the caches and the language logic.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/heap_string.h"

// A string table in memory: owned zero-terminated texts; a missing entry is null.
class StringTable {
public:
    int count() const { return static_cast<int>(m_strings.size()); }
    // Entry n, or null when n is outside the table or the entry was never set.
    const char* at(int n) const;
    // Sets entry n to a copy of text, growing the table to n + 100 entries when needed.
    void set(int n, const char* text);
    // Takes ownership of text as entry n (grows like set).
    void adopt(int n, StrPtr text);
    // Appends a copy of text to entry n (an unset entry counts as empty).
    void append(int n, const char* text);
    // Grows to at least count entries (new entries unset).
    void grow(int count);
    void clear() { m_strings.clear(); }

private:
    std::vector<StrPtr> m_strings;
};

// The check value stored in front of a text resource (64-bit FNV-1a over the bytes after it).
std::uint64_t text_resource_check_value(const std::uint8_t* data, std::size_t size);

// Unpacked texts larger than this are refused, whatever the length field claims.
constexpr std::uint32_t kMaxUnpackedLength = 16u * 1024u * 1024u;

// Verifies, deciphers (the stored form is plain) and inflates a text resource. The result
// holds exactly the unpacked length, plus a zero byte when add_terminator is set; false
// (and out untouched) when the check value, the length or the zlib stream is wrong.
[[nodiscard]] bool unpack_text_resource(const std::uint8_t* data, std::size_t size, bool add_terminator,
                                        std::vector<std::uint8_t>& out);

// Parses an unpacked string table; false when the count claims more entries than the bytes
// can hold or an entry runs past the end.
[[nodiscard]] bool decode_string_table(const std::uint8_t* data, std::size_t size, StringTable& out);

// The build side: a string table of the given texts, and a text resource holding a payload.
std::vector<std::uint8_t> encode_string_table(const std::vector<std::string>& texts);
std::vector<std::uint8_t> pack_text_resource(const std::uint8_t* payload, std::size_t size);
