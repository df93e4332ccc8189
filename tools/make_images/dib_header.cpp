#include "tools/make_images/dib_header.h"

#include "tools/make_images/little_endian.h"

namespace imagemaker {

std::uint32_t row_bytes(int width, int bits) {
    return (static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(bits) + 31) / 32 * 4;
}

void put_info_header(std::vector<std::uint8_t>& out, int width, int height, int bits,
                     std::uint32_t image_size) {
    put_u32(out, kInfoHeaderSize);
    put_i32(out, width);
    put_i32(out, height);  // positive: rows are stored bottom row first
    put_u16(out, 1);       // planes
    put_u16(out, static_cast<std::uint32_t>(bits));
    put_u32(out, 0);  // BI_RGB
    put_u32(out, image_size);
    put_i32(out, 0);  // no preferred resolution
    put_i32(out, 0);
    put_u32(out, 0);  // no colour table
    put_u32(out, 0);
}

}  // namespace imagemaker
