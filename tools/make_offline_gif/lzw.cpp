#include "tools/make_offline_gif/lzw.h"

#include <algorithm>

namespace offline_gif {

namespace {

constexpr int kMaxCodeWidth = 12;
constexpr std::uint32_t kLastCode = (1u << kMaxCodeWidth) - 1;

class BitWriter {
  public:
    void put(std::uint32_t code, int width) {
        pending_ |= code << filled_;
        filled_ += width;
        while (filled_ >= 8) {
            bytes_.push_back(static_cast<std::uint8_t>(pending_ & 0xFF));
            pending_ >>= 8;
            filled_ -= 8;
        }
    }
    std::vector<std::uint8_t> finish() {
        if (filled_ > 0) bytes_.push_back(static_cast<std::uint8_t>(pending_ & 0xFF));
        pending_ = 0;
        filled_ = 0;
        return std::move(bytes_);
    }

  private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t pending_ = 0;
    int filled_ = 0;
};

}  // namespace

std::vector<std::uint8_t> lzw_encode(std::span<const std::uint8_t> pixels, int min_code_size,
                                     const LzwChoices& choices) {
    const std::uint32_t clear = 1u << min_code_size;
    const std::uint32_t end = clear + 1;
    const std::size_t alphabet = clear;
    // next_code[code * alphabet + pixel]: the code of that string plus the pixel, 0 for none
    // (no string's code can be 0: codes below `clear` are single pixels).
    std::vector<std::uint16_t> next_code;
    int width = min_code_size + 1;
    std::uint32_t last_assigned = end;
    const auto reset = [&] {
        next_code.assign((kLastCode + 1) * alphabet, 0);
        width = min_code_size + 1;
        last_assigned = end;
    };

    BitWriter out;
    reset();
    out.put(clear, width);
    if (pixels.empty()) {
        out.put(end, width);
        return out.finish();
    }

    auto cut = choices.cuts.begin();
    std::uint32_t current = pixels[0];
    std::size_t length = 1;
    for (std::size_t i = 1; i < pixels.size(); ++i) {
        const std::uint8_t pixel = pixels[i];
        while (cut != choices.cuts.end() && *cut < i)
            ++cut;
        const bool cut_here = (cut != choices.cuts.end() && *cut == i) ||
                              (choices.longest_match != 0 && length >= choices.longest_match);
        const std::uint16_t longer = next_code[current * alphabet + pixel];
        if (longer != 0 && !cut_here) {
            current = longer;
            ++length;
            continue;
        }
        out.put(current, width);
        // The decoder adds an entry for every code it reads, so we do too, even when the
        // string is already known.
        next_code[current * alphabet + pixel] = static_cast<std::uint16_t>(++last_assigned);
        if (last_assigned >= (1u << width) && width < kMaxCodeWidth) ++width;
        if (last_assigned == kLastCode) {
            out.put(clear, width);
            reset();
        }
        current = pixel;
        length = 1;
    }
    out.put(current, width);
    out.put(end, width);
    return out.finish();
}

}  // namespace offline_gif
