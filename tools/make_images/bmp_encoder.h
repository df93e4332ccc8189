// The .bmp file of a 32-bit picture with its alpha channel.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/make_images/canvas.h"

namespace imagemaker {

inline constexpr std::uint32_t kFileHeaderSize = 14;

// BITMAPFILEHEADER, BITMAPINFOHEADER (BI_RGB, 32 bpp, bottom row first), then B, G, R, A per
// pixel. Alpha is straight, as image lists want it. Pixels that come out fully transparent
// hold `mask_colorref` (a Windows COLORREF, 0x00BBGGRR) instead of their colour, so a
// colour-keyed mask finds them too.
std::vector<std::uint8_t> encode_bmp_32(const Canvas& picture, std::uint32_t mask_colorref);

}  // namespace imagemaker
