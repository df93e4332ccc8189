// The BITMAPINFOHEADER that both the icon and the bitmap begin their picture with.
#pragma once
#include <cstdint>
#include <vector>

namespace imagemaker {

inline constexpr std::uint32_t kInfoHeaderSize = 40;

// Bytes of one stored row of `width` pixels at `bits` per pixel: rows end on 4-byte bounds.
std::uint32_t row_bytes(int width, int bits);

// `height` is the stored height: icons count their mask rows too.
void put_info_header(std::vector<std::uint8_t>& out, int width, int height, int bits,
                     std::uint32_t image_size);

}  // namespace imagemaker
