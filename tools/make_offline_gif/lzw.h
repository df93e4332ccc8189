#pragma once
// The GIF flavour of LZW: variable code width from min_code_size + 1 up to 12 bits, codes packed
// least significant bit first.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace offline_gif {

struct LzwChoices {
    // No code stands for more pixels than this; 0 means no limit.
    std::size_t longest_match = 0;
    // A code ends before each of these pixel positions, ascending, even where a longer match
    // exists. Any decoder reads the same pixels; only the size changes.
    std::vector<std::size_t> cuts;
};

// The code stream for `pixels` (each below 1 << min_code_size), starting with a clear code and
// ending with the end-of-information code.
std::vector<std::uint8_t> lzw_encode(std::span<const std::uint8_t> pixels, int min_code_size,
                                     const LzwChoices& choices = {});

}  // namespace offline_gif
