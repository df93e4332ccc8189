#include "tools/make_images/ico_encoder.h"

#include "tools/make_images/dib_header.h"
#include "tools/make_images/little_endian.h"

namespace imagemaker {

std::vector<std::uint8_t> encode_ico_24(const Canvas& picture) {
    int w = picture.width(), h = picture.height();
    std::uint32_t colour_row = row_bytes(w, 24), mask_row = row_bytes(w, 1);
    std::uint32_t image_size = (colour_row + mask_row) * static_cast<std::uint32_t>(h);
    std::uint32_t offset = kIconDirSize + kIconDirEntrySize;

    std::vector<std::uint8_t> out;
    out.reserve(offset + kInfoHeaderSize + image_size);
    put_u16(out, 0);  // reserved
    put_u16(out, 1);  // type: icon
    put_u16(out, 1);  // one image

    put_u8(out, w == 256 ? 0 : static_cast<std::uint32_t>(w));  // 0 stands for 256
    put_u8(out, h == 256 ? 0 : static_cast<std::uint32_t>(h));
    put_u8(out, 0);  // no palette
    put_u8(out, 0);
    put_u16(out, 1);   // planes
    put_u16(out, 24);  // bits per pixel
    put_u32(out, kInfoHeaderSize + image_size);
    put_u32(out, offset);

    // The stored height counts the colour rows and the mask rows.
    put_info_header(out, w, 2 * h, 24, image_size);

    auto opaque = [&](int x, int y) { return picture.at(x, y).a >= 0.5; };
    for (int y = h - 1; y >= 0; --y) {
        std::size_t start = out.size();
        for (int x = 0; x < w; ++x) {
            const Rgba& p = picture.at(x, y);
            bool keep = opaque(x, y);
            put_u8(out, keep ? to_byte(p.b) : 0);
            put_u8(out, keep ? to_byte(p.g) : 0);
            put_u8(out, keep ? to_byte(p.r) : 0);
        }
        out.resize(start + colour_row, 0);
    }
    for (int y = h - 1; y >= 0; --y) {
        std::size_t start = out.size();
        out.resize(start + mask_row, 0);
        for (int x = 0; x < w; ++x) {
            if (!opaque(x, y)) out[start + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return out;
}

}  // namespace imagemaker
