#include "skin/engine/palette.h"

namespace skin::engine {

namespace {

COLORREF colour_ref(Rgb c) {
    return RGB(c.r, c.g, c.b);
}

}  // namespace

Palette::Palette(const Scheme& scheme) : scheme_(scheme) {
    for (std::size_t i = 0; i < kRoleCount; ++i)
        colours_[i] = colour_ref(scheme.colours[i]);
    window_.reset(CreateSolidBrush((*this)[Role::window]));
    edit_.reset(CreateSolidBrush((*this)[Role::edit]));
}

COLORREF Palette::muted(Role text, Role surface) const {
    return colour_ref(mix(scheme_[text], scheme_[surface], 0.5));
}

}  // namespace skin::engine
