#include "tools/make_images/bmp_encoder.h"

#include "tools/make_images/dib_header.h"
#include "tools/make_images/little_endian.h"

namespace imagemaker {

std::vector<std::uint8_t> encode_bmp_32(const Canvas& picture, std::uint32_t mask_colorref) {
    int w = picture.width(), h = picture.height();
    std::uint32_t image_size = row_bytes(w, 32) * static_cast<std::uint32_t>(h);
    std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;

    std::vector<std::uint8_t> out;
    out.reserve(offset + image_size);
    put_u8(out, 'B');
    put_u8(out, 'M');
    put_u32(out, offset + image_size);
    put_u32(out, 0);  // reserved
    put_u32(out, offset);
    put_info_header(out, w, h, 32, image_size);

    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Rgba& p = picture.at(x, y);
            std::uint8_t alpha = to_byte(p.a);
            if (alpha == 0) {
                put_u8(out, mask_colorref >> 16);
                put_u8(out, mask_colorref >> 8);
                put_u8(out, mask_colorref);
            } else {
                put_u8(out, to_byte(p.b));
                put_u8(out, to_byte(p.g));
                put_u8(out, to_byte(p.r));
            }
            put_u8(out, alpha);
        }
    }
    return out;
}

}  // namespace imagemaker
