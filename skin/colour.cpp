#include "skin/colour.h"

#include <algorithm>
#include <cmath>

namespace skin {

namespace {

std::uint8_t blend(std::uint8_t a, std::uint8_t b, double amount) {
    double v = a + (b - a) * amount;
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

double linear(std::uint8_t channel) {
    double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

}  // namespace

Rgb mix(Rgb a, Rgb b, double amount) {
    return {blend(a.r, b.r, amount), blend(a.g, b.g, amount), blend(a.b, b.b, amount)};
}

double luminance(Rgb c) {
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

double contrast(Rgb a, Rgb b) {
    double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

}  // namespace skin
