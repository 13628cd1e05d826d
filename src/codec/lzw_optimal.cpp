#include "codec/lzw_optimal.h"

#include <algorithm>

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kMaxWidth = 12;
constexpr int kLookahead = 12;
// A stretch over which a kept full table is judged, and how much dearer than the first
// stretch after it filled a later one may be before the table is cleared (in 1/16ths).
constexpr std::size_t kDecayStretch = 8192;
constexpr std::uint64_t kDecayLimit16 = 20;

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
        if (pixels < kDecayStretch)
            return false;
        std::uint64_t spent = bits - m_start_bits;
        bool result = false;
        if (m_base_pixels == 0) {
            m_base_bits = spent;
            m_base_pixels = pixels;
        } else {
            // spent / pixels > limit * base_bits / base_pixels, in integers.
            result = spent * m_base_pixels * 16 > kDecayLimit16 * m_base_bits * pixels;
        }
        m_start = at;
        m_start_bits = bits;
        return result;
    }

private:
    std::size_t m_start = 0;
    std::uint64_t m_start_bits = 0;
    std::uint64_t m_base_bits = 0;
    std::size_t m_base_pixels = 0;
};

}  // namespace

LzwOptimalEncoder::LzwOptimalEncoder() : m_child(static_cast<std::size_t>(kMaxCodes) * 256, 0) { }

void LzwOptimalEncoder::reset_table()
{
    for (std::uint32_t slot : m_used_slots)
        m_child[slot] = 0;
    m_used_slots.clear();
}

std::size_t LzwOptimalEncoder::longest(const std::uint8_t* pixels, std::size_t at, std::size_t count, int& code) const
{
    int current = pixels[at];
    std::size_t length = 1;
    while (at + length < count) {
        int next = m_child[static_cast<std::size_t>(current) * 256 + pixels[at + length]];
        if (next == 0)
            break;
        current = next;
        ++length;
    }
    code = current;
    return length;
}

int LzwOptimalEncoder::code_of(const std::uint8_t* pixels, std::size_t at, std::size_t length) const
{
    int current = pixels[at];
    for (std::size_t i = 1; i < length; ++i)
        current = m_child[static_cast<std::size_t>(current) * 256 + pixels[at + i]];
    return current;
}

std::size_t LzwOptimalEncoder::choose_length(const std::uint8_t* pixels, std::size_t at, std::size_t count,
                                             std::size_t longest_length, int lookahead) const
{
    if (lookahead == 0 || longest_length < 2 || at + longest_length >= count)
        return longest_length;
    // The length whose string, followed by the longest string after it, covers most;
    // the longer first string wins a tie.
    std::size_t best = longest_length;
    int unused = 0;
    std::size_t best_reach = longest_length + longest(pixels, at + longest_length, count, unused);
    std::size_t shortest = longest_length > static_cast<std::size_t>(lookahead) ? longest_length - lookahead : 1;
    for (std::size_t length = longest_length - 1; length >= shortest; --length) {
        std::size_t reach = length + longest(pixels, at + length, count, unused);
        if (reach > best_reach) {
            best_reach = reach;
            best = length;
        }
    }
    return best;
}

std::vector<std::uint8_t> LzwOptimalEncoder::encode_plan(const std::uint8_t* pixels, std::size_t count,
                                                         int minimum_code_size, const LzwPlan& plan)
{
    const int clear_code = 1 << minimum_code_size;
    const int end_code = clear_code + 1;
    BitWriter writer;
    int width = minimum_code_size + 1;
    int next_free = end_code + 1;
    bool frozen = false;
    DecayWatch decay;
    reset_table();
    writer.put(clear_code, width);

    auto restart = [&] {
        writer.put(clear_code, width);
        reset_table();
        width = minimum_code_size + 1;
        next_free = end_code + 1;
        frozen = false;
    };

    std::size_t at = 0;
    while (at < count) {
        int code = 0;
        std::size_t length = longest(pixels, at, count, code);
        std::size_t chosen = choose_length(pixels, at, count, length, plan.lookahead);
        if (chosen != length)
            code = code_of(pixels, at, chosen);
        writer.put(code, width);
        // The decoder widens its codes once its next free code needs another bit.
        if (!frozen && next_free >= (1 << width) && width < kMaxWidth)
            ++width;
        at += chosen;
        if (at >= count)
            break;
        if (frozen) {
            if (plan.clear == LzwClear::OnDecay && decay.stale(at, writer.total_bits()))
                restart();
            continue;
        }
        if (next_free < kMaxCodes) {
            std::uint32_t slot = static_cast<std::uint32_t>(code) * 256 + pixels[at];
            // A shorter string than the longest adds a string the table already holds: the
            // decoder gives it a code all the same, so the code is spent here too.
            if (m_child[slot] == 0) {
                m_child[slot] = static_cast<std::uint16_t>(next_free);
                m_used_slots.push_back(slot);
            }
            ++next_free;
            continue;
        }
        if (plan.clear == LzwClear::OnFull) {
            restart();
        } else {
            frozen = true;
            decay.start(at, writer.total_bits());
        }
    }
    writer.put(end_code, width);
    return writer.image_data(minimum_code_size);
}

std::vector<std::uint8_t> LzwOptimalEncoder::encode(const std::uint8_t* pixels, std::size_t count,
                                                    int minimum_code_size, LzwEffort effort)
{
    static constexpr LzwPlan kQuick[] = {{0, LzwClear::OnFull}, {0, LzwClear::OnDecay}};
    static constexpr LzwPlan kThorough[] = {{0, LzwClear::OnFull},          {0, LzwClear::OnDecay},
                                            {kLookahead, LzwClear::OnFull}, {kLookahead, LzwClear::OnDecay},
                                            {kLookahead, LzwClear::Never},  {0, LzwClear::Never}};
    const LzwPlan* plans = effort == LzwEffort::Quick ? kQuick : kThorough;
    std::size_t plan_count = effort == LzwEffort::Quick ? std::size(kQuick) : std::size(kThorough);
    std::vector<std::uint8_t> best;
    for (std::size_t i = 0; i < plan_count; ++i) {
        std::vector<std::uint8_t> candidate = encode_plan(pixels, count, minimum_code_size, plans[i]);
        if (best.empty() || candidate.size() < best.size())
            best = std::move(candidate);
    }
    return best;
}
