// An LZW encoder for pixels that may take either of two values (a pixel that shows the same
// whether it is drawn or left transparent): while matching, it follows whichever value the
// table already holds a longer string for, and so chooses the values as it encodes. The
// output is plain GIF image data; every pixel gets one of its allowed values.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/lzw_bits.h"
#include "codec/lzw_optimal.h"

class LzwChoiceEncoder {
public:
    static constexpr std::uint16_t kNoChoice = 0xFFFF;

    LzwChoiceEncoder();

    // pixels[i] is the value a pixel gets unless choices[i] (when not kNoChoice) encodes
    // shorter. The image data (minimum code size byte, sub-blocks, terminator) of the best
    // clear plan; `chosen` receives the values encoded.
    [[nodiscard]] std::vector<std::uint8_t> encode(const std::uint8_t* pixels, const std::uint16_t* choices,
                                                   std::size_t count, int minimum_code_size,
                                                   std::vector<std::uint8_t>* chosen = nullptr);
    [[nodiscard]] std::vector<std::uint8_t> encode_plan(const std::uint8_t* pixels, const std::uint16_t* choices,
                                                        std::size_t count, int minimum_code_size, LzwClear clear,
                                                        std::vector<std::uint8_t>* chosen);

private:
    // The longest string from `at` whose first value is `first`: its length, and its values
    // and code left in m_best and m_best_code.
    std::size_t longest(const std::uint8_t* pixels, const std::uint16_t* choices, std::size_t at, std::size_t count,
                        int first);

    lzw_bits::ChildTable m_table;
    int m_values = 256;                // values below this are pixels of the code size
    std::vector<std::uint8_t> m_walk;  // values of the string being walked
    std::vector<std::uint8_t> m_best;  // values of the longest string found
    int m_best_code = 0;
    struct Branch {
        std::size_t length;  // the string so far, its last value included
        int code;
        std::uint8_t value;  // its last value
    };
    std::vector<Branch> m_branches;
};
