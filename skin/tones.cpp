#include "skin/tones.h"

#include <array>
#include <cstdlib>

namespace skin {

namespace {

int distance(Rgb a, Rgb b) {
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

}  // namespace

Rgb tone_background(const Scheme& scheme, int tone) {
    const Rgb list = scheme[Role::list];
    if (tone != 1 && tone != 2) return list;
    const Rgb text = scheme[Role::list_text];
    const Rgb selected = scheme[Role::selection];
    // Amber for due, red for overdue; where the scheme's own selection is of that hue, the
    // next one, so that a waiting row is never taken for the selected one.
    constexpr std::array<std::uint32_t, 2> kDueHues{0xF2B01E, 0x9CCC3A};
    constexpr std::array<std::uint32_t, 2> kOverdueHues{0xE0443A, 0xB03AC8};
    const auto& hues = tone == 1 ? kDueHues : kOverdueHues;
    const int apart = tone == 1 ? 40 : 60;
    Rgb tint = list;
    for (std::uint32_t hue : hues) {
        for (double amount = tone == 1 ? 0.32 : 0.5; amount > 0.1; amount -= 0.02) {
            tint = mix(list, rgb(hue), amount);
            if (contrast(tint, text) >= 4.5 && distance(tint, list) >= apart &&
                distance(tint, selected) >= 40)
                return tint;
        }
    }
    return tint;
}

}  // namespace skin
