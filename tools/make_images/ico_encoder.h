// The .ico file of one 24-bit image with a 1-bit transparency mask.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/make_images/canvas.h"

namespace imagemaker {

inline constexpr std::uint32_t kIconDirSize = 6;
inline constexpr std::uint32_t kIconDirEntrySize = 16;

// A 24-bit icon has no alpha: pixels at least half opaque become opaque in their own colour,
// the rest transparent (mask bit 1, colour black, which is what the screen XOR needs).
// Width and height must be 1..256.
std::vector<std::uint8_t> encode_ico_24(const Canvas& picture);

}  // namespace imagemaker
