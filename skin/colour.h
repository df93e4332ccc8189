#pragma once
// Colours as the skins store them, and the sums the skin table and its checks need.
#include <compare>
#include <cstdint>

namespace skin {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

// 0xRRGGBB, as colours are written in the skin table.
constexpr Rgb rgb(std::uint32_t hex) {
    return {static_cast<std::uint8_t>(hex >> 16), static_cast<std::uint8_t>(hex >> 8),
            static_cast<std::uint8_t>(hex)};
}

// `a` moved toward `b` by `amount` (0: a, 1: b), rounded per channel.
Rgb mix(Rgb a, Rgb b, double amount);

// Relative luminance, 0 (black) to 1 (white), as WCAG 2 defines it for sRGB.
double luminance(Rgb c);
// WCAG 2 contrast ratio of two colours, 1 to 21, the same either way round.
double contrast(Rgb a, Rgb b);

}  // namespace skin
