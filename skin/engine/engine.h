#pragma once
// The engine's one job: attach a skin to every window of the calling thread, those there now
// and those opened later, or return them to the plain look.
#include <cstdint>

namespace skin::engine {

// `data` is copied as far as it is kept; null or a length of 0 or less attaches no skin.
// Returns an AttachResult.
int attach(const std::uint8_t* data, int length);

}  // namespace skin::engine
