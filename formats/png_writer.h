#pragma once
// PNG pictures of 8-bit RGB or RGBA pixels, as charts are saved for the user to paste or send.
#include <cstdint>
#include <span>
#include <vector>

#include "formats/format_error.h"

namespace formats {

enum class PixelFormat { rgb, rgba };  // 3 or 4 bytes a pixel, red first

// The whole file: rows top to bottom, each `width` pixels. The same pixels give the same bytes.
// Refused when a side is 0 or beyond what PNG holds, or `pixels` is not exactly that many.
Result<std::vector<std::uint8_t>> encode_png(std::span<const std::uint8_t> pixels,
                                             std::uint32_t width, std::uint32_t height,
                                             PixelFormat format);

}  // namespace formats
