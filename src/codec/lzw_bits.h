// The pieces the thorough encoders share: the string table, codes packed into GIF
// sub-blocks, and the watch over a kept full table that says when clearing it pays.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lzw_bits {

inline constexpr int kMaxCodes = 4096;
inline constexpr int kMaxWidth = 12;
// The usual stretch over which a kept full table is judged, and how much dearer than the
// first stretch after it filled a later one may be before the table is cleared (in 1/16ths).
inline constexpr std::size_t kDecayStretch = 512;
inline constexpr std::uint64_t kDecayLimit16 = 20;

// When a kept full table is cleared: judged over stretches of `stretch` pixels, once one
// costs more than limit16 / 16 of the first.
struct DecayRule {
    std::size_t stretch = kDecayStretch;
    std::uint64_t limit16 = kDecayLimit16;
};

// The string table: the code of a string extended by one value. A small open-addressed
// hash (64 KB, at most a quarter full) instead of a row of 256 children per code (2 MB):
// it stays in the cache, and a process that encodes one small frame stays small.
class ChildTable {
public:
    static constexpr int kNone = 0;  // no child; code 0 is a single value, never an extension

    ChildTable() : m_slots(kSlots, 0) { }

    int find(int code, int value) const
    {
        const std::uint32_t key = key_of(code, value);
        for (std::uint32_t at = hash(key);; at = (at + 1) & kMask) {
            const std::uint32_t slot = m_slots[at];
            if (slot == 0)
                return kNone;
            if (slot >> kCodeBits == key)
                return static_cast<int>(slot & kCodeMask);
        }
    }
    // Gives the string `code` + `value` the code `child` unless the table holds it already.
    void add(int code, int value, int child)
    {
        const std::uint32_t key = key_of(code, value);
        std::uint32_t at = hash(key);
        for (; m_slots[at] != 0; at = (at + 1) & kMask) {
            if (m_slots[at] >> kCodeBits == key)
                return;
        }
        m_slots[at] = key << kCodeBits | static_cast<std::uint32_t>(child);
        m_used.push_back(at);
    }
    // Takes back the entry added last (nothing added since may have probed past it).
    void remove_last()
    {
        m_slots[m_used.back()] = 0;
        m_used.pop_back();
    }
    std::size_t size() const { return m_used.size(); }
    void clear()
    {
        for (std::uint32_t at : m_used)
            m_slots[at] = 0;
        m_used.clear();
    }

private:
    static constexpr int kCodeBits = 12;
    static constexpr std::uint32_t kCodeMask = (1u << kCodeBits) - 1;
    static constexpr std::uint32_t kSlots = 1u << 14;
    static constexpr std::uint32_t kMask = kSlots - 1;

    // code (12 bits) and value (8 bits) in the upper 20 bits of a slot, the child below.
    static std::uint32_t key_of(int code, int value)
    {
        return static_cast<std::uint32_t>(code) << 8 | static_cast<std::uint32_t>(value);
    }
    static std::uint32_t hash(std::uint32_t key) { return (key * 0x9E3779B1u) >> (32 - 14); }

    std::vector<std::uint32_t> m_slots;
    std::vector<std::uint32_t> m_used;  // the slots set since the last clear
};

// Codes packed least significant bit first into bytes, wrapped in sub-blocks at the end.
class BitWriter {
public:
    void put(int code, int width)
    {
        m_accumulator |= static_cast<std::uint64_t>(code) << m_bits;
        m_bits += static_cast<std::uint32_t>(width);
        m_total_bits += static_cast<std::uint64_t>(width);
        while (m_bits >= 8) {
            m_bytes.push_back(static_cast<std::uint8_t>(m_accumulator));
            m_accumulator >>= 8;
            m_bits -= 8;
        }
    }
    std::uint64_t total_bits() const { return m_total_bits; }

    std::vector<std::uint8_t> image_data(int minimum_code_size)
    {
        if (m_bits > 0)
            m_bytes.push_back(static_cast<std::uint8_t>(m_accumulator));
        std::vector<std::uint8_t> out;
        out.reserve(m_bytes.size() + m_bytes.size() / 255 + 3);
        out.push_back(static_cast<std::uint8_t>(minimum_code_size));
        for (std::size_t at = 0; at < m_bytes.size(); at += 255) {
            std::size_t n = std::min<std::size_t>(255, m_bytes.size() - at);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), m_bytes.begin() + static_cast<long>(at), m_bytes.begin() + static_cast<long>(at + n));
        }
        out.push_back(0);
        return out;
    }

private:
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_accumulator = 0;
    std::uint32_t m_bits = 0;
    std::uint64_t m_total_bits = 0;
};

// Watches a kept full table: the cost of the first stretch after it filled, then of every
// later one; says when the table has gone stale.
class DecayWatch {
public:
    DecayWatch() = default;
    explicit DecayWatch(DecayRule rule) : m_rule(rule) { }

    void start(std::size_t at, std::uint64_t bits)
    {
        m_start = at;
        m_start_bits = bits;
        m_base_bits = 0;
        m_base_pixels = 0;
    }
    // After each string: true when the stretch just ended cost clearly more per pixel.
    bool stale(std::size_t at, std::uint64_t bits)
    {
        std::size_t pixels = at - m_start;
        if (pixels < m_rule.stretch)
            return false;
        std::uint64_t spent = bits - m_start_bits;
        bool result = false;
        if (m_base_pixels == 0) {
            m_base_bits = spent;
            m_base_pixels = pixels;
        } else {
            // spent / pixels > limit * base_bits / base_pixels, in integers.
            result = spent * m_base_pixels * 16 > m_rule.limit16 * m_base_bits * pixels;
        }
        m_start = at;
        m_start_bits = bits;
        return result;
    }

private:
    DecayRule m_rule;
    std::size_t m_start = 0;
    std::uint64_t m_start_bits = 0;
    std::uint64_t m_base_bits = 0;
    std::size_t m_base_pixels = 0;
};

}  // namespace lzw_bits
