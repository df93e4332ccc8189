// Appending the little-endian fields of Windows picture headers.
#pragma once
#include <cstdint>
#include <vector>

namespace imagemaker {

inline void put_u8(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
}
inline void put_u16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put_u8(out, v);
    put_u8(out, v >> 8);
}
inline void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put_u16(out, v);
    put_u16(out, v >> 16);
}
inline void put_i32(std::vector<std::uint8_t>& out, std::int32_t v) {
    put_u32(out, static_cast<std::uint32_t>(v));
}

}  // namespace imagemaker
