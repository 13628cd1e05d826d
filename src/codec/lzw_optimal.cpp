#include "codec/lzw_optimal.h"

#include <algorithm>

namespace {

using lzw_bits::BitWriter;
using lzw_bits::DecayWatch;
using lzw_bits::kMaxCodes;
using lzw_bits::kMaxWidth;
constexpr int kLookahead = 4;

}  // namespace

LzwOptimalEncoder::LzwOptimalEncoder() = default;

std::size_t LzwOptimalEncoder::longest(const std::uint8_t* pixels, std::size_t at, std::size_t count, int& code) const
{
    int current = pixels[at];
    std::size_t length = 1;
    while (at + length < count) {
        int next = m_table.find(current, pixels[at + length]);
        if (next == lzw_bits::ChildTable::kNone)
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
        current = m_table.find(current, pixels[at + i]);
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
                                                         int minimum_code_size, const LzwPlan& plan, std::size_t limit)
{
    const std::uint64_t limit_bits = limit > SIZE_MAX / 8 ? UINT64_MAX : std::uint64_t{limit} * 8;
    const int clear_code = 1 << minimum_code_size;
    const int end_code = clear_code + 1;
    BitWriter writer;
    int width = minimum_code_size + 1;
    int next_free = end_code + 1;
    bool frozen = false;
    DecayWatch decay(plan.decay);
    m_table.clear();
    writer.put(clear_code, width);

    auto restart = [&] {
        writer.put(clear_code, width);
        m_table.clear();
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
        if (writer.total_bits() > limit_bits)
            return {};
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
            // A shorter string than the longest adds a string the table already holds: the
            // decoder gives it a code all the same, so the code is spent here too.
            m_table.add(code, pixels[at], next_free);
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
    std::vector<std::uint8_t> quick = encode_plan(pixels, count, minimum_code_size, LzwPlan{});
    if (effort == LzwEffort::Quick)
        return quick;
    return improve(pixels, count, std::move(quick));
}

std::vector<std::uint8_t> LzwOptimalEncoder::encode_within(const std::uint8_t* pixels, std::size_t count,
                                                           int minimum_code_size, std::size_t limit)
{
    return encode_plan(pixels, count, minimum_code_size, LzwPlan{}, limit);
}

std::vector<std::uint8_t> LzwOptimalEncoder::improve(const std::uint8_t* pixels, std::size_t count,
                                                     std::vector<std::uint8_t> quick)
{
    // Where the table is cleared matters more than how the pixels are parsed, and the plain
    // parsing shows which rule suits a frame at a fraction of the look-ahead's cost: the
    // rules are tried with it, and the look-ahead only with the rule that won.
    static constexpr lzw_bits::DecayRule kRules[] = {{64, 18}, {64, 24}, {128, 18}, {128, 24}, {256, 18}, {256, 24}};
    const int minimum_code_size = quick[0];
    std::vector<std::uint8_t> best = std::move(quick);
    LzwPlan winner;  // the plain plan
    for (lzw_bits::DecayRule rule : kRules) {
        const LzwPlan plan{0, LzwClear::OnDecay, rule};
        std::vector<std::uint8_t> candidate = encode_plan(pixels, count, minimum_code_size, plan, best.size());
        if (!candidate.empty() && candidate.size() < best.size()) {
            best = std::move(candidate);
            winner = plan;
        }
    }
    winner.lookahead = kLookahead;
    std::vector<std::uint8_t> candidate = encode_plan(pixels, count, minimum_code_size, winner, best.size());
    if (!candidate.empty() && candidate.size() < best.size())
        best = std::move(candidate);
    return best;
}
