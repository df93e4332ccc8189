#pragma once
// The grey "offline" badge the status column falls back to, drawn as palette indices.
#include <array>
#include <cstdint>
#include <vector>

namespace offline_gif {

inline constexpr int kWidth = 77;
inline constexpr int kHeight = 18;
inline constexpr int kColours = 32;
// Pixels outside the badge's rounded corners; the picture's transparent colour.
inline constexpr std::uint8_t kTransparent = 0;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct Picture {
    std::array<Rgb, kColours> palette{};
    std::vector<std::uint8_t> pixels;  // kWidth * kHeight palette indices, row by row
};

Picture draw_badge();

}  // namespace offline_gif
