#include "tools/make_offline_gif/offline_gif.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace offline_gif {

namespace {

constexpr int kMinCodeSize = 5;  // 32 colours
constexpr std::size_t kSubBlock = 255;
// Everything but the image data's sub-blocks and their terminator.
constexpr std::size_t kFixedBytes = 6 + 7 + 3 * kColours + 8 + 10 + 1 + 1 + 1;

void put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

std::size_t blocks_for(std::size_t bytes) {
    return (bytes + kSubBlock - 1) / kSubBlock;
}

std::size_t encoded_size(const Picture& picture, const LzwChoices& choices) {
    return lzw_encode(picture.pixels, kMinCodeSize, choices).size();
}

// Cuts added one at a time, each where it brings the size closest to `target` without
// passing it, until the size is met.
std::optional<LzwChoices> fill_to(const Picture& picture, std::size_t target) {
    LzwChoices choices;
    // The shortest match limit that still fits, then single cuts for the last few bytes.
    for (std::size_t limit = 1; limit <= picture.pixels.size(); ++limit) {
        LzwChoices trial{limit, {}};
        if (encoded_size(picture, trial) <= target) {
            choices = trial;
            break;
        }
    }
    for (int round = 0; round < 64; ++round) {
        const std::size_t now = encoded_size(picture, choices);
        if (now == target) return choices;
        std::optional<LzwChoices> best;
        std::size_t best_size = now;
        // From the end backwards: a late cut changes the least of what follows it.
        for (std::size_t at = picture.pixels.size() - 1; at > 0; --at) {
            LzwChoices trial = choices;
            auto place = std::lower_bound(trial.cuts.begin(), trial.cuts.end(), at);
            if (place != trial.cuts.end() && *place == at) continue;
            trial.cuts.insert(place, at);
            const std::size_t size = encoded_size(picture, trial);
            if (size == target) return trial;
            if (size < target && size > best_size) {
                best = std::move(trial);
                best_size = size;
            }
        }
        if (!best) return std::nullopt;
        choices = std::move(*best);
    }
    return std::nullopt;
}

}  // namespace

std::size_t lzw_budget() {
    // n bytes of data take n + ceil(n / 255) bytes as sub-blocks.
    const std::size_t room = kFileSize - kFixedBytes;
    std::size_t n = room;
    while (n + blocks_for(n) > room)
        --n;
    return n + blocks_for(n) == room ? n : 0;
}

std::vector<std::uint8_t> gif_file(const Picture& picture, std::span<const std::uint8_t> lzw) {
    std::vector<std::uint8_t> out;
    for (char c : std::string_view("GIF89a"))
        out.push_back(static_cast<std::uint8_t>(c));
    // Logical screen: global colour table of 2^(4+1) entries, 8 bits per primary.
    put16(out, kWidth);
    put16(out, kHeight);
    out.push_back(0x80 | 0x70 | 0x04);
    out.push_back(kTransparent);  // background colour
    out.push_back(0);             // square pixels
    for (const Rgb& c : picture.palette) {
        out.push_back(c.r);
        out.push_back(c.g);
        out.push_back(c.b);
    }
    // Graphic control: no disposal, no delay, index 0 transparent.
    for (int b : {0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, int(kTransparent), 0x00})
        out.push_back(static_cast<std::uint8_t>(b));
    // The one image, the whole screen, no local colour table, not interlaced.
    out.push_back(0x2C);
    put16(out, 0);
    put16(out, 0);
    put16(out, kWidth);
    put16(out, kHeight);
    out.push_back(0x00);
    out.push_back(kMinCodeSize);
    for (std::size_t at = 0; at < lzw.size(); at += kSubBlock) {
        const std::size_t n = std::min(kSubBlock, lzw.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), lzw.begin() + static_cast<std::ptrdiff_t>(at),
                   lzw.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0x00);
    out.push_back(0x3B);
    return out;
}

Built build_offline_gif() {
    const Picture picture = draw_badge();
    const std::size_t budget = lzw_budget();
    if (budget == 0) return {{}, "no image data size gives a file of the required size"};
    if (encoded_size(picture, {}) > budget) return {{}, "the badge does not compress enough"};
    const auto choices = fill_to(picture, budget);
    if (!choices) return {{}, "no encoding of the badge fills the file exactly"};
    auto bytes = gif_file(picture, lzw_encode(picture.pixels, kMinCodeSize, *choices));
    if (bytes.size() != kFileSize) return {{}, "the file came out at the wrong size"};
    return {std::move(bytes), {}};
}

}  // namespace offline_gif
