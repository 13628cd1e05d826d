// The thorough LZW encoder of the extra mode: it tries several parsings of the same pixels
// and keeps the shortest. A parsing either takes the longest string the table holds at
// every step (as the plain encoder does) or looks one string ahead and takes a shorter one
// when the string after it then reaches further. When the table is full it either starts
// again with a clear code, or keeps the full table and clears only once the codes stop
// paying for themselves, judged by one of several rules. Every result is valid GIF image
// data (codes never past the table, widths as a decoder follows them), and the plain
// longest-match parsing with a clear on a full table is always among the candidates, so the
// result is never longer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/lzw_bits.h"

enum class LzwClear : std::uint8_t {
    OnFull,   // a clear code as soon as the table is full
    Never,    // a full table is kept to the end
    OnDecay,  // a full table is kept until the codes of a stretch cost clearly more than before
};

struct LzwPlan {
    int lookahead = 0;  // 0: longest match; n: up to n shorter strings weighed against it
    LzwClear clear = LzwClear::OnFull;
    lzw_bits::DecayRule decay;  // for OnDecay
};

// How many plans to try: Quick is the plain longest match with a clear on a full table.
enum class LzwEffort : std::uint8_t { Quick, Thorough };

class LzwOptimalEncoder {
public:
    LzwOptimalEncoder();

    // The image data of `count` pixels (each below 1 << minimum_code_size, which is 2 to 8):
    // the minimum code size byte, the data sub-blocks and the terminator. The shortest of the
    // plans the effort asks for.
    [[nodiscard]] std::vector<std::uint8_t> encode(const std::uint8_t* pixels, std::size_t count, int minimum_code_size,
                                                   LzwEffort effort);
    // The quick encoding, or nothing once it is sure to take more than `limit` bytes of codes
    // (sub-block lengths and the rest not counted): a candidate that would lose stops early.
    [[nodiscard]] std::vector<std::uint8_t> encode_within(const std::uint8_t* pixels, std::size_t count,
                                                          int minimum_code_size, std::size_t limit);
    // The thorough plans for pixels whose quick encoding (the plain plan) the caller has
    // already: the shortest of them and `quick`, at the same minimum code size.
    [[nodiscard]] std::vector<std::uint8_t> improve(const std::uint8_t* pixels, std::size_t count,
                                                    std::vector<std::uint8_t> quick);
    // The same with one given plan.
    [[nodiscard]] std::vector<std::uint8_t> encode_plan(const std::uint8_t* pixels, std::size_t count,
                                                        int minimum_code_size, const LzwPlan& plan,
                                                        std::size_t limit = SIZE_MAX);

private:
    // The length of the longest string in the table that starts at `at`, and its code.
    std::size_t longest(const std::uint8_t* pixels, std::size_t at, std::size_t count, int& code) const;
    // The code of the string of `length` pixels at `at` (a prefix of a string in the table).
    int code_of(const std::uint8_t* pixels, std::size_t at, std::size_t length) const;
    std::size_t choose_length(const std::uint8_t* pixels, std::size_t at, std::size_t count, std::size_t longest_length,
                              int lookahead) const;

    lzw_bits::ChildTable m_table;
};
