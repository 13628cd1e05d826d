#include "codec/lzw_choices.h"

#include <algorithm>

namespace {

using lzw_bits::BitWriter;
using lzw_bits::DecayWatch;
using lzw_bits::kMaxCodes;
using lzw_bits::kMaxWidth;
// Places where both values continue a string that are followed up besides the first.
constexpr std::size_t kBranchBudget = 8;

}  // namespace

LzwChoiceEncoder::LzwChoiceEncoder() : m_walk(kMaxCodes + 1), m_best(kMaxCodes + 1) { }

std::size_t LzwChoiceEncoder::longest(const std::uint8_t* pixels, const std::uint16_t* choices, std::size_t at,
                                      std::size_t count, int first)
{
    std::size_t best_length = 0;
    std::size_t budget = kBranchBudget;
    m_branches.clear();
    m_branches.push_back({1, first, static_cast<std::uint8_t>(first)});
    // Depth first: a branch taken later only rewrites the walk past its own place, so the
    // walk below a branch still waiting on the stack stays as it was.
    while (!m_branches.empty()) {
        Branch branch = m_branches.back();
        m_branches.pop_back();
        std::size_t length = branch.length;
        int code = branch.code;
        m_walk[length - 1] = branch.value;
        for (; at + length < count; ++length) {
            const std::uint8_t value = pixels[at + length];
            const std::uint16_t other = choices[at + length];
            int next = m_table.find(code, value);
            int next_other = other < m_values ? m_table.find(code, other) : 0;
            if (next == 0 && next_other == 0)
                break;
            if (next == 0) {
                m_walk[length] = static_cast<std::uint8_t>(other);
                code = next_other;
                continue;
            }
            if (next_other != 0 && budget > 0) {
                --budget;
                m_branches.push_back({length + 1, next_other, static_cast<std::uint8_t>(other)});
            }
            m_walk[length] = value;
            code = next;
        }
        if (length > best_length) {
            best_length = length;
            m_best_code = code;
            std::copy(m_walk.begin(), m_walk.begin() + static_cast<long>(length), m_best.begin());
        }
    }
    return best_length;
}

std::vector<std::uint8_t> LzwChoiceEncoder::encode_plan(const std::uint8_t* pixels, const std::uint16_t* choices,
                                                        std::size_t count, int minimum_code_size, LzwClear clear,
                                                        std::vector<std::uint8_t>* chosen)
{
    const int clear_code = 1 << minimum_code_size;
    const int end_code = clear_code + 1;
    BitWriter writer;
    int width = minimum_code_size + 1;
    int next_free = end_code + 1;
    bool frozen = false;
    int previous = -1;  // the code just written, whose string the table extends next
    DecayWatch decay;
    m_table.clear();
    m_values = 1 << minimum_code_size;
    writer.put(clear_code, width);
    if (chosen)
        chosen->resize(count);
    std::vector<std::uint8_t> best_values(kMaxCodes + 1);

    std::size_t at = 0;
    while (at < count) {
        if (previous >= 0 && !frozen && next_free == kMaxCodes) {
            if (clear == LzwClear::OnFull) {
                writer.put(clear_code, width);
                m_table.clear();
                width = minimum_code_size + 1;
                next_free = end_code + 1;
                previous = -1;
            } else {
                frozen = true;
                decay.start(at, writer.total_bits());
            }
        } else if (frozen && clear == LzwClear::OnDecay && decay.stale(at, writer.total_bits())) {
            writer.put(clear_code, width);
            m_table.clear();
            width = minimum_code_size + 1;
            next_free = end_code + 1;
            previous = -1;
            frozen = false;
        }
        const bool adds = previous >= 0 && !frozen;
        // Each first value with the string it starts; the entry the table gains from the
        // previous string and this first value is usable at once (a string may use itself).
        std::size_t best_length = 0;
        int best_code = 0, best_first = pixels[at];
        for (int option = 0; option < 2; ++option) {
            int first = option == 0 ? pixels[at] : choices[at];
            if (option == 1 && (choices[at] >= m_values || choices[at] == pixels[at]))
                break;
            const std::size_t entries = m_table.size();
            if (adds)
                m_table.add(previous, first, next_free);
            std::size_t length = longest(pixels, choices, at, count, first);
            if (m_table.size() != entries)
                m_table.remove_last();
            if (length > best_length) {
                best_length = length;
                best_code = m_best_code;
                best_first = first;
                std::copy(m_best.begin(), m_best.begin() + static_cast<long>(length), best_values.begin());
            }
        }
        if (adds) {
            m_table.add(previous, best_first, next_free);
            ++next_free;
        }
        writer.put(best_code, width);
        if (!frozen && next_free >= (1 << width) && width < kMaxWidth)
            ++width;
        if (chosen)
            std::copy(best_values.begin(), best_values.begin() + static_cast<long>(best_length),
                      chosen->begin() + static_cast<long>(at));
        at += best_length;
        previous = best_code;
    }
    writer.put(end_code, width);
    return writer.image_data(minimum_code_size);
}

std::vector<std::uint8_t> LzwChoiceEncoder::encode(const std::uint8_t* pixels, const std::uint16_t* choices,
                                                   std::size_t count, int minimum_code_size,
                                                   std::vector<std::uint8_t>* chosen)
{
    std::vector<std::uint8_t> values;
    std::vector<std::uint8_t> best = encode_plan(pixels, choices, count, minimum_code_size, LzwClear::OnFull, chosen);
    std::vector<std::uint8_t> decayed =
        encode_plan(pixels, choices, count, minimum_code_size, LzwClear::OnDecay, &values);
    if (decayed.size() < best.size()) {
        best = std::move(decayed);
        if (chosen)
            *chosen = std::move(values);
    }
    return best;
}
