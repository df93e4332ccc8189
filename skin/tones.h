#pragma once
// The tints of list rows that wait for a follow-up: due in a warm amber, overdue in a
// stronger red, each mixed into the scheme's own list colour so that it belongs to the skin,
// and held back where the list's text would lose its contrast on it.
#include "skin/format.h"

namespace skin {

// Tone 1 (due) or 2 (overdue); any other tone is the list's own colour.
Rgb tone_background(const Scheme& scheme, int tone);

}  // namespace skin
