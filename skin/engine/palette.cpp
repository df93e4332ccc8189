#include "skin/engine/palette.h"

#include "skin/tones.h"

namespace skin::engine {

namespace {

COLORREF colour_ref(Rgb c) {
    return RGB(c.r, c.g, c.b);
}

}  // namespace

Palette::Palette(const Scheme& scheme) : scheme_(scheme) {
    for (std::size_t i = 0; i < kRoleCount; ++i)
        colours_[i] = colour_ref(scheme.colours[i]);
    for (int t = 0; t < 3; ++t)
        tones_[static_cast<std::size_t>(t)] = colour_ref(tone_background(scheme, t));
    window_.reset(CreateSolidBrush((*this)[Role::window]));
    edit_.reset(CreateSolidBrush((*this)[Role::edit]));
}

COLORREF Palette::tone(int tone) const {
    return tones_[static_cast<std::size_t>(tone == 1 || tone == 2 ? tone : 0)];
}

COLORREF Palette::muted(Role text, Role surface) const {
    return colour_ref(mix(scheme_[text], scheme_[surface], 0.5));
}

}  // namespace skin::engine
