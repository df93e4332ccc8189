#pragma once
// One attached scheme as the painters use it: its colours as COLORREFs and the brushes the
// controls are handed for their backgrounds.
#include <windows.h>

#include <array>
#include <memory>

#include "skin/engine/gdi.h"
#include "skin/format.h"

namespace skin::engine {

class Palette {
  public:
    explicit Palette(const Scheme& scheme);
    // False when the system gave no brushes.
    bool ok() const { return window_ && edit_; }

    COLORREF operator[](Role role) const { return colours_[static_cast<std::size_t>(role)]; }
    // Text on `surface` for a control that is disabled: halfway to the surface.
    COLORREF muted(Role text, Role surface) const;
    // A list row waiting for a follow-up: 1 due, 2 overdue.
    COLORREF tone(int tone) const;
    HBRUSH window_brush() const { return window_.get(); }
    HBRUSH edit_brush() const { return edit_.get(); }

  private:
    std::array<COLORREF, kRoleCount> colours_{};
    std::array<COLORREF, 3> tones_{};
    Scheme scheme_;
    Brush window_, edit_;
};

}  // namespace skin::engine
